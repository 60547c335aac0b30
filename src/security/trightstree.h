#pragma once

#include <QHash>
#include <QList>
#include <QString>

namespace Tarvo::Data {
class Database;
}

namespace Tarvo::Security {

// The program's rights (sc_id >= 100000) as a tree, with what one user holds. Allowing or denying a
// node does the same to its descendants; saving writes only the nodes whose state now differs from
// what was read, in one transaction.
class TRightsTree
{
public:
    enum class State
    {
        Allowed,
        Denied,
        Mixed
    };
    struct Node
    {
        int id = 0;
        int parent = -1;
        QString description;
        bool allowed = false;
        bool stored = false; // as read from the database
        QList<int> children;
    };

    void load(Data::Database& db, int userId);
    int userId() const { return m_userId; }
    const QList<int>& roots() const { return m_roots; }
    const Node& node(int id) const { return m_nodes.find(id).value(); }
    bool contains(int id) const { return m_nodes.contains(id); }
    // A leaf's own state; a group's from all its descendants.
    State state(int id) const;
    void setAllowed(int id, bool allowed);
    // Nodes whose state differs from the database's.
    QList<int> changed() const;
    bool isModified() const { return !changed().isEmpty(); }
    // Returns the number of rows written.
    int save(Data::Database& db);

private:
    void loadChildren(Data::Database& db, int parent, QList<int>& into, int depth);
    void collect(int id, QList<int>& into) const;

    int m_userId = 0;
    QList<int> m_roots;
    QHash<int, Node> m_nodes;
};

} // namespace Tarvo::Security
