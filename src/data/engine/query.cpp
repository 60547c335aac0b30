#include "data/engine/query.h"

#include "data/engine/database.h"
#include "data/engine/isodatetime.h"
#include "data/engine/sqlitestatement.h"

#include <QSqlDriver>
#include <QSqlField>
#include <QSqlResult>
#include <cstdio>
#include <sqlite3.h>

namespace Tarvo::Data {

Query::ColumnKind Query::kindOfDeclaredType(const QString& declared)
{
    const QString decl = declared.toUpper();
    if (decl.startsWith(QLatin1String("NUMERIC")) || decl.startsWith(QLatin1String("DECIMAL")) ||
        decl == QLatin1String("MONEY"))
        return Query::ColumnKind::Money;
    if (decl.startsWith(QLatin1String("DATETIME")) || decl == QLatin1String("DATE") ||
        decl.startsWith(QLatin1String("TIMESTAMP")))
        return Query::ColumnKind::DateTime;
    if (decl == QLatin1String("BOOLEAN") || decl == QLatin1String("BOOL") || decl == QLatin1String("BIT"))
        return Query::ColumnKind::Boolean;
    return Query::ColumnKind::Plain;
}

Query::Query(Database& db, const QString& sql) : m_db(db), m_sql(sql), m_query(db.sql()), m_generation(db.generation())
{
    m_prepared = toPositional(sql, &m_markers);
    int positional = 0;
    for (const QString& m : m_markers) {
        if (m.isEmpty()) {
            ++positional;
        } else if (!hasParameter(m)) {
            Param p;
            p.name = m;
            m_named.append(p);
        }
    }
    m_positional.resize(positional);
    m_query.setForwardOnly(true);
    m_query.setNumericalPrecisionPolicy(QSql::HighPrecision);
}

Query::~Query()
{
    if (m_direct)
        sqlite3_finalize(m_direct);
}

void Query::finish()
{
    if (m_direct) {
        sqlite3_reset(m_direct);
        m_directActive = false;
    }
    m_query.finish();
}

void Query::execDirect()
{
    sqlite3* handle = m_db.sqliteHandle();
    if (!handle)
        throw Exception(QStringLiteral("Нет соединения с базой данных"));
    auto fail = [&] {
        if (m_direct)
            sqlite3_reset(m_direct);
        m_directActive = false;
        raiseSqliteError(m_db, handle, m_sql);
    };
    if (!m_direct) {
        const QByteArray text = m_prepared.toUtf8();
        if (sqlite3_prepare_v2(handle, text.constData(), int(text.size()), &m_direct, nullptr) != SQLITE_OK)
            fail();
    }
    sqlite3_reset(m_direct);
    const QVariantList values = boundValues();
    for (int i = 0; i < values.size(); ++i)
        bindSqliteValue(m_direct, i + 1, values[i]);
    const int rc = sqlite3_step(m_direct);
    if (rc != SQLITE_DONE && rc != SQLITE_ROW)
        fail();
    m_directChanges = sqlite3_changes(handle);
    sqlite3_reset(m_direct);
    m_directActive = true;
}

QString Query::toPositional(const QString& sql, QStringList* markers, bool numbered)
{
    auto mark = [&] { return numbered ? QStringLiteral("$%1").arg(markers->size()) : QStringLiteral("?"); };
    QString out;
    out.reserve(sql.size());
    const int n = sql.size();
    for (int i = 0; i < n; ++i) {
        const QChar c = sql[i];
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            // Copy a quoted literal or identifier whole; a doubled quote stays inside.
            int j = i + 1;
            while (j < n) {
                if (sql[j] == c) {
                    if (j + 1 < n && sql[j + 1] == c) {
                        j += 2;
                        continue;
                    }
                    break;
                }
                ++j;
            }
            out += QStringView(sql).mid(i, std::min(j, n - 1) - i + 1);
            i = j;
        } else if (c == QLatin1Char('-') && i + 1 < n && sql[i + 1] == QLatin1Char('-')) {
            int j = sql.indexOf(QLatin1Char('\n'), i);
            if (j < 0)
                j = n;
            out += QStringView(sql).mid(i, j - i);
            i = j - 1;
        } else if (c == QLatin1Char('/') && i + 1 < n && sql[i + 1] == QLatin1Char('*')) {
            int j = sql.indexOf(QLatin1String("*/"), i + 2);
            j = j < 0 ? n : j + 2;
            out += QStringView(sql).mid(i, j - i);
            i = j - 1;
        } else if (c == QLatin1Char(':') && i + 1 < n && sql[i + 1] == QLatin1Char(':')) {
            out += QLatin1String("::");
            ++i;
        } else if (c == QLatin1Char(':') && i + 1 < n &&
                   (sql[i + 1].isLetter() || sql[i + 1] == QLatin1Char('_')) &&
                   (i == 0 || !sql[i - 1].isLetterOrNumber())) {
            int j = i + 1;
            while (j < n && (sql[j].isLetterOrNumber() || sql[j] == QLatin1Char('_')))
                ++j;
            markers->append(sql.mid(i + 1, j - i - 1));
            out += mark();
            i = j - 1;
        } else if (c == QLatin1Char('?')) {
            markers->append(QString());
            out += mark();
        } else {
            out += c;
        }
    }
    return out;
}

