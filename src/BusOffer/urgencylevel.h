#pragma once

#include <QList>
#include <QString>
#include <QVariant>

namespace Tarvo::Data {
class Database;
}

namespace Tarvo::BusOffer {

// Sets the urgency of one document. Only the document tables that carry an urgency may be named,
// each with its own key column; the statement is built from this fixed list and every value is
// bound, so no text from outside ever reaches the SQL.
class UrgencyLevel
{
public:
    struct Document
    {
        QString table;
        QString keyColumn;
    };
    // One entry of the choice: a null id is "no urgency".
    struct Choice
    {
        QString name;
        QVariant id;
    };

    // Throws Tarvo::Exception when the table and key column are not a document's.
    UrgencyLevel(Data::Database& db, const QString& table, const QString& keyColumn);

    static const QList<Document>& documents();
    static const QString NoUrgency;

    const Document& document() const { return m_document; }
    // "No urgency" first, then the urgency types by name.
    QList<Choice> choices() const;
    // Whether two urgency values (ids or nulls) are the same.
    static bool same(const QVariant& a, const QVariant& b);
    // Writes the urgency of the document (null clears it). Throws Tarvo::Exception with the user's
    // message when the document or the urgency type is gone.
    void set(qint64 key, const QVariant& urgency) const;

private:
    Data::Database& m_db;
    Document m_document;
};

} // namespace Tarvo::BusOffer
