#include "data/engine/dialect.h"

#include "data/engine/postgresdialect.h"
#include "data/engine/sqlitedialect.h"

#include <QRegularExpression>

namespace Tarvo::Data {

std::unique_ptr<Dialect> Dialect::create(Engine engine)
{
    if (engine == Engine::PostgreSQL)
        return std::make_unique<PostgresDialect>();
    return std::make_unique<SqliteDialect>();
}

QString Dialect::columnDefinition(const Column& c) const
{
    QString def = c.name + QLatin1Char(' ') + columnType(c);
    if (c.notNull)
        def += QStringLiteral(" NOT NULL");
    if (c.defaultNow)
        def += QStringLiteral(" DEFAULT ") + defaultNow();
    else if (!c.defaultValue.isEmpty())
        def += QStringLiteral(" DEFAULT ") + c.defaultValue;
    return def;
}

QString Dialect::foreignKeyClause(const ForeignKey& fk) const
{
    QString action;
    if (fk.onDelete == RefAction::Cascade)
        action = QStringLiteral(" ON DELETE CASCADE");
    else if (fk.onDelete == RefAction::SetNull)
        action = QStringLiteral(" ON DELETE SET NULL");
    return QStringLiteral("CONSTRAINT %1 FOREIGN KEY (%2) REFERENCES %3 (%4)%5")
        .arg(quoted(fk.name), fk.columns.join(QStringLiteral(", ")), fk.refTable,
             fk.refColumns.join(QStringLiteral(", ")), action);
}

QStringList Dialect::createTableWith(const Table& table, QStringList defs, bool keyInline) const
{
    if (!keyInline && !table.primaryKeyColumns().isEmpty())
        defs << QStringLiteral("CONSTRAINT %1 PRIMARY KEY (%2)")
                    .arg(quoted(table.primaryKeyName()), table.primaryKeyColumns().join(QStringLiteral(", ")));
    for (const ForeignKey& fk : table.foreignKeys())
        defs << foreignKeyClause(fk);
    QStringList out{QStringLiteral("CREATE TABLE %1 (%2)").arg(table.name(), defs.join(QStringLiteral(", ")))};
    for (const Index& ix : table.indexes())
        out << createIndex(table.name(), ix);
    return out;
}

QString Dialect::createTempTable(const Table& table) const
{
    QStringList cols;
    for (const Column& c : table.columns())
        cols << columnDefinition(c);
    return QStringLiteral("CREATE TEMPORARY TABLE %1 (%2)").arg(table.name(), cols.join(QStringLiteral(", ")));
}

QStringList Dialect::addColumn(const QString& table, const Column& column) const
{
    return {QStringLiteral("ALTER TABLE %1 ADD COLUMN %2").arg(table, columnDefinition(column))};
}

QStringList Dialect::addForeignKey(const QString& table, const ForeignKey& fk) const
{
    return {QStringLiteral("ALTER TABLE %1 ADD %2").arg(table, foreignKeyClause(fk))};
}

QString Dialect::createIndex(const QString& table, const Index& index) const
{
    return QStringLiteral("CREATE %1INDEX %2 ON %3 (%4)")
        .arg(index.unique ? QStringLiteral("UNIQUE ") : QString(), quoted(index.name), table,
             index.columns.join(QStringLiteral(", ")));
}

QString Dialect::statementVerb(const QString& sql)
{
    static const QRegularExpression re(QStringLiteral("^\\s*(\\w+)"));
    return re.match(sql).captured(1).toUpper();
}

QString Dialect::statementTable(const QString& sql)
{
    static const QRegularExpression re(
        QStringLiteral("^\\s*(?:insert\\s+into|update|delete\\s+from|copy)\\s+\"?([\\w.]+)"),
        QRegularExpression::CaseInsensitiveOption);
    return re.match(sql).captured(1);
}

namespace ErrorText {

ProviderError primaryKey(const QString& constraint, const QString& table)
{
    return {NativeError::Constraint,
            QStringLiteral("Violation of PRIMARY KEY constraint '%1'. Cannot insert duplicate key in object '%2'.")
                .arg(constraint, table),
            constraint, table, {}};
}

ProviderError uniqueConstraint(const QString& constraint, const QString& table)
{
    return {NativeError::Constraint,
            QStringLiteral("Violation of UNIQUE KEY constraint '%1'. Cannot insert duplicate key in object '%2'.")
                .arg(constraint, table),
            constraint, table, {}};
}

ProviderError uniqueIndex(const QString& table, const QString& index)
{
    return {NativeError::UniqueIndex,
            QStringLiteral("Cannot insert duplicate key row in object '%1' with unique index '%2'.").arg(table, index),
            index, table, {}};
}

ProviderError foreignKey(bool deleting, const QString& statement, const QString& constraint, const QString& database,
                         const QString& table, const QString& column)
{
    const QString phrase = deleting ? QStringLiteral("COLUMN REFERENCE") : QStringLiteral("COLUMN FOREIGN KEY");
    return {NativeError::Reference,
            QStringLiteral("%1 statement conflicted with %2 constraint '%3'. The conflict occurred in database '%4', "
                           "table '%5', column '%6'.")
                .arg(statement, phrase, constraint, database, table, column),
            constraint, table, column};
}

ProviderError notNull(const QString& column, const QString& table)
{
    return {NativeError::NotNull,
            QStringLiteral("Cannot insert the value NULL into column '%1', table '%2'; column does not allow nulls. "
                           "INSERT fails.")
                .arg(column, table),
            {}, table, column};
}

ProviderError truncation(const QString& table, const QString& column, int size)
{
    const QString where = column.isEmpty() ? QStringLiteral("таблицы '%1'").arg(table)
                                           : QStringLiteral("'%1' таблицы '%2'").arg(column, table);
    return {NativeError::Truncation,
            QStringLiteral("Строка не помещается в поле %1: допускается не более %2 символов.").arg(where).arg(size),
            {}, table, column, {}};
}

ProviderError situation(int nativeError, const QString& code, const QString& engineText)
{
    return {nativeError, engineText.trimmed(), {}, {}, {}, code};
}

ProviderError unmapped(const QString& code, const QString& engineText)
{
    return {NativeError::Unmapped, engineText.trimmed(), {}, {}, {}, code};
}

QString situationText(int nativeError, int commandTimeout, bool inTransaction)
{
    switch (nativeError) {
    case NativeError::LockTimeout:
        return QStringLiteral("База данных занята другим пользователем: его изменения не завершены, "
                              "ожидание (%1 с) истекло. Повторите действие немного позже.")
            .arg(commandTimeout);
    case NativeError::Deadlock:
        return QStringLiteral("База данных занята другим пользователем: ваши изменения и изменения другого "
                              "пользователя заблокировали друг друга. Повторите действие.");
    case NativeError::QueryTimeout:
        return QStringLiteral("Запрос не выполнен за отведённое время (COMMAND TIMEOUT = %1 с).").arg(commandTimeout);
    case NativeError::ConnectionLost:
        return inTransaction ? QStringLiteral("Соединение с сервером базы данных потеряно. Изменения не сохранены.")
                             : QStringLiteral("Соединение с сервером базы данных потеряно.");
    default:
        return {};
    }
}

} // namespace ErrorText

} // namespace Tarvo::Data