bool Query::hasParameter(const QString& name) const
{
    for (const Param& p : m_named)
        if (p.name.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

QStringList Query::parameterNames() const
{
    QStringList r;
    for (const Param& p : m_named)
        r << p.name;
    return r;
}

Query& Query::declare(const QString& name, ParamType type, int size)
{
    for (Param& p : m_named)
        if (p.name.compare(name, Qt::CaseInsensitive) == 0) {
            p.type = type;
            p.size = size;
            return *this;
        }
    throw Exception(QStringLiteral("Параметр %1 не найден в запросе").arg(name));
}

Query& Query::bind(const QString& name, const QVariant& value)
{
    for (Param& p : m_named)
        if (p.name.compare(name, Qt::CaseInsensitive) == 0) {
            p.value = value;
            return *this;
        }
    throw Exception(QStringLiteral("Параметр %1 не найден в запросе").arg(name));
}

Query& Query::bind(const QString& name, const QVariant& value, ParamType type, int size)
{
    declare(name, type, size);
    return bind(name, value);
}

Query& Query::bindAt(int index, const QVariant& value, ParamType type, int size)
{
    if (index < 0 || index >= m_positional.size())
        throw Exception(QStringLiteral("Нет параметра с номером %1 в запросе").arg(index + 1));
    m_positional[index] = Param{QString(), type, size, value};
    return *this;
}

Query& Query::bindAll(const QVariantList& values)
{
    if (values.size() != m_positional.size())
        throw Exception(QStringLiteral("Запросу нужно параметров: %1, передано: %2")
                            .arg(m_positional.size())
                            .arg(values.size()));
    for (int i = 0; i < values.size(); ++i)
        m_positional[i].value = values[i];
    return *this;
}

QString Query::dateTimeText(const QDateTime& value)
{
    // Hand-formatted: this runs once per bound date and QDateTime::toString is slow.
    if (!value.isValid())
        return {};
    const QDate d = value.date();
    const QTime t = value.time();
    char buf[32];
    const int n = std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d:%02d.%03d", d.year(), d.month(),
                                d.day(), t.hour(), t.minute(), t.second(), t.msec());
    return QString::fromLatin1(buf, n);
}

namespace {

QDateTime parseIsoText(QStringView s)
{
    QDate date;
    QTime time;
    if (!parseIsoDateTime(s.utf16(), s.size(), &date, &time))
        return {};
    return QDateTime(date, time);
}

} // namespace

QDateTime Query::parseDateTime(const QVariant& value)
{
    if (value.isNull() || !value.isValid())
        return {};
    if (value.metaType().id() == QMetaType::QDateTime)
        return value.toDateTime();
    if (value.metaType().id() == QMetaType::QDate)
        return value.toDate().startOfDay();
    const QString s = value.toString().trimmed();
    QDateTime d = parseIsoText(s);
    if (!d.isValid())
        d = QDateTime::fromString(s, Qt::ISODateWithMs);
    return d;
}

QVariant Query::toBindValue(const Param& p) const
{
    const QVariant& v = p.value;
    const bool sqlite = m_db.engine() == Engine::SQLite;
    if (v.isNull() || !v.isValid()) {
        switch (p.type) {
        case ParamType::Bytes:
            return QVariant(QMetaType::fromType<QByteArray>());
        case ParamType::Integer:
        case ParamType::SmallInt:
            return QVariant(QMetaType::fromType<int>());
        default:
            return QVariant(QMetaType::fromType<QString>());
        }
    }
    ParamType type = p.type;
    if (type == ParamType::Auto) {
        const int id = v.metaType().id();
        if (v.metaType() == QMetaType::fromType<Money>())
            type = ParamType::Money;
        else if (id == QMetaType::QDateTime || id == QMetaType::QDate)
            type = ParamType::DateTime;
        else if (id == QMetaType::Bool)
            type = ParamType::Boolean;
        else
            return v;
    }
    switch (type) {
    case ParamType::Integer:
    case ParamType::SmallInt:
        return v.toLongLong();
    case ParamType::String:
        return v.toString();
    case ParamType::DateTime:
        return dateTimeText(parseDateTime(v));
    case ParamType::Money: {
        const Money m = Money::fromVariant(v);
        // SQLite keeps decimals as binary floating point; PostgreSQL gets the exact text.
        return sqlite ? QVariant(m.toDouble()) : QVariant(m.toString());
    }
    case ParamType::Float:
        return v.toDouble();
    case ParamType::Boolean:
        // Yes/no columns hold 1 or 0. PostgreSQL gets the digit as an untyped literal, which a
        // small integer and a boolean column both accept.
        if (sqlite)
            return QVariant(v.toBool() ? 1 : 0);
        return QVariant(v.toBool() ? QStringLiteral("1") : QStringLiteral("0"));
    case ParamType::Bytes:
        return v.toByteArray();
    case ParamType::Auto:
        break;
    }
    return v;
}

Query& Query::exec()
{
    if (!m_markers.isEmpty() && !m_directChecked) {
        m_directChecked = true;
        if (m_db.engine() == Engine::SQLite) {
            const QString head = m_prepared.trimmed().left(6).toLower();
            const bool write = head == QLatin1String("insert") || head == QLatin1String("update") ||
                               head == QLatin1String("delete");
            if (write && !m_prepared.contains(QLatin1String("returning"), Qt::CaseInsensitive)) {
                m_direct = nullptr;
                execDirect();
                return *this;
            }
        }
    }
    if (m_direct) {
        execDirect();
        return *this;
    }
    // Outside a transaction a connection the server dropped is opened again and the statement
    // run once more; inside one the error reports the loss (nothing of it was kept).
    if (!run() && !(m_db.reopenIfLost(&m_query) && run()))
        m_db.raise(m_query, m_sql);
    // Columns are described on first read, so statements without results pay nothing.
    m_described = false;
    return *this;
}

bool Query::run()
{
    if (m_generation != m_db.generation()) {
        // Prepared on a connection since re-opened.
        m_generation = m_db.generation();
        m_query = QSqlQuery(m_db.sql());
        m_query.setForwardOnly(true);
        m_query.setNumericalPrecisionPolicy(QSql::HighPrecision);
        m_isPrepared = false;
    }
    if (m_markers.isEmpty()) // without parameters the text runs directly: PostgreSQL cannot prepare DDL
        return m_query.exec(m_prepared);
    if (!m_isPrepared) {
        if (!m_query.prepare(m_prepared))
            return false;
        m_isPrepared = true;
    }
    const QVariantList values = boundValues();
    for (int i = 0; i < values.size(); ++i)
        m_query.bindValue(i, values[i]);
    return m_query.exec();
}

void Query::describeColumns()
{
    m_described = true;
    const QSqlRecord rec = m_query.record();
    m_columns.resize(rec.count());
    sqlite3_stmt* stmt = nullptr;
    if (m_db.engine() == Engine::SQLite && rec.count() > 0) {
        const QVariant h = m_query.result()->handle();
        if (h.isValid() && qstrcmp(h.typeName(), "sqlite3_stmt*") == 0)
            stmt = *static_cast<sqlite3_stmt* const*>(h.constData());
    }
    for (int i = 0; i < rec.count(); ++i) {
        ColumnInfo& c = m_columns[i];
        c.name = rec.fieldName(i);
        if (stmt) {
            const char* decl = sqlite3_column_decltype(stmt, i);
            c.declared = QByteArray(decl);
            c.kind = decl ? kindOfDeclaredType(QString::fromLatin1(decl)) : ColumnKind::Plain;
        } else {
            switch (rec.field(i).metaType().id()) {
            case QMetaType::Double:
                // Numeric columns arrive as exact text under HighPrecision; float4/float8 (the
                // driver gives the type's number) stay doubles.
                c.kind = rec.field(i).typeID() == 700 || rec.field(i).typeID() == 701 ? ColumnKind::Plain
                                                                                      : ColumnKind::Money;
                break;
            case QMetaType::QDateTime:
            case QMetaType::QDate:
                c.kind = ColumnKind::DateTime;
                break;
            case QMetaType::Bool:
                c.kind = ColumnKind::Boolean;
                break;
            default:
                c.kind = ColumnKind::Plain;
            }
        }
    }
}

bool Query::next()
{
    if (!m_described)
        describeColumns();
    return m_query.next();
}

Query::ColumnKind Query::columnKind(int i) const
{
    if (!m_described)
        const_cast<Query*>(this)->describeColumns();
    return m_columns.value(i).kind;
}

QByteArray Query::declaredType(int i) const
{
    if (!m_described)
        const_cast<Query*>(this)->describeColumns();
    return m_columns.value(i).declared;
}

int Query::columnIndex(const QString& name) const
{
    if (!m_described)
        const_cast<Query*>(this)->describeColumns();
    for (int i = 0; i < m_columns.size(); ++i)
        if (m_columns[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

QVariant Query::value(int column) const
{
    if (!m_described)
        const_cast<Query*>(this)->describeColumns();
    const QVariant v = m_query.value(column);
    if (v.isNull() || column < 0 || column >= m_columns.size())
        return v;
    return normalised(v, m_columns[column].kind, m_db.engine());
}

QVariant Query::normalised(const QVariant& v, ColumnKind kind, Engine engine)
{
    if (v.isNull())
        return v;
    switch (kind) {
    case ColumnKind::Money:
        if (v.metaType().id() == QMetaType::Double && engine == Engine::PostgreSQL)
            return v; // a float column
        return Money::fromVariant(v).toVariant();
    case ColumnKind::DateTime:
        return parseDateTime(v);
    case ColumnKind::Boolean:
        if (v.metaType().id() == QMetaType::QString)
            return v.toString() == QLatin1String("1") ||
                   v.toString().compare(QLatin1String("true"), Qt::CaseInsensitive) == 0;
        return v.toBool();
    case ColumnKind::Plain:
        break;
    }
    return v;
}

QVariantList Query::boundValues() const
{
    QVariantList values;
    int positional = 0;
    for (const QString& name : m_markers) {
        const Param* p = nullptr;
        if (name.isEmpty()) {
            p = &m_positional[positional++];
        } else {
            for (const Param& n : m_named)
                if (n.name.compare(name, Qt::CaseInsensitive) == 0) {
                    p = &n;
                    break;
                }
        }
        values.append(p ? toBindValue(*p) : QVariant());
    }
    return values;
}

QVariant Query::value(const QString& column) const
{
    const int i = columnIndex(column);
    if (i < 0)
        throw Exception(QStringLiteral("Поле %1 не найдено в результате запроса").arg(column));
    return value(i);
}

QDateTime Query::dateTime(int column) const
{
    return parseDateTime(m_query.value(column));
}

} // namespace Tarvo::Data
