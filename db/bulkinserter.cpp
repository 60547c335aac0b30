#include "db/bulkinserter.h"

#include "data/engine/database.h"
#include "data/engine/money.h"
#include "data/engine/postgresdialect.h"
#include "data/engine/query.h"
#include "data/engine/sqlitestatement.h"
#include "core/exception.h"

#include <QDateTime>
#include <algorithm>
#include <charconv>
#include <QSqlDriver>
#include <QSqlError>
#include <libpq-fe.h>
#include <sqlite3.h>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Data {

namespace {

// Parameters per multi-row statement. The SQLite driver looks every parameter
// up by position in a list (quadratic in the count), so SQLite gets short statements.
int maxParameters(Engine engine)
{
    if (qEnvironmentVariableIsSet("TARVO_BULK_PARAMS"))
        return qEnvironmentVariableIntValue("TARVO_BULK_PARAMS");
    return engine == Engine::SQLite ? 200 : 8000;
}
constexpr qsizetype CopyChunk = 1 << 20;
constexpr qsizetype CopyPiece = 2 * CopyChunk;

} // namespace

BulkInserter::BulkInserter(Database& db, QString table, QStringList columns, Path path)
    : m_db(db), m_table(std::move(table)), m_columns(std::move(columns)), m_path(path)
{
    if (m_path == Path::Auto)
        m_path = db.engine() == Engine::PostgreSQL ? Path::Copy : Path::SqliteNative;
    if (m_path == Path::Copy && db.engine() != Engine::PostgreSQL)
        m_path = Path::Values;
    if (m_path == Path::SqliteNative) {
        sqlite3* h = db.engine() == Engine::SQLite ? db.sqliteHandle() : nullptr;
        sqlite3_stmt* st = nullptr;
        const QByteArray sql =
            u"insert into %1 (%2) values (%3)"_s
                .arg(m_table, m_columns.join(u", "_s), QStringList(m_columns.size(), u"?"_s).join(u", "_s))
                .toUtf8();
        if (h && sqlite3_prepare_v2(h, sql.constData(), int(sql.size()), &st, nullptr) == SQLITE_OK)
            m_stmt = st;
        else
            m_path = Path::Values;
    }
    m_rowsPerStatement = std::max(1, maxParameters(db.engine()) / int(m_columns.size()));
}

bool BulkInserter::stepsInProcess(Database& db)
{
    return db.engine() == Engine::SQLite && db.sqliteHandle() != nullptr;
}

BulkInserter::~BulkInserter()
{
    if (std::uncaught_exceptions() == 0) {
        try {
            flush();
        } catch (...) {
            // Destruction cannot report; callers that care call flush() themselves.
        }
    }
    sqlite3_finalize(static_cast<sqlite3_stmt*>(m_stmt));
}

void BulkInserter::add(const QVariantList& row)
{
    Q_ASSERT(row.size() == m_columns.size());
    for (const QVariant& v : row)
        addValue(v);
    endRow();
}

void BulkInserter::beginField()
{
    if (m_field == 0 && m_path == Path::SqliteNative)
        for (BulkInserter* parent : m_parents)
            parent->flush();
    if (m_path == Path::Copy) {
        if (m_copyBuffer.capacity() < CopyPiece)
            m_copyBuffer.reserve(CopyPiece + CopyChunk / 4);
        if (m_field > 0)
            m_copyBuffer += '\t';
    }
    ++m_field;
}

BulkInserter& BulkInserter::addValue(const QVariant& v)
{
    if (m_path == Path::Values) {
        // QtSql binds the value as it is.
        beginField();
        m_pending += v;
        return *this;
    }
    if (!v.isValid() || v.isNull())
        return addNull();
    if (v.metaType() == QMetaType::fromType<Money>())
        return addMoney(v.value<Money>());
    switch (v.metaType().id()) {
    case QMetaType::Bool:
        return addBool(v.toBool());
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort:
        return addInteger(v.toLongLong());
    case QMetaType::Double:
    case QMetaType::Float:
        return addDouble(v.toDouble());
    case QMetaType::QDateTime:
        return addDateTime(v.toDateTime());
    case QMetaType::QDate:
        if (m_path == Path::Copy) {
            beginField();
            m_copyBuffer += v.toDate().toString(Qt::ISODate).toLatin1();
            return *this;
        }
        break;
    case QMetaType::QString:
        return addText(v.toString());
    default:
        break;
    }
    if (m_path == Path::Copy)
        return addText(v.toString());
    beginField();
    bindSqliteValue(static_cast<sqlite3_stmt*>(m_stmt), m_field, v);
    return *this;
}

