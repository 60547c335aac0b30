#pragma once

#include <QByteArray>
#include <QString>
#include <optional>

class QIODevice;

namespace Tarvo::Data {

class Database;

// Named settings blobs in SCL_CONFIG (type 2), shared with the extension modules.
namespace ConfigBlob {

std::optional<QByteArray> load(Database& db, const QString& name);
// Writes the blob into the stream and rewinds it; false (stream untouched) when there is none.
bool load(Database& db, QIODevice& stream, const QString& name);
// Replaces the blob of that name. Two workstations saving at once are serialised on the name,
// so neither meets the other's half-written row.
void save(Database& db, const QString& name, const QByteArray& data);
// Replaces the blob only while it still holds `expected` (nullopt: there was none), as read
// before the user's changes; false, with nothing written, when another workstation saved since.
bool saveIfUnchanged(Database& db, const QString& name, const std::optional<QByteArray>& expected,
                     const QByteArray& data);
void save(Database& db, QIODevice& stream, const QString& name);

} // namespace ConfigBlob

} // namespace Tarvo::Data
