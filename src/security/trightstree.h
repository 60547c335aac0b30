#pragma once

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>

namespace Tarvo::Data {
class Database;
}

namespace Tarvo::Security {

// The program's rights (sc_id >= 100000) as a tree, with what one user holds. Allowing or denying a
// node does the same to its descendants. Saving re-reads what the user holds inside its transaction
// and writes, for the nodes the administrator set, the difference between the wanted state and the
// stored one; the nodes left alone then show what is stored (another administrator's changes).
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
        bool allowed = false; // shown and wanted
        bool stored = false;  // as last read from the database
        QList<int> children;
    };

    // Replaces the whole tree, or leaves it as it was when reading fails.
    void load(Data::Database& db, int userId);
    int userId() const { return m_userId; }
    const QList<int>& roots() const { return m_roots; }
    const Node& node(int id) const { return m_nodes.find(id).value(); }
    bool contains(int id) const { return m_nodes.contains(id); }
    // A leaf's own state; a group's from all its descendants.
    State state(int id) const;
    void setAllowed(int id, bool allowed);
    // Nodes the administrator set whose state differs from what was last read.
    QList<int> changed() const;
    bool isModified() const { return !m_set.isEmpty(); }
    // Returns the number of rows written. Throws EUserDeleted (nothing written, the tree kept) when
    // the user no longer exists.
    int save(Data::Database& db);

private:
    void loadChildren(Data::Database& db, int parent, QList<int>& into, int depth);
    void collect(int id, QList<int>& into) const;
    QList<int> inOrder() const;

    int m_userId = 0;
    QList<int> m_roots;
    QHash<int, Node> m_nodes;
    QSet<int> m_set; // set by the administrator since the last load or save
};

} // namespace Tarvo::Security
