#pragma once

#include <QHash>
#include <QString>
#include <QVariantMap>
#include <QVector>
#include <functional>

namespace Tarvo::Data {

class Database;

// What a server procedure hands back: output parameters and, when it selects, rows.
struct ProcedureResult
{
    QVariantMap outputs;
    QStringList columns;
    QVector<QVariantList> rows;
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
