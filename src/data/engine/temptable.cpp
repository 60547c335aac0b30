#include "data/engine/temptable.h"

#include "data/engine/database.h"
#include "data/engine/dialect.h"
#include "data/engine/schema.h"

namespace Tarvo::Data {

void createTempTable(Database& db, const Table& table)
{
    dropTempTable(db, table.name());
    db.exec(db.dialect().createTempTable(table));
}

void dropTempTable(Database& db, const QString& name)
{
    db.exec(QStringLiteral("drop table if exists %1").arg(name));
}

} // namespace Tarvo::Data
