#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QStringList>
#include <QVariantList>
#include <QStringEncoder>
#include <memory>
#include <optional>

namespace Tarvo {
class Money;
}

namespace Tarvo::Data {

class Database;
class Query;

// Loads many rows into one table fast, on the caller's connection and inside its
// transaction: PostgreSQL COPY, a single-row statement stepped through the SQLite
// library directly (in-process, so no batching is needed), or multi-row VALUES
// through QtSql on either engine. flush() (or destruction) sends what is pending.
class BulkInserter
{
public:
    enum class Path { Auto, Values, Copy, SqliteNative };

    BulkInserter(Database& db, QString table, QStringList columns, Path path = Path::Auto);
    ~BulkInserter();
    BulkInserter(const BulkInserter&) = delete;
    BulkInserter& operator=(const BulkInserter&) = delete;

    // One row, values in column order: integers, QString, Money, QDateTime, bool or a null QVariant.
    void add(const QVariantList& row);

    // The same row typed, without a QVariant per value: the fields go straight into the COPY
    // text or onto the prepared statement, in column order, then endRow().
    //   b.addInteger(id).addText(name).addMoney(price).addNull().endRow();
    BulkInserter& addInteger(qint64 v);
    BulkInserter& addMoney(Money v);
    BulkInserter& addDouble(double v);
    BulkInserter& addBool(bool v);
    BulkInserter& addText(QStringView v);
    BulkInserter& addDateTime(const QDateTime& v);
    BulkInserter& addNull();
    BulkInserter& addValue(const QVariant& v);
    template <typename T> BulkInserter& addOptional(const std::optional<T>& v)
    {
        if (!v)
            return addNull();
        if constexpr (std::is_integral_v<T>)
            return addInteger(*v);
        else if constexpr (std::is_convertible_v<const T&, QStringView>)
            return addText(*v);
        else
            return addMoney(*v);
    }
    void endRow();
    // True when rows go to an in-process engine (SQLite): a prepared statement stepped per row
    // costs no round trip there.
    static bool stepsInProcess(Database& db);
    void flush();
    // Rows of `parent` are sent before any of this table's rows (foreign keys).
    void after(BulkInserter& parent) { m_parents << &parent; }
    qint64 rowCount() const { return m_total; }
    Path path() const { return m_path; }

private:
    void flushValues();
    void flushCopy();
    // The next field's place: a separator in the COPY text, the row's parents sent first.
    void beginField();
    void appendCopyText(QStringView v);

    Database& m_db;
    QString m_table;
    QStringList m_columns;
    Path m_path;
    int m_rowsPerStatement;
    QVariantList m_pending; // VALUES path
    int m_pendingRows = 0;
    std::unique_ptr<Query> m_full; // the statement for a full batch, prepared once
    QByteArray m_copyBuffer;       // COPY path
    void* m_stmt = nullptr;        // SQLite native path: sqlite3_stmt
    int m_field = 0;               // fields of the current row given so far
    QDateTime m_lastTime;          // a repeated time is converted once
    QByteArray m_lastTimeText;
    QStringEncoder m_utf8{QStringEncoder::Utf8};
    qint64 m_total = 0;
    QList<BulkInserter*> m_parents;
};

} // namespace Tarvo::Data
