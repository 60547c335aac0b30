#include "security/trightstree.h"

#include "data/engine/database.h"
#include "data/engine/query.h"
#include "security/userdeleted.h"

namespace Tarvo::Security {

void TRightsTree::load(Data::Database& db, int userId)
{
    TRightsTree fresh;
    fresh.m_userId = userId;
    fresh.loadChildren(db, -1, fresh.m_roots, 0);
    *this = std::move(fresh);
}

void TRightsTree::loadChildren(Data::Database& db, int parent, QList<int>& into, int depth)
{
    // A damaged catalog that points a right at its own descendant must not recurse for ever.
    if (depth > 32)
        return;
    Data::Query q(db, QStringLiteral("select SC_ID, SC_DESCR from CRM_SECURITY where SC_ID >= 100000 "
                                     "and SC_PARENT_ID = :p order by SC_ID"));
    q.bind(QStringLiteral("p"), parent).exec();
    QList<Node> found;
    while (q.next()) {
        Node n;
        n.id = int(q.integer(0));
        n.parent = parent;
        n.description = q.string(1);
        found << n;
    }
    Data::Query held(db,
                     QStringLiteral("select SC_ID, USC_US_ID from CRM_SECURITY left join CRM_USERS_SECURITY "
                                    "on SC_ID = USC_SC_ID and SC_ID >= 100000 and USC_US_ID = :u "
                                    "where SC_PARENT_ID = :p"));
    held.bind(QStringLiteral("u"), m_userId).bind(QStringLiteral("p"), parent).exec();
    QHash<int, bool> allowed;
    while (held.next())
        allowed[int(held.integer(0))] = !held.isNull(1) && !held.value(1).isNull();
    for (Node& n : found) {
        if (m_nodes.contains(n.id))
            continue;
        n.allowed = n.stored = allowed.value(n.id);
        m_nodes.insert(n.id, n);
        into << n.id;
    }
    for (Node& n : found) {
        QList<int> children;
        loadChildren(db, n.id, children, depth + 1);
        m_nodes[n.id].children = children;
    }
}

void TRightsTree::collect(int id, QList<int>& into) const
{
    for (int c : node(id).children) {
        into << c;
        collect(c, into);
    }
}

TRightsTree::State TRightsTree::state(int id) const
{
    QList<int> below;
    collect(id, below);
    if (below.isEmpty())
        return node(id).allowed ? State::Allowed : State::Denied;
    int allowed = 0;
    for (int c : below)
        allowed += m_nodes.value(c).allowed ? 1 : 0;
    if (allowed == below.size())
        return State::Allowed;
    return allowed == 0 ? State::Denied : State::Mixed;
}

void TRightsTree::setAllowed(int id, bool allowed)
{
    QList<int> all{id};
    collect(id, all);
    for (int n : all) {
        m_nodes[n].allowed = allowed;
        m_set.insert(n);
    }
}

QList<int> TRightsTree::inOrder() const
{
    QList<int> order;
    for (int root : m_roots) {
        order << root;
        collect(root, order);
    }
    return order;
}

QList<int> TRightsTree::changed() const
{
    QList<int> r;
    for (int id : inOrder())
        if (m_set.contains(id) && m_nodes.value(id).allowed != m_nodes.value(id).stored)
            r << id;
    return r;
}

int TRightsTree::save(Data::Database& db)
{
    if (m_set.isEmpty())
        return 0;
    Data::Transaction tx(db);
    EUserDeleted::lockUser(db, m_userId);
    // What the user holds now, not what the window read: another administrator may have changed it.
    Data::Query held(db, QStringLiteral("select USC_SC_ID from CRM_USERS_SECURITY "
                                        "where USC_US_ID = :us and USC_SC_ID >= 100000"));
    held.bind(QStringLiteral("us"), m_userId, Data::ParamType::Integer).exec();
    QSet<int> stored;
    while (held.next())
        stored.insert(int(held.integer(0)));
    Data::Query grant(
        db, QStringLiteral("insert into CRM_USERS_SECURITY (USC_SC_ID, USC_US_ID) values (:sc, :us) "
                           "on conflict (USC_SC_ID, USC_US_ID) do nothing"));
    Data::Query revoke(
        db, QStringLiteral("delete from CRM_USERS_SECURITY where USC_SC_ID = :sc and USC_US_ID = :us"));
    int written = 0;
    for (int id : inOrder()) {
        if (!m_set.contains(id))
            continue;
        const bool wanted = m_nodes.value(id).allowed;
        if (wanted == stored.contains(id))
            continue;
        Data::Query& q = wanted ? grant : revoke;
        q.bind(QStringLiteral("sc"), id, Data::ParamType::Integer)
            .bind(QStringLiteral("us"), m_userId, Data::ParamType::Integer)
            .exec();
        if (wanted)
            stored.insert(id);
        else
            stored.remove(id);
        ++written;
    }
    tx.commit();
    for (Node& n : m_nodes)
        n.allowed = n.stored = stored.contains(n.id);
    m_set.clear();
    return written;
}

} // namespace Tarvo::Security
