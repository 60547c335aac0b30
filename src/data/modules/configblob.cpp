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

void save(Database& db, const QString& name, const QByteArray& data)
{
    // Delete and insert belong together; inside a caller's transaction they join it.
    std::optional<Transaction> own;
    if (!db.inTransaction())
        own.emplace(db);
    Query del(db, QStringLiteral("delete from SCL_CONFIG where CF_DESCR = ? and CF_TYPE = %1").arg(BlobType));
    del.bindAt(0, name, ParamType::String, 100);
    del.exec();
    Query ins(
        db,
        QStringLiteral("insert into SCL_CONFIG (CF_TYPE, CF_DESCR, CF_UST) values (%1, ?, ?)").arg(BlobType));
    ins.bindAt(0, name, ParamType::String, 100);
    ins.bindAt(1, data, ParamType::Bytes);
    ins.exec();
    if (own)
        own->commit();
}

void save(Database& db, QIODevice& stream, const QString& name)
{
    stream.seek(0);
    save(db, name, stream.readAll());
}

} // namespace Tarvo::Data::ConfigBlob
