#include "data/modules/configblob.h"

#include "data/engine/database.h"
#include "data/engine/query.h"

#include <QIODevice>

namespace Tarvo::Data::ConfigBlob {

namespace {
constexpr int BlobType = 2;
}

std::optional<QByteArray> load(Database& db, const QString& name)
{
    Query q(db, QStringLiteral(
                    "select CF_TYPE, CF_DESCR, CF_UST from SCL_CONFIG where CF_DESCR = ? and CF_TYPE = %1")
                    .arg(BlobType));
    q.bindAt(0, name, ParamType::String, 100);
    q.exec();
    if (!q.next())
        return std::nullopt;
    return q.value(2).toByteArray();
}

bool load(Database& db, QIODevice& stream, const QString& name)
{
    const auto data = load(db, name);
    if (!data)
        return false;
    stream.write(*data);
    stream.seek(0);
    return true;
}

namespace {

// Inside a transaction that holds the name's lock: the stored bytes, nullopt without a row.
std::optional<QByteArray> current(Database& db, const QString& name)
{
    db.lockName(QStringLiteral("SCL_CONFIG:") + name);
    return load(db, name);
}

void write(Database& db, const QString& name, bool exists, const QByteArray& data)
{
    if (exists) {
        Query upd(db, QStringLiteral("update SCL_CONFIG set CF_UST = ? where CF_DESCR = ? and CF_TYPE = %1").arg(BlobType));
        upd.bindAt(0, data, ParamType::Bytes);
        upd.bindAt(1, name, ParamType::String, 100);
        upd.exec();
        return;
    }
    Query ins(
        db,
        QStringLiteral("insert into SCL_CONFIG (CF_TYPE, CF_DESCR, CF_UST) values (%1, ?, ?)").arg(BlobType));
    ins.bindAt(0, name, ParamType::String, 100);
    ins.bindAt(1, data, ParamType::Bytes);
    ins.exec();
}

} // namespace

void save(Database& db, const QString& name, const QByteArray& data)
{
    // Read and write belong together; inside a caller's transaction they join it.
    std::optional<Transaction> own;
    if (!db.inTransaction())
        own.emplace(db);
    write(db, name, current(db, name).has_value(), data);
    if (own)
        own->commit();
}

bool saveIfUnchanged(Database& db, const QString& name, const std::optional<QByteArray>& expected,
                     const QByteArray& data)
{
    std::optional<Transaction> own;
    if (!db.inTransaction())
        own.emplace(db);
    const std::optional<QByteArray> stored = current(db, name);
    if (stored.has_value() != expected.has_value() || (stored && *stored != *expected))
        return false;
    write(db, name, stored.has_value(), data);
    if (own)
        own->commit();
    return true;
}

void save(Database& db, QIODevice& stream, const QString& name)
{
    stream.seek(0);
    save(db, name, stream.readAll());
}

} // namespace Tarvo::Data::ConfigBlob
