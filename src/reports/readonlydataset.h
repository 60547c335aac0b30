#pragma once

#include <QString>
#include <QVariantMap>

#include <memory>

namespace Tarvo::Data {
class Database;
class TRowSet;
} // namespace Tarvo::Data

namespace Tarvo::Reports {

// A template's SELECT read into a row set, its :NAME parameters bound from the report's
// variables. The statement runs read-only (SQLite: the engine's own verdict on the prepared
// statement; PostgreSQL: a read-only transaction), so a template can never change data.
class ReadOnlyDataset
{
public:
    static std::unique_ptr<Data::TRowSet> load(Data::Database& db, const QString& name, const QString& sql,
                                               const QVariantMap& variables);
};

} // namespace Tarvo::Reports
