#pragma once

#include <QByteArray>
#include <QString>

namespace Tarvo::Data {
class Database;
}

namespace Tarvo::Messaging {

// Names the database a notice is about, so that instances on other databases ignore it.
// SQLite: this machine's name and the canonical path of the file; PostgreSQL: the server as
// configured and the database name. UTF-8, at most 255 bytes.
class DatabaseKey
{
public:
    static QByteArray of(const Data::Database& db);
    // The text as a key: a longer one keeps its start (cut at a character boundary) and ends in
    // a digest of the whole text, so two long keys that share their start still differ.
    static QByteArray fit(const QString& text);
};

} // namespace Tarvo::Messaging
