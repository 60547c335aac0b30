#include "catalog/tree/productgroups.h"

#include "catalog/catalogtransaction.h"
#include "catalog/tree/grouptreeprocedure.h"
#include "core/exception.h"
#include "data/engine/database.h"
#include "data/engine/procedureregistry.h"
#include "data/engine/query.h"

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Catalog {

const QString ProductGroups::MoveRefused =
    u"Нельзя переместить узел.\n\rВозможно уже изменилась структура групп, обновите дерево."_s;
const QString ProductGroups::HasSubgroups = u"Нельзя удалять группу в которой есть подгруппы."_s;
const QString ProductGroups::HasProducts = u"Нельзя удалять группу в которой есть товары."_s;
const QString ProductGroups::ProductsInDocuments =
    u"Товары используются в документах. Удаление невозможно\r\n(%s)"_s;

namespace {

bool mentions(const Data::DatabaseError& e, const QString& name)
{
    if (e.message().contains(name, Qt::CaseInsensitive) ||
        e.engineMessage().contains(name, Qt::CaseInsensitive))
        return true;
    for (const Data::ProviderError& p : e.errors())
        if (p.constraint.compare(name, Qt::CaseInsensitive) == 0 ||
            p.message.contains(name, Qt::CaseInsensitive))
            return true;
    return false;
}

QVariant keyOrNull(std::optional<qint64> id)
{
    return id ? QVariant(*id) : QVariant(QMetaType::fromType<qint64>());
}

} // namespace

QList<ProductGroups::Group> ProductGroups::children(std::optional<qint64> parent) const
{
    // One statement per level, the has-children flag with it, so that expanding a level with
    // many groups costs one round trip.
    const QString sql =
        u"select g.pg_groupname, g.pg_groupid, case when exists(select 1 from crm_productgroups c "
        "where c.pg_parent = g.pg_groupid) then 1 else 0 end "
        "from crm_productgroups g where "_s +
        (parent ? u"g.pg_parent = ?"_s : u"g.pg_parent is null"_s) + u" order by g.pg_groupname"_s;
    Data::Query q(m_db, sql);
    if (parent)
        q.bindAt(0, *parent, Data::ParamType::Integer);
    q.exec();
    QList<Group> r;
    while (q.next())
        r.append({q.integer(1), q.string(0), q.integer(2) != 0});
    return r;
}

bool ProductGroups::hasChildren(qint64 group) const
{
    return m_db.scalar(
                   u"select case when exists( select 1 from crm_productgroups where pg_parent=?) then 1 else 0 end"_s,
                   {group})
               .toInt() != 0;
}

qint64 ProductGroups::create(const QString& name, std::optional<qint64> parent) const
{
    if (parent)
        return m_db.insertReturning(u"insert into crm_productgroups (pg_groupname, pg_parent) values (?,?)"_s,
                                    u"pg_groupid"_s, {name, *parent});
    return m_db.insertReturning(u"insert into crm_productgroups (pg_groupname) values (?)"_s, u"pg_groupid"_s,
                                {name});
}

void ProductGroups::rename(qint64 group, const QString& name) const
{
    m_db.exec(u"update crm_productgroups set pg_groupname=? where pg_groupid=?"_s, {name, group});
}

void ProductGroups::move(qint64 group, std::optional<qint64> newParent) const
{
    try {
        if (newParent)
            m_db.exec(u"update crm_productgroups set pg_parent=? where pg_groupid=?"_s, {*newParent, group});
        else
            m_db.exec(u"update crm_productgroups set pg_parent=null where pg_groupid=?"_s, {group});
    } catch (const Data::DatabaseError& e) {
        if (mentions(e, u"PK_CRM_GROUPSREL"_s))
            throw Exception(MoveRefused);
        throw;
    }
}

void ProductGroups::remove(qint64 group) const
{
    try {
        m_db.exec(u"delete from crm_productgroups where pg_groupid=?"_s, {group});
    } catch (const Data::DatabaseError& e) {
        if (mentions(e, u"FK_CRM_PRODUCTGROUPS_CRM_PRODUCTGROUPS"_s))
            throw Exception(HasSubgroups);
        if (mentions(e, u"FK_CRM_PRODUCT_CRM_PRODUCTGROUPS"_s))
            throw Exception(HasProducts);
        throw;
    }
}

void ProductGroups::removeTree(qint64 group) const
{
    GroupTreeProcedure::registerOnce();
    try {
        CatalogTransaction tx(m_db);
        Data::ProcedureRegistry::instance().call(m_db, GroupTreeProcedure::Name, {{u"pg_groupid"_s, group}});
        tx.commit();
    } catch (const GroupTreeProcedure::ProductsUsed& e) {
        QString text = ProductsInDocuments;
        throw Exception(text.replace(u"%s"_s, e.message()));
    }
}

void ProductGroups::moveProducts(const QList<qint64>& products, std::optional<qint64> group) const
{
    CatalogTransaction tx(m_db);
    Data::Query q(m_db, u"update crm_product set pr_groupid=? where pr_id=?"_s);
    for (qint64 p : products) {
        q.bindAt(0, keyOrNull(group), Data::ParamType::Integer).bindAt(1, p, Data::ParamType::Integer);
        q.exec();
    }
    tx.commit();
}

} // namespace Tarvo::Catalog
