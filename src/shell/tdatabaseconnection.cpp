#include "shell/tdatabaseconnection.h"

#include "data/engine/connector.h"
#include "shell/storagecheck.h"

namespace Tarvo::Shell {

TDataBaseConnection& TDataBaseConnection::instance()
{
    static TDataBaseConnection connection;
    return connection;
}

void TDataBaseConnection::connect(const QStringList& arguments)
{
    m_settings = Data::Connector::settingsFrom(arguments);
    const Data::ConnectionSettings& settings = m_settings;
    m_proposedLogin = settings.scmUserName;
    StorageCheck::requireWritableDatabase(settings);
    m_main = Data::Connector::connect(settings);
    m_serverCursor = std::make_unique<Data::Database>(settings);
    Data::Database::setMain(m_main.get());
    Data::Database::setServerCursor(m_serverCursor.get());
}

void TDataBaseConnection::disconnect()
{
    Data::Database::setMain(nullptr);
    Data::Database::setServerCursor(nullptr);
    m_serverCursor.reset();
    m_main.reset();
}

void TDataBaseConnection::setCurrentUser(int id, const QString& name, const QString& login,
                                         const QString& department)
{
    m_userId = id;
    m_userName = name;
    m_userLogin = login;
    m_userDepartment = department;
}

} // namespace Tarvo::Shell
