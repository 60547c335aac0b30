#include "data/engine/database.h"
#include "data/engine/isodatetime.h"
#include "data/engine/query.h"
#include "data/engine/resultreader.h"

#include <QSqlError>
#include <QSqlQuery>
#include <charconv>
#include <cmath>
#include <libpq-fe.h>

namespace Tarvo::Data {

namespace {

// Type numbers of the PostgreSQL catalog.
enum Oid : unsigned
{
    BoolOid = 16,
    ByteaOid = 17,
    Int8Oid = 20,
    Int2Oid = 21,
    Int4Oid = 23,
    OidOid = 26,
    Float4Oid = 700,
    Float8Oid = 701,
    DateOid = 1082,
    TimestampOid = 1114,
    TimestampTzOid = 1184,
    NumericOid = 1700
};

enum class Conversion
{
    Int32,
    Int64,
    Money,
    Double,
    Bool,
    DateTime,
    ZonedDateTime,
    Bytes,
    Text
};

// Parameters go as text of no stated type, so the server types each from where it stands in the
// statement, as it does for QtSql's prepared statements (a number compared with a text column is
// then text, not an error); bytes go in binary.
struct Parameters
{
    explicit Parameters(const QVariantList& values)
    {
        const int n = int(values.size());
        storage.resize(n);
        types.assign(n, 0);
        pointers.assign(n, nullptr);
        lengths.assign(n, 0);
        formats.assign(n, 0);
        for (int i = 0; i < n; ++i) {
            const QVariant& v = values[i];
            if (v.isNull())
                continue;
            switch (v.metaType().id()) {
            case QMetaType::Bool:
                storage[i] = v.toBool() ? "1" : "0";
                break;
            case QMetaType::Int:
            case QMetaType::UInt:
            case QMetaType::Short:
            case QMetaType::UShort:
            case QMetaType::LongLong:
            case QMetaType::ULongLong:
                storage[i] = QByteArray::number(v.toLongLong());
                break;
            case QMetaType::Double:
            case QMetaType::Float: {
                const double d = v.toDouble();
                storage[i] = std::isfinite(d)
                                 ? QByteArray::number(d, 'g', 17)
                                 : QByteArray(std::isnan(d) ? "NaN" : (d > 0 ? "Infinity" : "-Infinity"));
                break;
            }
            case QMetaType::QByteArray:
                storage[i] = v.toByteArray();
                types[i] = ByteaOid;
                formats[i] = 1;
                break;
            default:
                storage[i] = v.toString().toUtf8();
            }
            pointers[i] = storage[i].constData();
            lengths[i] = int(storage[i].size());
        }
    }

    QList<QByteArray> storage;
    std::vector<unsigned> types;
    std::vector<const char*> pointers;
    std::vector<int> lengths;
    std::vector<int> formats;
};

// Rows arrive one result each (single-row mode): no copy of the whole result in libpq's memory
// before ours.
class PostgresResultReader final : public ResultReader
{
public:
    PostgresResultReader(Query& query, PGconn* connection) : m_query(query), m_connection(connection) {}
    ~PostgresResultReader() override
    {
        PQclear(m_result);
        // Left half read (an error while converting): the connection must be idle again.
        if (m_sent)
            while (PGresult* r = PQgetResult(m_connection))
                PQclear(r);
    }

    void run()
    {
        if (PQtransactionStatus(m_connection) == PQTRANS_ACTIVE) {
            // A QtSql query is still handing out rows in single-row mode; a statement through
            // QtSql makes the driver drop them, as running any other query would.
            QSqlQuery drain(m_query.database().sql());
            drain.exec(QStringLiteral("select 1"));
        }
        QStringList markers;
        const QByteArray text = Query::toPositional(m_query.sql(), &markers, true).toUtf8();
        const Parameters p(m_query.boundValues());
        if (!PQsendQueryParams(m_connection, text.constData(), int(p.pointers.size()), p.types.data(),
                               p.pointers.data(), p.lengths.data(), p.formats.data(), 0))
            fail(nullptr);
        m_sent = true;
        PQsetSingleRowMode(m_connection);
        fetch();
        const int n = m_result ? PQnfields(m_result) : 0;
        m_columns.resize(n);
        m_conversions.resize(n);
        m_nullTypes.resize(n);
        for (int i = 0; i < n; ++i) {
            m_columns[i].name = QString::fromUtf8(PQfname(m_result, i));
            describe(i, PQftype(m_result, i));
        }
    }

    bool next(RowValues::Builder& row) override
    {
        if (m_first)
            m_first = false;
        else if (m_result)
            fetch();
        if (!m_result || PQresultStatus(m_result) != PGRES_SINGLE_TUPLE)
            return false;
        for (int i = 0; i < m_conversions.size(); ++i)
            read(row, i);
        return true;
    }

private:
    // The next result; at the end (or on an error) the stream is read to its close.
    void fetch()
    {
        PQclear(m_result);
        m_result = PQgetResult(m_connection);
        const ExecStatusType status = m_result ? PQresultStatus(m_result) : PGRES_COMMAND_OK;
        if (status == PGRES_SINGLE_TUPLE)
            return;
        PGresult* error = status == PGRES_TUPLES_OK || status == PGRES_COMMAND_OK ? nullptr : m_result;
        while (PGresult* r = PQgetResult(m_connection))
            PQclear(r);
        m_sent = false;
        if (error)
            fail(error);
    }

