#include "db/bulkinserter.h"

#include "data/engine/database.h"
#include "data/engine/money.h"
#include "data/engine/postgresdialect.h"
#include "data/engine/query.h"
#include "data/engine/sqlitestatement.h"
#include "core/exception.h"

#include <QDateTime>
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
    ++m_total;
    if (m_path == Path::SqliteNative) {
        for (BulkInserter* parent : m_parents)
            parent->flush();
        stepNative(row);
        return;
    }
    if (m_path == Path::Copy) {
        for (qsizetype i = 0; i < row.size(); ++i) {
            if (i)
                m_copyBuffer += '\t';
            appendCopyField(row.at(i));
        }
        m_copyBuffer += '\n';
        // Sent in moderate pieces: a whole table held here would cost its size in memory.
        if (m_copyBuffer.size() >= 8 * CopyChunk)
            flush();
        return;
    }
    m_pending += row;
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

void BulkInserter::stepNative(const QVariantList& row)
{
    auto* st = static_cast<sqlite3_stmt*>(m_stmt);
    for (int i = 0; i < int(row.size()); ++i)
        bindSqliteValue(st, i + 1, row.at(i));
    if (sqlite3_step(st) != SQLITE_DONE) {
        sqlite3_reset(st);
        raiseSqliteError(m_db, sqlite3_db_handle(st), QString::fromUtf8(sqlite3_sql(st)));
    }
    sqlite3_reset(st);
}

void BulkInserter::appendCopyField(const QVariant& v)
{
    if (!v.isValid() || v.isNull()) {
        m_copyBuffer += "\\N";
        return;
    }
    if (v.metaType() == QMetaType::fromType<Money>()) {
        m_copyBuffer += v.value<Money>().toString().toLatin1();
        return;
    }
    switch (v.metaType().id()) {
    case QMetaType::Bool:
        m_copyBuffer += v.toBool() ? 't' : 'f';
        return;
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        m_copyBuffer += QByteArray::number(v.toLongLong());
        return;
    case QMetaType::Double:
        m_copyBuffer += QByteArray::number(v.toDouble(), 'g', 17);
        return;
    case QMetaType::QDateTime:
        m_copyBuffer += Query::dateTimeText(v.toDateTime()).toLatin1();
        return;
    case QMetaType::QDate:
        m_copyBuffer += v.toDate().toString(Qt::ISODate).toLatin1();
        return;
    default:
        break;
    }
    const QByteArray text = v.toString().toUtf8();
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
    m_copyBuffer.clear();
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
