#pragma once

namespace Tarvo::Data {

class Database;

// The table statistics both engines plan from. After a bulk fill they still describe empty tables:
// PostgreSQL gathers them only when its autovacuum comes round, SQLite never by itself, and the
// register's first rows take four times as long until then.
class PlannerStatistics
{
public:
    // Gathers them for every table (ANALYZE, the same statement on both engines); outside the
    // fill's transaction, after its commit.
    static void refresh(Database& db);
};

} // namespace Tarvo::Data