BulkInserter& BulkInserter::addNull()
{
    beginField();
    if (m_path == Path::Copy)
        m_copyBuffer += "\\N";
    else if (m_path == Path::SqliteNative)
        sqlite3_bind_null(static_cast<sqlite3_stmt*>(m_stmt), m_field);
    else
        m_pending += QVariant();
    return *this;
}

BulkInserter& BulkInserter::addInteger(qint64 v)
{
    beginField();
    if (m_path == Path::Copy) {
        char text[24];
        const auto r = std::to_chars(text, text + sizeof text, v);
        m_copyBuffer.append(text, r.ptr - text);
    } else if (m_path == Path::SqliteNative) {
        sqlite3_bind_int64(static_cast<sqlite3_stmt*>(m_stmt), m_field, v);
    } else {
        m_pending += v;
    }
    return *this;
}

BulkInserter& BulkInserter::addBool(bool v)
{
    if (m_path == Path::Values) {
        beginField();
        m_pending += v;
        return *this;
    }
    if (m_path == Path::SqliteNative)
        return addInteger(v ? 1 : 0);
    beginField();
    m_copyBuffer += v ? 't' : 'f';
    return *this;
}

BulkInserter& BulkInserter::addDouble(double v)
{
    beginField();
    if (m_path == Path::Copy)
        m_copyBuffer += QByteArray::number(v, 'g', 17);
    else if (m_path == Path::SqliteNative)
        sqlite3_bind_double(static_cast<sqlite3_stmt*>(m_stmt), m_field, v);
    else
        m_pending += v;
    return *this;
}

BulkInserter& BulkInserter::addMoney(Money v)
{
    beginField();
    if (m_path == Path::Copy) {
        // Units, a point and the four decimals the type keeps, written without a string between.
        const qint64 raw = v.raw();
        quint64 magnitude = raw < 0 ? 0 - quint64(raw) : quint64(raw);
        char text[32];
        char* at = text;
        if (raw < 0)
            *at++ = '-';
        at = std::to_chars(at, text + sizeof text, magnitude / quint64(Money::Scale)).ptr;
        *at++ = '.';
        magnitude %= quint64(Money::Scale);
        for (quint64 d = Money::Scale / 10; d > 0; d /= 10) {
            *at++ = char('0' + magnitude / d);
            magnitude %= d;
        }
        m_copyBuffer.append(text, at - text);
    } else if (m_path == Path::SqliteNative) {
        // SQLite keeps decimals as binary floating point.
        sqlite3_bind_double(static_cast<sqlite3_stmt*>(m_stmt), m_field, v.toDouble());
    } else {
        m_pending += v.toVariant();
    }
    return *this;
}

BulkInserter& BulkInserter::addText(QStringView v)
{
    beginField();
    if (m_path == Path::Copy)
        appendCopyText(v);
    else if (m_path == Path::SqliteNative)
        sqlite3_bind_text16(static_cast<sqlite3_stmt*>(m_stmt), m_field, v.utf16(), int(v.size() * 2),
                            SQLITE_TRANSIENT);
    else
        m_pending += v.toString();
    return *this;
}

BulkInserter& BulkInserter::addDateTime(const QDateTime& v)
{
    if (!v.isValid())
        return addNull();
    if (m_path == Path::Values) {
        beginField();
        m_pending += v;
        return *this;
    }
    if (v != m_lastTime || m_lastTimeText.isEmpty()) {
        m_lastTime = v;
        m_lastTimeText = Query::dateTimeText(v).toUtf8();
    }
    beginField();
    if (m_path == Path::Copy)
        m_copyBuffer += m_lastTimeText;
    else
        sqlite3_bind_text(static_cast<sqlite3_stmt*>(m_stmt), m_field, m_lastTimeText.constData(),
                          int(m_lastTimeText.size()), SQLITE_TRANSIENT);
    return *this;
}

void BulkInserter::endRow()
{
    Q_ASSERT(m_field == m_columns.size());
    m_field = 0;
    ++m_total;
    if (m_path == Path::SqliteNative) {
        auto* st = static_cast<sqlite3_stmt*>(m_stmt);
        if (sqlite3_step(st) != SQLITE_DONE) {
            sqlite3_reset(st);
            raiseSqliteError(m_db, sqlite3_db_handle(st), QString::fromUtf8(sqlite3_sql(st)));
        }
        sqlite3_reset(st);
        return;
    }
    if (m_path == Path::Copy) {
        m_copyBuffer += '\n';
        // Sent in moderate pieces: a whole table held here would cost its size in memory. The buffer
        // keeps its room between pieces, so it never grows past one piece and a row.
        if (m_copyBuffer.size() >= CopyPiece)
            flush();
        return;
    }
    if (++m_pendingRows == m_rowsPerStatement)
        flush();
}

