#include "data/engine/sqlitedialect.h"

#include "data/engine/constraintcatalog.h"
#include "core/exception.h"

#include <QRegularExpression>
#include <QSqlDatabase>
#include <QSqlQuery>

namespace Tarvo::Data {

namespace {

// SQLite extended result codes.
constexpr int Busy = 5;
// Primary result codes: their extended forms carry them in the low byte.
constexpr int ReadOnly = 8;
constexpr int IoError = 10;
constexpr int Corrupt = 11;
constexpr int Full = 13;
constexpr int NotADatabase = 26;
constexpr int Locked = 6;
constexpr int BusyRecovery = 261;
constexpr int LockedSharedCache = 262;
constexpr int ConstraintCheck = 275;
constexpr int BusySnapshot = 517;
constexpr int ConstraintForeignKey = 787;
constexpr int ConstraintNotNull = 1299;
constexpr int ConstraintPrimaryKey = 1555;
constexpr int ConstraintTrigger = 1811;
constexpr int ConstraintUnique = 2067;

const QString FkTag = QStringLiteral("tarvo-fk|");
const QString LengthTag = QStringLiteral("tarvo-len|");

// SQLite ignores the declared length of text; this check refuses what the server would, and
// its name says where.
QString lengthCheck(const QString& table, const Column& c)
{
    if (c.type != ColumnType::String && c.type != ColumnType::FixedString)
        return {};
    return QStringLiteral(" CONSTRAINT \"%1%2|%3|%4\" CHECK (length(%3) <= %4)")
        .arg(LengthTag, table, c.name)
        .arg(c.size);
}

QString conditionJoin(const QStringList& left, const QString& leftPrefix, const QStringList& right,
                      const QString& rightPrefix)
{
    QStringList parts;
    for (int i = 0; i < left.size(); ++i)
        parts << leftPrefix + left[i] + QStringLiteral(" = ") + rightPrefix + right[i];
    return parts.join(QStringLiteral(" AND "));
}

} // namespace

QString SqliteDialect::currentTime() const
{
    return QStringLiteral("strftime('%Y-%m-%d %H:%M:%f', 'now', 'localtime')");
}

QString SqliteDialect::defaultNow() const
{
    return QLatin1Char('(') + currentTime() + QLatin1Char(')');
}

QString SqliteDialect::objectExistsQuery() const
{
    return QStringLiteral("select name from sqlite_master where type in ('table', 'view') and lower(name) = lower(?) "
                          "union all select name from sqlite_temp_master where lower(name) = lower(?)");
}

QString SqliteDialect::columnType(const Column& c) const
{
    switch (c.type) {
    case ColumnType::Integer:
        return QStringLiteral("INTEGER");
    case ColumnType::BigInt:
        return QStringLiteral("BIGINT");
    case ColumnType::SmallInt:
        return QStringLiteral("SMALLINT");
    case ColumnType::Boolean:
        return QStringLiteral("BOOLEAN");
    case ColumnType::String:
        return QStringLiteral("VARCHAR(%1)").arg(c.size);
    case ColumnType::FixedString:
        return QStringLiteral("CHAR(%1)").arg(c.size);
    case ColumnType::Text:
        return QStringLiteral("TEXT");
    case ColumnType::Money:
        return QStringLiteral("NUMERIC(19,4)");
    case ColumnType::Decimal:
        return QStringLiteral("NUMERIC(%1,%2)").arg(c.size).arg(c.scale);
    case ColumnType::Float:
        return QStringLiteral("FLOAT");
    case ColumnType::DateTime:
        return QStringLiteral("DATETIME");
    case ColumnType::Bytes:
        return QStringLiteral("BLOB");
    }
    return QStringLiteral("TEXT");
}

QString SqliteDialect::foreignKeyRaise(const QString& statement, const ForeignKey& fk, const QString& table)
{
    const bool parentSide = statement == QLatin1String("DELETE") || statement.startsWith(QLatin1String("P"));
    const QString stmt = statement == QLatin1String("PUPDATE") ? QStringLiteral("UPDATE") : statement;
    const QString reportedTable = parentSide ? table : fk.refTable;
    const QString reportedColumn = parentSide ? fk.columns.first() : fk.refColumns.first();
    return FkTag + QStringList{stmt, parentSide ? QStringLiteral("R") : QStringLiteral("F"), fk.name,
                               reportedTable, reportedColumn}
                       .join(QLatin1Char('|'));
}

QStringList SqliteDialect::foreignKeyTriggers(const Table& table, const ForeignKey& fk) const
{
    // Native foreign keys report no names; these triggers refuse first and name the constraint.
    QStringList out;
    QStringList notNull;
    for (const QString& c : fk.columns)
        notNull << QStringLiteral("NEW.") + c + QStringLiteral(" IS NOT NULL");
    const QString missingParent = QStringLiteral("%1 AND NOT EXISTS (SELECT 1 FROM %2 WHERE %3)")
                                      .arg(notNull.join(QStringLiteral(" AND ")), fk.refTable,
                                           conditionJoin(fk.refColumns, QString(), fk.columns, QStringLiteral("NEW.")));
    const QString body = QStringLiteral(" BEGIN SELECT RAISE(ABORT, '%1'); END");
    out << QStringLiteral("CREATE TRIGGER \"fki_%1\" BEFORE INSERT ON %2 FOR EACH ROW WHEN %3")
                   .arg(fk.name, table.name(), missingParent) +
               body.arg(foreignKeyRaise(QStringLiteral("INSERT"), fk, table.name()));
    out << QStringLiteral("CREATE TRIGGER \"fku_%1\" BEFORE UPDATE OF %2 ON %3 FOR EACH ROW WHEN %4")
                   .arg(fk.name, fk.columns.join(QStringLiteral(", ")), table.name(), missingParent) +
               body.arg(foreignKeyRaise(QStringLiteral("UPDATE"), fk, table.name()));
    if (fk.onDelete == RefAction::NoAction) {
        const QString children = QStringLiteral("EXISTS (SELECT 1 FROM %1 WHERE %2)")
                                     .arg(table.name(), conditionJoin(fk.columns, QString(), fk.refColumns,
                                                                      QStringLiteral("OLD.")));
        out << QStringLiteral("CREATE TRIGGER \"fkd_%1\" BEFORE DELETE ON %2 FOR EACH ROW WHEN %3")
                       .arg(fk.name, fk.refTable, children) +
                   body.arg(foreignKeyRaise(QStringLiteral("DELETE"), fk, table.name()));
        QStringList changed;
        for (const QString& c : fk.refColumns)
            changed << QStringLiteral("OLD.%1 IS NOT NEW.%1").arg(c);
        out << QStringLiteral("CREATE TRIGGER \"fkp_%1\" BEFORE UPDATE OF %2 ON %3 FOR EACH ROW WHEN (%4) AND %5")
                       .arg(fk.name, fk.refColumns.join(QStringLiteral(", ")), fk.refTable,
                            changed.join(QStringLiteral(" OR ")), children) +
                   body.arg(foreignKeyRaise(QStringLiteral("PUPDATE"), fk, table.name()));
    }
    return out;
}

QStringList SqliteDialect::createTable(const Table& table) const
{
    QStringList defs;
    bool pkInline = false;
    for (const Column& c : table.columns()) {
        if (c.identity) {
            if (table.primaryKeyColumns() != QStringList{c.name})
                throw Exception(QStringLiteral("Таблица %1: счетчик %2 должен быть первичным ключом")
                                    .arg(table.name(), c.name));
            defs << QStringLiteral("%1 INTEGER NOT NULL CONSTRAINT %2 PRIMARY KEY AUTOINCREMENT")
                        .arg(c.name, quoted(table.primaryKeyName()));
            pkInline = true;
        } else {
            defs << columnDefinition(c) + lengthCheck(table.name(), c);
        }
    }
    QStringList out = createTableWith(table, defs, pkInline);
    for (const ForeignKey& fk : table.foreignKeys())
        out << foreignKeyTriggers(table, fk);
    return out;
}

QStringList SqliteDialect::addColumn(const QString& table, const Column& column) const
{
    return {QStringLiteral("ALTER TABLE %1 ADD COLUMN %2").arg(table, columnDefinition(column) + lengthCheck(table, column))};
}

QStringList SqliteDialect::addForeignKey(const QString& table, const ForeignKey& fk, bool) const
{
    // The triggers check writes only: stored rows stay as they are either way.
    return foreignKeyTriggers(Table(table), fk);
}

void SqliteDialect::loadCatalog(QSqlDatabase& db, ConstraintCatalog& catalog) const
{
    catalog.clear();
    static const QRegularExpression pkRe(QStringLiteral("CONSTRAINT\\s+\"?(\\w+)\"?\\s+PRIMARY\\s+KEY"),
                                         QRegularExpression::CaseInsensitiveOption);
    QSqlQuery tables(db);
    tables.setForwardOnly(true);
    if (!tables.exec(QStringLiteral("select name, sql from sqlite_master where type = 'table'")))
        return;
    QList<QPair<QString, QString>> list;
    while (tables.next())
        list.append({tables.value(0).toString(), tables.value(1).toString()});
    for (const auto& [table, sql] : list) {
        QSqlQuery q(db);
        q.setForwardOnly(true);
        QStringList pkCols;
        q.prepare(QStringLiteral("select name from pragma_table_info(?) where pk > 0 order by pk"));
        q.addBindValue(table);
        if (q.exec())
            while (q.next())
                pkCols << q.value(0).toString();
        auto m = pkRe.match(sql);
        if (!pkCols.isEmpty())
            catalog.add({m.hasMatch() ? m.captured(1) : QStringLiteral("PK_") + table,
                         ConstraintCatalog::Kind::PrimaryKey, table, pkCols, {}, {}});
        QSqlQuery ix(db);
        ix.setForwardOnly(true);
        ix.prepare(QStringLiteral("select l.name, l.origin, i.name from pragma_index_list(?) l "
                                  "join pragma_index_info(l.name) i where l.\"unique\" = 1 order by l.name, i.seqno"));
        ix.addBindValue(table);
        if (!ix.exec())
            continue;
        QMap<QString, ConstraintCatalog::Entry> indexes;
        while (ix.next()) {
            const QString name = ix.value(0).toString();
            const QString origin = ix.value(1).toString();
            if (origin == QLatin1String("pk"))
                continue;
            auto& e = indexes[name];
            e.name = name;
            e.table = table;
            e.kind = origin == QLatin1String("u") ? ConstraintCatalog::Kind::UniqueConstraint
                                                  : ConstraintCatalog::Kind::UniqueIndex;
            e.columns << ix.value(2).toString();
        }
        for (const auto& e : indexes)
            catalog.add(e);
    }
}

QList<ProviderError> SqliteDialect::mapError(const EngineFailure& f, const ConstraintCatalog& catalog,
                                             const QString& databaseName) const
{
    const int code = f.code.toInt();
    const QString& text = f.message;
    if (text.startsWith(FkTag)) {
        const QStringList p = text.mid(FkTag.size()).split(QLatin1Char('|'));
        if (p.size() >= 5)
            return {ErrorText::foreignKey(p[1] == QLatin1String("R"), p[0], p[2], databaseName, p[3], p[4])};
    }
    static const QRegularExpression lengthRe(QStringLiteral("tarvo-len\\|([^|]*)\\|([^|]*)\\|(\\d+)"));
    if (const auto m = lengthRe.match(text); code == ConstraintCheck && m.hasMatch())
        return {ErrorText::truncation(m.captured(1), m.captured(2), m.captured(3).toInt())};
    static const QRegularExpression failedRe(QStringLiteral("constraint failed: (.*)$"));
    auto parseColumns = [&](QString& table) {
        QStringList cols;
        auto m = failedRe.match(text);
        if (!m.hasMatch())
            return cols;
        for (const QString& part : m.captured(1).split(QLatin1Char(','))) {
            const QString p = part.trimmed();
            const int dot = p.indexOf(QLatin1Char('.'));
            table = p.left(dot);
            cols << p.mid(dot + 1);
        }
        return cols;
    };
    QString table;
    switch (code) {
    case ConstraintPrimaryKey: {
        parseColumns(table);
        const auto* pk = catalog.primaryKeyOf(table);
        return {ErrorText::primaryKey(pk ? pk->name : QString(), table)};
    }
    case ConstraintUnique: {
        const QStringList cols = parseColumns(table);
        const auto* e = catalog.findUnique(table, cols, false);
        if (!e && (e = catalog.findUnique(table, cols, true)))
            return {ErrorText::primaryKey(e->name, table)};
        if (e && e->kind == ConstraintCatalog::Kind::UniqueConstraint)
            return {ErrorText::uniqueConstraint(e->name, table)};
        return {ErrorText::uniqueIndex(table, e ? e->name : QString())};
    }
    case ConstraintNotNull: {
        const QStringList cols = parseColumns(table);
        return {ErrorText::notNull(cols.value(0), table)};
    }
    case ConstraintForeignKey:
        return {ErrorText::foreignKey(false, QStringLiteral("INSERT"), QString(), databaseName, QString(), QString())};
    case ConstraintTrigger: // RAISE of the database's own triggers
        return {ProviderError{NativeError::General, text, {}, {}, {}, f.code}};
    case Busy:
    case BusyRecovery:
    case BusySnapshot:
    case Locked:
    case LockedSharedCache:
        return {ErrorText::situation(NativeError::LockTimeout, f.code, text)};
    default:
        switch (code & 0xff) {
        case Full:
            return {ErrorText::situation(NativeError::StorageFull, f.code, text)};
        case IoError:
        case Corrupt:
        case NotADatabase:
            return {ErrorText::situation(NativeError::StorageFault, f.code, text)};
        case ReadOnly:
            return {ErrorText::situation(NativeError::ReadOnly, f.code, text)};
        default:
            break;
        }
        if (text.startsWith(QLatin1String("no such table")))
            return {ErrorText::situation(NativeError::InvalidObject, f.code, text)};
        return {ErrorText::unmapped(f.code, text)};
    }
}

} // namespace Tarvo::Data
