#pragma once

#include "data/engine/dialect.h"

struct pg_result;

namespace Tarvo::Data {

class PostgresDialect final : public Dialect
{
public:
    Engine engine() const override { return Engine::PostgreSQL; }
    QString driverName() const override { return QStringLiteral("QPSQL"); }
    QString currentTime() const override { return QStringLiteral("localtimestamp(3)"); }
    QString objectExistsQuery() const override;
    QString likeOperator() const override { return QStringLiteral("ilike"); }
    QString beginTransaction() const override { return QStringLiteral("BEGIN"); }
    // numeric is exact already; rounding keeps products of amounts to the same 4 decimals as SQLite.
    QString roundedAmount(const QString& expression) const override
    {
        return QStringLiteral("round(cast(%1 as numeric), 4)").arg(expression);
    }
    QStringList createTable(const Table& table) const override;
    QString columnType(const Column& column) const override;
    QStringList resetIdentity(const QString& table, const QString& column) const override;
    void loadCatalog(QSqlDatabase& db, ConstraintCatalog& catalog) const override;
    QList<ProviderError> mapError(const EngineFailure& failure, const ConstraintCatalog& catalog,
                                  const QString& databaseName) const override;
    // Sessions of every client lock the same number while they change the schema.
    QString lockSchema() const override { return QStringLiteral("select pg_advisory_lock(58201716)"); }
    QString unlockSchema() const override { return QStringLiteral("select pg_advisory_unlock(58201716)"); }
    // The pair form's key space is apart from the schema lock's single number.
    QString lockName() const override { return QStringLiteral("select pg_advisory_xact_lock(58201717, hashtext(?))"); }
    QString lockRowsClause() const override { return QStringLiteral(" for update"); }
    QString snapshotReads() const override
    {
        return QStringLiteral("set transaction isolation level repeatable read");
    }
    // The code, the primary message and the names the server sent with a failed result.
    static EngineFailure failureOf(const pg_result* result, const QString& fallbackMessage);

protected:
    QString defaultNow() const override { return QStringLiteral("localtimestamp(3)"); }
};

} // namespace Tarvo::Data
