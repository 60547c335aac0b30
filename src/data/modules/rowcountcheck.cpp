#include "data/modules/rowcountcheck.h"

#include "core/exception.h"
#include "data/engine/query.h"

namespace Tarvo::Data {

int RowCountCheck::exec(Database& db, const QString& sql, const QVariantList& params, const QString& refusal)
{
    return exec(db, sql, params, Refusal([&refusal] { return refusal; }));
}

int RowCountCheck::exec(Database& db, const QString& sql, const QVariantList& params, const Refusal& refusal)
{
    Query q(db, sql);
    q.bindAll(params);
    q.exec();
    return require(q, refusal);
}

int RowCountCheck::require(const Query& done, const QString& refusal)
{
    return require(done, Refusal([&refusal] { return refusal; }));
}

int RowCountCheck::require(const Query& done, const Refusal& refusal)
{
    // -1 (an engine that cannot tell) is no refusal.
    const int changed = done.numRowsAffected();
    if (changed == 0)
        throw Exception(refusal());
    return changed;
}

} // namespace Tarvo::Data
