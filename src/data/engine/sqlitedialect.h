#pragma once

#include "data/engine/dialect.h"

namespace Tarvo::Data {

class SqliteDialect final : public Dialect
{
public:
    Engine engine() const override { return Engine::SQLite; }
    QString driverName() const override { return QStringLiteral("QSQLITE"); }
    QString currentTime() const override;
    QString objectExistsQuery() const override;
    QString likeOperator() const override { return QStringLiteral("like"); }
    QString beginTransaction() const override { return QStringLiteral("BEGIN IMMEDIATE"); }
    QString roundedAmount(const QString& expression) const override
    {
        return QStringLiteral("round(%1, 4)").arg(expression);
    }
    QStringList createTable(const Table& table) const override;
    QString columnType(const Column& column) const override;
    QStringList resetIdentity(const QString&, const QString&) const override { return {}; }
    void loadCatalog(QSqlDatabase& db, ConstraintCatalog& catalog) const override;
    QStringList addColumn(const QString& table, const Column& column) const override;
    // SQLite cannot add a constraint to a table: the reference triggers alone enforce it.
    QStringList addForeignKey(const QString& table, const ForeignKey& fk) const override;
    QList<ProviderError> mapError(const EngineFailure& failure, const ConstraintCatalog& catalog,
                                  const QString& databaseName) const override;

    // The text our reference triggers raise; mapError reads it back.
    static QString foreignKeyRaise(const QString& statement, const ForeignKey& fk, const QString& table);

protected:
    QString defaultNow() const override;

private:
    QStringList foreignKeyTriggers(const Table& table, const ForeignKey& fk) const;
};

} // namespace Tarvo::Data
