#pragma once

#include <QString>
#include <QStringList>

namespace Tarvo::Data {

enum class Engine { SQLite, PostgreSQL };

// Where and how to connect, as read from "tarvo.ini" section "SERVER".
struct ConnectionSettings
{
    Engine engine = Engine::SQLite;
    QString host;         // PostgreSQL server
    int port = 0;         // 0: the engine's default
    QString database;     // PostgreSQL database, or the SQLite file ("" = the embedded default)
    QString user = QStringLiteral("kontmirer");
    QString password;     // empty: the engine's own password file
    int commandTimeout = 30;    // seconds, 0 = no limit
    int connectionTimeout = 15; // seconds
    QString scmUserName;        // login proposed in the login dialog

    // Reads "tarvo.ini" at `iniPath` with NAME=VALUE overrides from `arguments`.
    static ConnectionSettings fromIni(const QString& iniPath, const QStringList& arguments);
    // The embedded database file in the per-user folder.
    static QString embeddedDatabasePath();
    // The SQLite file these settings name: the embedded one when none is given; relative names
    // live in the per-user folder.
    QString sqliteFile() const;
    // "host:port/database" or the SQLite file, for messages.
    QString describe() const;
    // The command timeout in milliseconds, 0 for no limit, at most what the engines take (int).
    qint64 commandTimeoutMs() const;
    bool isEmbeddedDefault() const { return engine == Engine::SQLite && database.isEmpty(); }
};

} // namespace Tarvo::Data
