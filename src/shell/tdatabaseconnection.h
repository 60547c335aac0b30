#pragma once

#include "data/engine/database.h"

#include <QStringList>
#include <memory>

namespace Tarvo::Shell {

// The process's connections and the logged-in user. Nothing is opened until
// connect(); afterwards the main and server-cursor accessors of Database are
// published.
class TDataBaseConnection
{
public:
    static TDataBaseConnection& instance();

    // Reads "tarvo.ini" with the command line's NAME=VALUE overrides and opens
    // the main connection; the server-cursor connection gets the same settings
    // and is opened by its first user. Throws Data::ConnectionError, or
    // Tarvo::Exception for unreadable settings or an embedded database that
    // could not be written.
    void connect(const QStringList& arguments);
    // The settings of the last connect().
    const Data::ConnectionSettings& settings() const { return m_settings; }
    void disconnect();
    bool isConnected() const { return m_main && m_main->isOpen(); }
    Data::Database* connection() const { return m_main.get(); }
    Data::Database* serverCursorConnection() const { return m_serverCursor.get(); }
    // The login proposed by "SCM USER NAME".
    const QString& proposedLogin() const { return m_proposedLogin; }

    // Filled once by a successful login.
    void setCurrentUser(int id, const QString& name, const QString& login, const QString& department);
    int currentUserId() const { return m_userId; }
    const QString& currentUserName() const { return m_userName; }
    const QString& currentUserLogin() const { return m_userLogin; }
    const QString& currentUserDepartment() const { return m_userDepartment; }

private:
    Data::ConnectionSettings m_settings;
    std::unique_ptr<Data::Database> m_main;
    std::unique_ptr<Data::Database> m_serverCursor;
    QString m_proposedLogin;
    int m_userId = 0;
    QString m_userName;
    QString m_userLogin;
    QString m_userDepartment;
};

} // namespace Tarvo::Shell
