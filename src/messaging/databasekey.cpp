#include "messaging/databasekey.h"

#include "data/engine/database.h"
#include "messaging/noticedatagram.h"

#include <QCryptographicHash>
#include <QFileInfo>
#include <QSysInfo>

namespace Tarvo::Messaging {

QByteArray DatabaseKey::of(const Data::Database& db)
{
    const Data::ConnectionSettings& s = db.settings();
    if (s.engine == Data::Engine::SQLite) {
        const QFileInfo file(s.sqliteFile());
        const QString path = file.canonicalFilePath().isEmpty() ? file.absoluteFilePath() : file.canonicalFilePath();
        return fit(QSysInfo::machineHostName() + path);
    }
    QString server = s.host;
    if (s.port)
        server += QLatin1Char(':') + QString::number(s.port);
    return fit(server + s.database);
}

QByteArray DatabaseKey::fit(const QString& text)
{
    const QByteArray whole = text.toUtf8();
    if (whole.size() <= NoticeDatagram::MaxKeySize)
        return whole;
    const QByteArray digest = QCryptographicHash::hash(whole, QCryptographicHash::Sha256).toHex();
    qsizetype keep = NoticeDatagram::MaxKeySize - 1 - digest.size();
    // Never end inside a character: step back over continuation bytes.
    while (keep > 0 && (uchar(whole[keep]) & 0xC0) == 0x80)
        --keep;
    return whole.left(keep) + '#' + digest;
}

} // namespace Tarvo::Messaging
