#pragma once

#include <QString>

namespace Tarvo::Data {
class Database;
}

namespace Tarvo::Catalog {

// The urgency types of documents (`SCM_Library_Urgency`): saving with the priority
// renumbering, and deleting only what no document uses.
class UrgencyBook
{
public:
    explicit UrgencyBook(Data::Database& db) : m_db(db) {}

    // id 0 creates. Validates (name, priority digits, unique name), renumbers and writes in one
    // transaction; returns the type's id. Throws Tarvo::Exception with the card's message.
    qint64 save(qint64 id, const QString& name, const QString& priorityText) const;

    enum class Use
    {
        None,
        Requests,
        SupplierOrders,
    };
    Use use(qint64 id) const;
    // Throws the refusal message when a document uses the type.
    void remove(qint64 id) const;

    static QString deleteQuestion(const QString& name);
    static const QString SettingsKey;

private:
    Data::Database& m_db;
};

} // namespace Tarvo::Catalog
