#pragma once

#include "data/engine/connectionsettings.h"
#include "data/engine/databaseerror.h"
#include "data/engine/schema.h"

#include <QSqlError>
#include <QStringList>
#include <memory>

class QSqlDatabase;

namespace Tarvo::Data {

class ConstraintCatalog;

// What really differs between the engines; every other statement is written once.
class Dialect
{
public:
    virtual ~Dialect() = default;
    static std::unique_ptr<Dialect> create(Engine engine);

    virtual Engine engine() const = 0;
    virtual QString driverName() const = 0;

    // An expression giving the server's current local date and time.
    virtual QString currentTime() const = 0;
    // A query with one "?" (the object's name) that returns a row when a table or view exists.
    virtual QString objectExistsQuery() const = 0;
    // The case-insensitive LIKE operator ("like" with our Unicode folding on SQLite, "ilike" on PostgreSQL).
    virtual QString likeOperator() const = 0;
    virtual QString beginTransaction() const = 0;
    // An amount expression rounded to the 4 decimals of money, for every place where amounts are
    // summed and compared: SQLite's sums of decimals are binary floating point (0.1 + 0.2 <> 0.3),
    // so both engines compare the rounded value and give the same answer.
    virtual QString roundedAmount(const QString& expression) const = 0;
    // "create temporary table NAME (columns)".
    QString createTempTable(const Table& table) const;

    // DDL for a new table with its keys and indexes.
    virtual QStringList createTable(const Table& table) const = 0;
    virtual QStringList addColumn(const QString& table, const Column& column) const;
    // A reference added to an existing table; existing rows must already satisfy it.
    // `checkExisting` false: rows already stored are left unchecked, every later write is checked.
    virtual QStringList addForeignKey(const QString& table, const ForeignKey& fk, bool checkExisting = true) const;
    QString createIndex(const QString& table, const Index& index) const;
    virtual QString columnType(const Column& column) const = 0;
    // Statements that bring a table's key generator past explicitly inserted keys.
    virtual QStringList resetIdentity(const QString& table, const QString& column) const = 0;

    // Reads keys and unique indexes of the current schema.
    virtual void loadCatalog(QSqlDatabase& db, ConstraintCatalog& catalog) const = 0;
    // Turns an engine error into the connection's error list.
    virtual QList<ProviderError> mapError(const EngineFailure& failure, const ConstraintCatalog& catalog,
                                          const QString& databaseName) const = 0;
    // Statements that serialise schema changes between clients; empty where the immediate
    // transaction that runs them already does.
    virtual QString lockSchema() const { return {}; }
    virtual QString unlockSchema() const { return {}; }
    // A statement with one "?" (a name) after which other transactions taking the same name wait
    // until this one ends; empty where a write transaction already excludes every other writer.
    virtual QString lockName() const { return {}; }
    // Appended to a plain single-table SELECT: its rows stay locked until the transaction ends, and
    // a row another transaction is changing is read once that one has ended. Empty where a write
    // transaction already excludes every other writer.
    virtual QString lockRowsClause() const { return {}; }
    // The first statement of a transaction whose reads must all see one snapshot; empty where
    // a transaction's reads already do.
    virtual QString snapshotReads() const { return {}; }
    // The first word of a statement ("INSERT", "UPDATE", ...) and the table it writes, if any.
    static QString statementVerb(const QString& sql);
    static QString statementTable(const QString& sql);

    static QString quoted(const QString& identifier) { return QLatin1Char('"') + identifier + QLatin1Char('"'); }

protected:
    QString columnDefinition(const Column& column) const;
    QString foreignKeyClause(const ForeignKey& fk) const;
    // CREATE TABLE from the engine's column definitions, with the primary key (unless a column
    // definition holds it already) and the foreign keys, then the table's indexes.
    QStringList createTableWith(const Table& table, QStringList definitions, bool keyInline) const;
    virtual QString defaultNow() const = 0;
};

// Messages in the wording the error classifier reads: names in single quotes.
namespace ErrorText {
ProviderError primaryKey(const QString& constraint, const QString& table);
ProviderError uniqueConstraint(const QString& constraint, const QString& table);
ProviderError uniqueIndex(const QString& table, const QString& index);
ProviderError foreignKey(bool deleting, const QString& statement, const QString& constraint,
                         const QString& database, const QString& table, const QString& column);
ProviderError notNull(const QString& column, const QString& table);
// `column` may be empty when the engine does not say which one.
ProviderError truncation(const QString& table, const QString& column, int size);
ProviderError situation(int nativeError, const QString& code, const QString& engineText);
ProviderError unmapped(const QString& code, const QString& engineText);
} // namespace ErrorText

// The Russian text of the errors that describe a situation rather than a refusal (a busy
// database, an expired timeout, a lost connection); empty for the others.
namespace ErrorText {
QString situationText(int nativeError, int commandTimeout, bool inTransaction);
// What a user reads of a mapped error: a Russian sentence with the names involved, never the
// classifier's wording or an engine's marker. `columns` are the key's or index's columns when
// known. The database's own refusals keep their text; other engine errors are introduced by
// their code.
QString userText(const ProviderError& error, const QStringList& columns = {});
} // namespace ErrorText

} // namespace Tarvo::Data
