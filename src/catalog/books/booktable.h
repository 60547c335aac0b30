#pragma once

#include "data/engine/databaseerror.h"

#include <QString>
#include <QStringList>
#include <functional>

namespace Tarvo::Data {
class Database;
class TUpdatedADODataSet;
} // namespace Tarvo::Data

namespace Tarvo::Catalog {

// The writes of a plain reference book edited in a grid: each post inserts or updates its
// row and each delete removes it, by the key's original values, every value bound.
class BookTable
{
public:
    // Turns a refused write into the book's own message (throw), or returns to let it pass on.
    using Refusal = std::function<void(const Data::DatabaseError& error, bool deleting)>;

    // The usual refusals: a delete the references forbid says `inUse`, an insert or update that
    // repeats a key says `duplicate`; an empty message lets that refusal pass on.
    static Refusal refusals(const QString& inUse, const QString& duplicate = {});

    // A row another workstation deleted meanwhile: its change or deletion is refused, never saved.
    static inline const QString RowGone =
        QStringLiteral("Запись удалена другим пользователем. Изменения не сохранены.");
    static inline const QString RowAlreadyGone =
        QStringLiteral("Запись уже удалена другим пользователем.");

    BookTable(QString table, QStringList keyColumns, QStringList columns);
    // A key the server assigns on insert (read back into the row).
    BookTable& identity(const QString& column);
    BookTable& onRefusal(Refusal refusal);
    // Runs before each delete in the delete's transaction (throw to refuse): a check of what
    // no reference guards sees the rows as the delete does.
    using DeleteCheck = std::function<void(Data::Database& db, const Data::TUpdatedADODataSet& row)>;
    BookTable& checkBeforeDelete(DeleteCheck check);

    // Installs the write handlers on the dataset (which must outlive nothing of this object:
    // the handlers keep their own copy).
    void attach(Data::TUpdatedADODataSet& dataSet, Data::Database& db) const;

    const QString& table() const { return m_table; }

private:
    void post(Data::TUpdatedADODataSet& ds, Data::Database& db) const;
    void remove(Data::TUpdatedADODataSet& ds, Data::Database& db) const;

    QString m_table;
    QStringList m_keys;
    QStringList m_columns;
    QString m_identity;
    Refusal m_refusal;
    DeleteCheck m_deleteCheck;
};

} // namespace Tarvo::Catalog