void BulkInserter::flush()
{
    for (BulkInserter* parent : m_parents)
        parent->flush();
    if (m_path == Path::Copy)
        flushCopy();
    else if (m_path == Path::Values)
        flushValues();
}

void BulkInserter::flushValues()
{
    if (m_pendingRows == 0)
        return;
    const QString tuple = u'(' + QStringList(m_columns.size(), u"?"_s).join(u", "_s) + u')';
    const auto statement = [&](int rows) {
        return u"insert into %1 (%2) values "_s.arg(m_table, m_columns.join(u", "_s)) +
               QStringList(rows, tuple).join(u", "_s);
    };
    if (m_pendingRows == m_rowsPerStatement) {
        if (!m_full)
            m_full = std::make_unique<Query>(m_db, statement(m_rowsPerStatement));
        m_full->bindAll(m_pending);
        m_full->exec();
    } else {
        Query q(m_db, statement(m_pendingRows));
        q.bindAll(m_pending);
        q.exec();
    }
    m_pending.clear();
    m_pendingRows = 0;
}

void BulkInserter::appendCopyText(QStringView v)
{
    // Encoded in place; only text holding a separator, line break or backslash is rewritten.
    const qsizetype from = m_copyBuffer.size();
    m_copyBuffer.resize(from + m_utf8.requiredSpace(v.size()));
    char* end = m_utf8.appendToBuffer(m_copyBuffer.data() + from, v);
    m_copyBuffer.truncate(end - m_copyBuffer.constData());
    const auto special = [](char c) { return c == '\\' || c == '\t' || c == '\n' || c == '\r'; };
    if (std::none_of(m_copyBuffer.cbegin() + from, m_copyBuffer.cend(), special))
        return;
    const QByteArray text = m_copyBuffer.mid(from);
    m_copyBuffer.truncate(from);
    for (char c : text) {
        switch (c) {
        case '\\':
            m_copyBuffer += "\\\\";
            break;
        case '\t':
            m_copyBuffer += "\\t";
            break;
        case '\n':
            m_copyBuffer += "\\n";
            break;
        case '\r':
            m_copyBuffer += "\\r";
            break;
        default:
            m_copyBuffer += c;
        }
    }
}

void BulkInserter::flushCopy()
{
    if (m_copyBuffer.isEmpty())
        return;
    PGconn* conn = m_db.postgresHandle();
    if (!conn)
        throw Exception(u"Нет соединения PostgreSQL для COPY"_s);
    const QString sql = u"COPY %1 (%2) FROM STDIN"_s.arg(m_table, m_columns.join(u", "_s));
    // Errors are mapped like any statement's, so key refusals read the same on every path.
    auto fail = [&](PGresult* res, const char* fallback) {
        EngineFailure f = PostgresDialect::failureOf(res, QString::fromUtf8(fallback));
        f.statement = sql;
        PQclear(res);
        m_copyBuffer.clear();
        m_db.raise(std::move(f));
    };
    PGresult* res = PQexec(conn, sql.toUtf8().constData());
    if (PQresultStatus(res) != PGRES_COPY_IN)
        fail(res, PQerrorMessage(conn));
    PQclear(res);
    bool sent = true;
    for (qsizetype at = 0; at < m_copyBuffer.size() && sent; at += CopyChunk)
        sent = PQputCopyData(conn, m_copyBuffer.constData() + at,
                             int(std::min(CopyChunk, m_copyBuffer.size() - at))) == 1;
    sent = PQputCopyEnd(conn, sent ? nullptr : "send failed") == 1 && sent;
    m_copyBuffer.resize(0);
    // Loaded only when the server confirmed it: a connection lost half way ends with no
    // result at all, or an error.
    PGresult* error = nullptr;
    bool confirmed = false;
    while ((res = PQgetResult(conn)) != nullptr) {
        if (PQresultStatus(res) == PGRES_COMMAND_OK)
            confirmed = true;
        else if (!error) {
            error = res;
            continue;
        }
        PQclear(res);
    }
    if (error)
        fail(error, PQerrorMessage(conn));
    if (!confirmed || !sent || PQstatus(conn) == CONNECTION_BAD)
        fail(nullptr, PQerrorMessage(conn));
}

} // namespace Tarvo::Data