    [[noreturn]] void fail(PGresult* result)
    {
        const char* state = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
        const QString message =
            QString::fromUtf8(result ? PQresultErrorMessage(result) : PQerrorMessage(m_connection));
        const QSqlError error(QStringLiteral("Unable to create query"), message, QSqlError::StatementError,
                              state ? QString::fromLatin1(state) : QString());
        m_query.database().raise(error, m_query.sql(), result);
    }

private:
    void describe(int i, unsigned type)
    {
        auto set = [&](Conversion r, FieldType t, int nullType) {
            m_conversions[i] = r;
            m_columns[i].type = t;
            m_nullTypes[i] = nullType;
        };
        switch (type) {
        case Int2Oid:
        case Int4Oid:
            return set(Conversion::Int32, FieldType::Integer, QMetaType::Int);
        case Int8Oid:
        case OidOid:
            return set(Conversion::Int64, FieldType::Integer, QMetaType::LongLong);
        case NumericOid:
            return set(Conversion::Money, FieldType::Money, QMetaType::fromType<Money>().id());
        case Float4Oid:
        case Float8Oid:
            return set(Conversion::Double, FieldType::Float, QMetaType::Double);
        case BoolOid:
            return set(Conversion::Bool, FieldType::Boolean, QMetaType::Bool);
        case DateOid:
        case TimestampOid:
            return set(Conversion::DateTime, FieldType::DateTime, QMetaType::QDateTime);
        case TimestampTzOid:
            return set(Conversion::ZonedDateTime, FieldType::DateTime, QMetaType::QDateTime);
        case ByteaOid:
            return set(Conversion::Bytes, FieldType::Bytes, QMetaType::QByteArray);
        default:
            return set(Conversion::Text, FieldType::String, QMetaType::QString);
        }
    }

    void read(RowValues::Builder& row, int i)
    {
        if (PQgetisnull(m_result, m_row, i)) {
            row.setNull(i, m_nullTypes[i]);
            return;
        }
        const char* p = PQgetvalue(m_result, m_row, i);
        const int n = PQgetlength(m_result, m_row, i);
        switch (m_conversions[i]) {
        case Conversion::Int32:
        case Conversion::Int64: {
            qint64 v = 0;
            const auto r = std::from_chars(p, p + n, v);
            if (r.ec != std::errc() || r.ptr != p + n)
                break;
            if (m_conversions[i] == Conversion::Int32)
                row.setInt32(i, qint32(v));
            else
                row.setInt64(i, v);
            return;
        }
        case Conversion::Money:
            if (const auto m = Money::parseAscii(p, n)) {
                row.setMoney(i, *m);
                return;
            }
            Money::checkRange(QString::fromLatin1(p, n));
            break;
        case Conversion::Double: {
            double d = 0;
            const auto r = std::from_chars(p, p + n, d);
            if (r.ec != std::errc() || r.ptr != p + n)
                break;
            row.setDouble(i, d);
            return;
        }
        case Conversion::Bool:
            row.setBool(i, n > 0 && p[0] == 't');
            return;
        case Conversion::DateTime: {
            QDate date;
            QTime time;
            if (!parseIsoDateTime(p, n, &date, &time))
                break;
            row.setWallClock(i, RowValues::wallClockMsecs(date, time));
            return;
        }
        case Conversion::ZonedDateTime: {
            const QDateTime d = QDateTime::fromString(QString::fromLatin1(p, n), Qt::ISODateWithMs);
            if (!d.isValid())
                break;
            row.setVariant(i, d.toLocalTime());
            return;
        }
        case Conversion::Bytes: {
            // Hex or escape output, whichever the server is set to.
            size_t size = 0;
            unsigned char* bytes = PQunescapeBytea(reinterpret_cast<const unsigned char*>(p), &size);
            if (!bytes)
                break;
            row.setBytes(i, reinterpret_cast<const char*>(bytes), qsizetype(size));
            PQfreemem(bytes);
            return;
        }
        case Conversion::Text:
            row.setText(i, p, n);
            return;
        }
        // Infinity dates, NaN numerics and the like: as Query::value makes them of the text.
        Query::ColumnKind kind = Query::ColumnKind::Plain;
        if (m_conversions[i] == Conversion::Money)
            kind = Query::ColumnKind::Money;
        else if (m_conversions[i] == Conversion::DateTime || m_conversions[i] == Conversion::ZonedDateTime)
            kind = Query::ColumnKind::DateTime;
        row.setVariant(i, Query::normalised(QVariant(QString::fromUtf8(p, n)), kind, Engine::PostgreSQL));
    }

    Query& m_query;
    PGconn* m_connection;
    PGresult* m_result = nullptr;
    QVector<Conversion> m_conversions;
    QVector<int> m_nullTypes;
    bool m_sent = false;
    bool m_first = true;
    static constexpr int m_row = 0; // each result holds one row
};

} // namespace

std::unique_ptr<ResultReader> readPostgres(Query& query)
{
    PGconn* connection = query.database().postgresHandle();
    if (!connection)
        return nullptr;
    auto result = std::make_unique<PostgresResultReader>(query, connection);
    try {
        result->run();
    } catch (const DatabaseError& e) {
        // A connection the server dropped is opened again once, outside a transaction.
        if (e.nativeError() != NativeError::ConnectionLost || !query.database().reopenIfLost())
            throw;
        result = std::make_unique<PostgresResultReader>(query, query.database().postgresHandle());
        result->run();
    }
    return result;
}

} // namespace Tarvo::Data
