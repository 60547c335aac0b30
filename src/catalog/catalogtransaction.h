#pragma once

#include "data/engine/database.h"

#include <optional>

namespace Tarvo::Catalog {

// One unit of work of the books: its own transaction, or a savepoint when the caller
// already holds the connection's transaction. Rolled back unless committed.
class CatalogTransaction
{
public:
    explicit CatalogTransaction(Data::Database& db)
    {
        if (db.inTransaction())
            m_savepoint.emplace(db);
        else
            m_transaction.emplace(db);
    }
    void commit()
    {
        if (m_savepoint)
            m_savepoint->release();
        else
            m_transaction->commit();
    }

private:
    std::optional<Data::Transaction> m_transaction;
    std::optional<Data::Savepoint> m_savepoint;
};

} // namespace Tarvo::Catalog
