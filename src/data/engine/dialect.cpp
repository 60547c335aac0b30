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

QStringList Dialect::addForeignKey(const QString& table, const ForeignKey& fk, bool checkExisting) const
{
    return {QStringLiteral("ALTER TABLE %1 ADD %2%3")
                .arg(table, foreignKeyClause(fk), checkExisting ? QString() : QStringLiteral(" NOT VALID"))};
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
    case NativeError::StorageFull:
        return QStringLiteral("На диске не осталось места для базы данных, изменения не сохранены. Освободите "
                              "место на диске (для сервера — сообщите администратору) и повторите действие.");
    case NativeError::StorageFault:
        return QStringLiteral("Файлы базы данных не удалось прочитать или записать, или они повреждены; "
                              "изменения не сохранены. Проверьте диск или сообщите администратору.");
    case NativeError::ReadOnly:
        return QStringLiteral("База данных открыта только для чтения: изменения не сохранены. Проверьте права "
                              "на файл базы данных или сообщите администратору.");
    default:
        return {};
    }
}

QString userText(const ProviderError& e, const QStringList& columns)
{
    const auto quoted = [](const QStringList& names) {
        QStringList q;
        for (const QString& n : names)
            if (!n.isEmpty())
                q << QStringLiteral("«%1»").arg(n);
        return q.join(QStringLiteral(", "));
    };
    const QStringList keyColumns = columns.isEmpty() && !e.column.isEmpty() ? QStringList{e.column} : columns;
    const QString table = e.table.isEmpty() ? QString() : QStringLiteral(" таблицы «%1»").arg(e.table);
    switch (e.nativeError) {
    case NativeError::Constraint:
    case NativeError::UniqueIndex: {
        const bool primary = e.message.contains(QLatin1String("PRIMARY KEY"));
        QString text = QStringLiteral("Запись не сохранена: такая запись%1 уже есть").arg(table);
        if (!keyColumns.isEmpty())
            text += (keyColumns.size() == 1 ? QStringLiteral(" (то же значение поля %1)")
                                            : QStringLiteral(" (те же значения полей %1)"))
                        .arg(quoted(keyColumns));
        else if (!e.constraint.isEmpty())
            text += (primary ? QStringLiteral(" (тот же ключ «%1»)") : QStringLiteral(" (индекс «%1»)"))
                        .arg(e.constraint);
        return text + QLatin1Char('.');
    }
    case NativeError::Reference: {
        const QString verb = Dialect::statementVerb(e.message);
        const QString field = e.column.isEmpty() ? QString() : QStringLiteral(", поле «%1»").arg(e.column);
        const QString names = e.table.isEmpty() ? QString() : QStringLiteral(" (таблица «%1»%2)").arg(e.table, field);
        // The refused side: the message names the referencing rows left behind (a delete, or a
        // change of the key they refer to), or the missing row referred to.
        if (e.message.contains(QLatin1String("COLUMN REFERENCE")) ||
            e.message.contains(QLatin1String("TABLE REFERENCE"))) {
            return (verb == QLatin1String("UPDATE")
                        ? QStringLiteral("Запись не изменена: на её ключ ссылаются другие данные%1.")
                        : QStringLiteral("Запись не удалена: на неё ссылаются другие данные%1."))
                .arg(names);
        }
        return QStringLiteral("Запись не сохранена: она ссылается на данные, которых нет%1.").arg(names);
    }
    case NativeError::NotNull:
        return QStringLiteral("Запись не сохранена: не заполнено обязательное поле%1%2.")
            .arg(e.column.isEmpty() ? QString() : QStringLiteral(" «%1»").arg(e.column), table);
    case NativeError::InvalidObject: {
        // The name from the engine's text: "no such table: x" (SQLite), the quoted name (PostgreSQL).
        static const QRegularExpression nameRe(QStringLiteral("no such table: ([\\w.]+)|\"([^\"]+)\"|«([^»]+)»"));
        const auto m = nameRe.match(e.message);
        const QString name = m.hasMatch() ? m.captured(1) + m.captured(2) + m.captured(3) : QString();
        return QStringLiteral("В базе данных нет таблицы или представления%1, к которым обращается программа. "
                              "Обновите базу данных (tarvo-admin init) или сообщите администратору.")
            .arg(name.isEmpty() ? QString() : QStringLiteral(" «%1»").arg(name));
    }
    case NativeError::Truncation: {
        static const QRegularExpression quotedName(QStringLiteral("'([^']*)'"));
        return QString(e.message).replace(quotedName, QStringLiteral("«\\1»"));
    }
    case NativeError::General:
    // Situations carry their Russian text once the connection has raised them.
    case NativeError::LockTimeout:
    case NativeError::Deadlock:
    case NativeError::QueryTimeout:
    case NativeError::ConnectionLost:
    case NativeError::StorageFull:
    case NativeError::StorageFault:
    case NativeError::ReadOnly:
        return e.message;
    default:
        break;
    }
    const QString code = e.engineCode.isEmpty() ? QStringLiteral("неизвестен") : e.engineCode;
    return e.message.isEmpty() ? QStringLiteral("Ошибка базы данных без описания (код %1)").arg(code)
                               : QStringLiteral("Ошибка базы данных (код %1): %2").arg(code, e.message);
}

} // namespace ErrorText

} // namespace Tarvo::Data
