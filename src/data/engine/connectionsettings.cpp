#include "data/engine/connectionsettings.h"

#include "core/apppaths.h"
#include "core/exception.h"
#include "core/iniparamreader.h"

#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <limits>

namespace Tarvo::Data {

namespace {
const QString Server = QStringLiteral("SERVER");
}

ConnectionSettings ConnectionSettings::fromIni(const QString& iniPath, const QStringList& arguments)
{
    IniParamReader ini(iniPath, arguments);
    ConnectionSettings s;
    QString server = ini.readString(Server, QStringLiteral("SERVER NAME")).trimmed();
    const QString engine = ini.readString(Server, QStringLiteral("ENGINE")).trimmed().toUpper();
    if (engine == QLatin1String("SQLITE"))
        s.engine = Engine::SQLite;
    else if (engine == QLatin1String("POSTGRESQL") || engine == QLatin1String("POSTGRES"))
        s.engine = Engine::PostgreSQL;
    else if (!engine.isEmpty())
        throw Exception(QStringLiteral("Неизвестный вид сервера ENGINE=%1 в \"tarvo.ini\" (ожидается SQLITE или POSTGRESQL)")
                            .arg(engine));
    else
        s.engine = server.isEmpty() ? Engine::SQLite : Engine::PostgreSQL;

    // "host:port"; a bracketed IPv6 address keeps its colons.
    if (server.startsWith(QLatin1Char('['))) {
        int close = server.indexOf(QLatin1Char(']'));
        if (close > 0) {
            const QString rest = server.mid(close + 1);
            if (rest.startsWith(QLatin1Char(':')))
                s.port = rest.mid(1).toInt();
            server = server.mid(1, close - 1);
        }
    } else if (server.count(QLatin1Char(':')) == 1) {
        const int colon = server.indexOf(QLatin1Char(':'));
        bool ok = false;
        const int port = server.mid(colon + 1).toInt(&ok);
        if (!ok || port <= 0 || port > 65535)
            throw Exception(QStringLiteral("Неверный порт в SERVER NAME=%1").arg(server));
        s.port = port;
        server = server.left(colon);
    }
    s.host = server;
    s.database = ini.readString(Server, QStringLiteral("DATABASE MAIN")).trimmed();
    const int defaultTimeout = s.commandTimeout;
    s.commandTimeout = ini.readInteger(Server, QStringLiteral("COMMAND TIMEOUT"), s.commandTimeout);
    if (s.commandTimeout < 0)
        s.commandTimeout = defaultTimeout;
    s.connectionTimeout = ini.readInteger(Server, QStringLiteral("CONNECTION TIMEOUT"), s.connectionTimeout);
    s.scmUserName = ini.readString(Server, QStringLiteral("SCM USER NAME"));
    const QString user = ini.readString(Server, QStringLiteral("DB USER")).trimmed();
    if (!user.isEmpty())
        s.user = user;
    s.password = ini.readString(Server, QStringLiteral("DB PASSWORD"));
    return s;
}

QString ConnectionSettings::embeddedDatabasePath()
{
    return AppPaths::userFolder() + QStringLiteral("tarvo.db");
}

QString ConnectionSettings::sqliteFile() const
{
    if (database.isEmpty())
        return embeddedDatabasePath();
    if (QFileInfo(database).isRelative())
        return QDir(QFileInfo(embeddedDatabasePath()).absolutePath()).filePath(database);
    return database;
}

qint64 ConnectionSettings::commandTimeoutMs() const
{
    if (commandTimeout <= 0)
        return commandTimeout == 0 ? 0 : ConnectionSettings().commandTimeoutMs();
    return std::min<qint64>(qint64(commandTimeout) * 1000, std::numeric_limits<int>::max());
}

QString ConnectionSettings::describe() const
{
    if (engine == Engine::SQLite)
        return database.isEmpty() ? embeddedDatabasePath() : database;
    QString r = host.isEmpty() ? QStringLiteral("localhost") : host;
    if (port)
        r += QLatin1Char(':') + QString::number(port);
    return database.isEmpty() ? r : r + QLatin1Char('/') + database;
}

} // namespace Tarvo::Data
