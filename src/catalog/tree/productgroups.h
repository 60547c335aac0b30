#pragma once

#include <QList>
#include <QString>
#include <QVariant>
#include <optional>

namespace Tarvo::Data {
class Database;
}

namespace Tarvo::Catalog {

// The statements of the product-group tree. The ancestor table crm_groupsrel is kept by the
// database itself; nothing here writes it. Refusals come back as the tree's own messages.
class ProductGroups
{
public:
    struct Group
    {
        qint64 id = 0;
        QString name;
        bool hasChildren = false;
    };

    explicit ProductGroups(Data::Database& db) : m_db(db) {}

    // Children of a group (nullopt: the top-level groups), by name, with their has-children flag.
    QList<Group> children(std::optional<qint64> parent) const;
    bool hasChildren(qint64 group) const;
    qint64 create(const QString& name, std::optional<qint64> parent) const;
    void rename(qint64 group, const QString& name) const;
    // nullopt moves to the top level.
    void move(qint64 group, std::optional<qint64> newParent) const;
    // Deletes a group without subgroups or products.
    void remove(qint64 group) const;
    // Deletes the group with its subtree and their products (scm_delete_GroupTree).
    void removeTree(qint64 group) const;
    // nullopt: the products get no group.
    void moveProducts(const QList<qint64>& products, std::optional<qint64> group) const;

    static const QString MoveRefused;
    static const QString HasSubgroups;
    static const QString HasProducts;
    static const QString ProductsInDocuments;

private:
    Data::Database& m_db;
};

} // namespace Tarvo::Catalog
