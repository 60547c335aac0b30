#include "data/directresult.h"

#include "data/database.h"
#include "data/query.h"

namespace Tarvo::Data {

std::unique_ptr<DirectResult> DirectResult::run(Query& query)
{
    switch (query.database().engine()) {
    case Engine::SQLite:
        return runSqliteResult(query);
    case Engine::PostgreSQL:
        return runPostgresResult(query);
    }
    return nullptr;
}

} // namespace Tarvo::Data
