#include "catalog/tree/grouptreeprocedure.h"

#include "data/engine/database.h"
#include "data/engine/procedureregistry.h"
#include "data/engine/query.h"

#include <QMap>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Catalog {

const QString GroupTreeProcedure::Name = u"scm_delete_GroupTree"_s;

GroupTreeProcedure::ProductsUsed::ProductsUsed(const QString& text)
    : Data::DatabaseError(text, QString(),
                          {Data::ProviderError{Data::NativeError::General, text, {}, {}, {}}})
{}

namespace {

// The subtree, found from the parent links (independent of the ancestor table), with depths.
const QString Subtree =
    u"with recursive sub(id, depth) as (select pg_groupid, 0 from crm_productgroups "
    "where pg_groupid = :grp union all select g.pg_groupid, s.depth + 1 from crm_productgroups g "
    "join sub s on g.pg_parent = s.id) "_s;

// The document lines that hold products.
const QList<QPair<QString, QString>> DocumentLines{
    {u"scm_bp_delivery"_s, u"bpd_pr_id"_s},
    {u"scm_so_products"_s, u"sop_pr_id"_s},
    {u"scm_deliveredProduct"_s, u"sdp_pr_id"_s},
};

// The product's own rows, deleted with it (children before parents).
const QList<QPair<QString, QString>> ProductRows{
    {u"CRM_FOREIGNPRICE"_s, u"fp_pr_id"_s},
    {u"scm_artcmap"_s, u"sam_pr_id"_s},
    {u"CRM_OURDOPPRICE"_s, u"ODC_PR_ID"_s},
    {u"crm_ourprice"_s, u"op_pr_id"_s},
    {u"crm_tvr"_s, u"tv_pr_id"_s},
    {u"crm_product_analog"_s, u"cpa_pr_id"_s},
    {u"crm_product_analog"_s, u"cpa_pr_id_analog"_s},
};

Data::ProcedureResult deleteGroupTree(Data::Database& db, const QVariantMap& params)
{
    const qint64 group = params.value(u"pg_groupid"_s).toLongLong();
    const QString products = u"select PR_ID from crm_product where PR_GROUPID in (select id from sub)"_s;

    QStringList used;
    for (const auto& [table, column] : DocumentLines)
        used << u"select %1 from %2"_s.arg(column, table);
    Data::Query first(db, Subtree +
                              u"select p.PR_ARTICUL, p.PR_NAME from crm_product p where p.PR_GROUPID in "
                              "(select id from sub) and p.PR_ID in (%1) order by p.PR_ARTICUL limit 1"_s.arg(
                                  used.join(u" union "_s)));
    first.bind(u"grp"_s, group, Data::ParamType::Integer).exec();
    if (first.next())
        throw GroupTreeProcedure::ProductsUsed(
            u"Товар \"%1\" (%2) используется в документах"_s.arg(first.string(1), first.string(0)));

    const auto run = [&db, group](const QString& sql) {
        Data::Query q(db, Subtree + sql);
        q.bind(u"grp"_s, group, Data::ParamType::Integer).exec();
    };
    for (const auto& [table, column] : ProductRows)
        run(u"delete from %1 where %2 in (%3)"_s.arg(table, column, products));
    run(u"update crm_product set PR_ID_main = null where PR_ID_main in (%1)"_s.arg(products));
    run(u"delete from crm_product where PR_GROUPID in (select id from sub)"_s);

    // Deepest groups first, so that no group is deleted before its subgroups.
    Data::Query levels(db, Subtree + u"select id, depth from sub order by depth desc"_s);
    levels.bind(u"grp"_s, group, Data::ParamType::Integer).exec();
    QMap<int, QList<qint64>> byDepth;
    while (levels.next())
        byDepth[int(levels.integer(1))].append(levels.integer(0));
    Data::Query del(db, u"delete from crm_productgroups where pg_groupid = ?"_s);
    for (auto it = byDepth.end(); it != byDepth.begin();) {
        --it;
        for (qint64 id : it.value()) {
            del.bindAt(0, id, Data::ParamType::Integer);
            del.exec();
        }
    }
    return {};
}

} // namespace

void GroupTreeProcedure::registerOnce()
{
    Data::ProcedureRegistry& r = Data::ProcedureRegistry::instance();
    if (!r.contains(Name))
        r.add(Name, &deleteGroupTree);
}

} // namespace Tarvo::Catalog
