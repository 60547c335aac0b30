#pragma once

#include "data/engine/connectionsettings.h"
#include "data/engine/money.h"

#include <QDateTime>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QStringList>
#include <QVariant>
#include <QVector>

namespace Tarvo::Data {

class Database;
} // namespace Tarvo::Data

struct sqlite3_stmt;

namespace Tarvo::Data {

// Parameter types of stored statements.
enum class ParamType
{
    Auto,
    Integer,
    String,
    DateTime,
    Money,
    Float,
    Boolean,
    SmallInt,
    Bytes
};

struct Param
{
    QString name; // empty for a positional "?"
    ParamType type = ParamType::Auto;
    int size = 0;
    QVariant value;
};

// A statement with ":NAME" and "?" parameters, prepared once and run as often
// as needed. Values always travel as bound parameters. Results are read with
// engine differences smoothed: money and decimal columns come back as Money,
// date-times as QDateTime, booleans as bool.
class Query
{
public:
    Query(Database& db, const QString& sql);
    ~Query();
    Query(const Query&) = delete;
    Query& operator=(const Query&) = delete;

    // Declares a parameter's type and size (stored statements); the value may come later.
    Query& declare(const QString& name, ParamType type, int size = 0);
    Query& bind(const QString& name, const QVariant& value);
    Query& bind(const QString& name, const QVariant& value, ParamType type, int size = 0);
    // Positional parameters, counted from 0 in order of the "?" marks.
    Query& bindAt(int index, const QVariant& value, ParamType type = ParamType::Auto, int size = 0);
    // Binds the positional parameters in order.
    Query& bindAll(const QVariantList& values);
    QStringList parameterNames() const;
    bool hasParameter(const QString& name) const;

    // Runs the statement; throws DatabaseError.
    Query& exec();
    bool next();
    bool isActive() const { return m_direct ? m_directActive : m_query.isActive(); }
    int numRowsAffected() const { return m_direct ? m_directChanges : m_query.numRowsAffected(); }
    QSqlRecord record() const { return m_query.record(); }
    int columnCount() const { return m_query.record().count(); }
    QString columnName(int i) const { return m_query.record().fieldName(i); }
    int columnIndex(const QString& name) const; // -1 when absent; case-insensitive
    void finish();

    QVariant value(int column) const;
    QVariant value(const QString& column) const;
    QString string(int column) const { return value(column).toString(); }
    qint64 integer(int column) const { return value(column).toLongLong(); }
    bool boolean(int column) const { return value(column).toBool(); }
    Money money(int column) const { return Money::fromVariant(m_query.value(column)); }
    QDateTime dateTime(int column) const;
    bool isNull(int column) const { return m_query.isNull(column); }

    const QString& sql() const { return m_sql; }
    const QString& preparedSql() const { return m_prepared; }
    QSqlQuery& raw() { return m_query; }

    // Splits ":NAME" and "?" markers out of SQL text, skipping quotes, comments and "::" casts.
    // Returns the text with every marker turned into "?", and each marker's name ("" for "?").
    // With `numbered` the marks become "$1", "$2"... as libpq expects.
    static QString toPositional(const QString& sql, QStringList* markers, bool numbered = false);
    // The canonical date-time text both engines read.
    static QString dateTimeText(const QDateTime& value);
    static QDateTime parseDateTime(const QVariant& value);

    enum class ColumnKind
    {
        Plain,
        Money,
        DateTime,
        Boolean
    };
    // How value() normalises a result column.
    ColumnKind columnKind(int i) const;
    // The kind of a column SQLite declares with this type.
    static ColumnKind kindOfDeclaredType(const QString& declared);
    // The type SQLite declares for a result column (empty for expressions and on PostgreSQL).
    QByteArray declaredType(int i) const;
    // What value() makes of a value QtSql read from a column of this kind.
    static QVariant normalised(const QVariant& raw, ColumnKind kind, Engine engine);

    Database& database() const { return m_db; }
    // The values bound to the "?" marks of preparedSql(), in order, as the engine receives them.
    QVariantList boundValues() const;

private:
    QVariant toBindValue(const Param& p) const;
    void describeColumns();
    bool run();

    Database& m_db;
    QString m_sql;
    QString m_prepared;
    QStringList m_markers;       // per "?" in m_prepared: the name, or "" for positional
    QVector<Param> m_named;      // by name, in first-appearance order
    QVector<Param> m_positional; // by "?" order among the positional ones
    QSqlQuery m_query;
    int m_generation = 0; // of the connection m_query was made on
    bool m_isPrepared = false;
    // SQLite writes with parameters run straight on the engine's statement: QtSql's own binding
    // costs more than the statement itself.
    void execDirect();
    ::sqlite3_stmt* m_direct = nullptr;
    bool m_directChecked = false;
    bool m_directActive = false;
    int m_directChanges = -1;
    bool m_described = false;
    struct ColumnInfo
    {
        QString name;
        ColumnKind kind = ColumnKind::Plain;
        QByteArray declared;
    };
    QVector<ColumnInfo> m_columns;
};

} // namespace Tarvo::Data
