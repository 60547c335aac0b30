#pragma once

#include <QHash>
#include <QString>
#include <QVariantMap>
#include <QVector>
#include <functional>

namespace Tarvo::Data {

class Database;

// One result set of a procedure.
struct ProcedureRows
{
    QStringList columns;
    QVector<QVariantList> rows;
    // -1 when absent; case-insensitive.
    int column(const QString& name) const
    {
        for (int i = 0; i < columns.size(); ++i)
            if (columns.at(i).compare(name, Qt::CaseInsensitive) == 0)
                return i;
        return -1;
    }
};

// What a server procedure hands back: output parameters and, when it selects, rows. The first
// result set is `columns`/`rows`; a procedure with several adds the others to `further`.
struct ProcedureResult
{
    QVariantMap outputs;
    QStringList columns;
    QVector<QVariantList> rows;
    QList<ProcedureRows> further;

    int resultSetCount() const { return columns.isEmpty() && further.isEmpty() ? 0 : 1 + int(further.size()); }
    // The i-th result set, 0 being the first.
    ProcedureRows resultSet(int i) const { return i == 0 ? ProcedureRows{columns, rows} : further.value(i - 1); }
};

// The server procedures of the system, written as C++ steps that run on the
// caller's connection and inside the caller's transaction, the same on both engines.
class ProcedureRegistry
{
public:
    using Procedure = std::function<ProcedureResult(Database&, const QVariantMap&)>;

    static ProcedureRegistry& instance();
    void add(const QString& name, Procedure procedure);
    bool contains(const QString& name) const;
    // Throws Tarvo::Exception when no procedure has that name.
    ProcedureResult call(Database& db, const QString& name, const QVariantMap& params) const;

private:
    QHash<QString, Procedure> m_procedures; // lower-cased name
};

} // namespace Tarvo::Data
