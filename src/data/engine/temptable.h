#pragma once

#include <QString>

namespace Tarvo::Data {

class Database;
class Table;

// A connection's scratch table for staging rows of one write; a leftover of the same name from an
// earlier failed write on this connection is dropped first.
void createTempTable(Database& db, const Table& table);
void dropTempTable(Database& db, const QString& name);

} // namespace Tarvo::Data
