#pragma once

// Measuring steps every register benchmark shares: a list read through the register's batches,
// against its bare statement read to the end through Query in the same run.
#include "benchmedian.h"
#include "data/engine/database.h"
#include "data/engine/query.h"
#include "data/modules/tquerynodes.h"
#include "volumebench.h"

#include <QTextStream>

namespace Tarvo::Otbor {
class TVarList;
}

namespace Tarvo::Bench {

struct Measured
{
    double ms = 0;
    qint64 rows = 0;
};

// Reads a query to its end, every value touched: the yardstick.
inline qint64 readToEnd(Data::Query& q)
{
    q.exec();
    const int columns = q.columnCount();
    qint64 rows = 0;
    while (q.next()) {
        for (int c = 0; c < columns; ++c)
            (void)q.value(c);
        ++rows;
    }
    return rows;
}

inline qint64 readToEnd(Data::Database& db, const QString& sql, const QVariantList& params = {})
{
    Data::Query q(db, sql);
    q.bindAll(params);
    return readToEnd(q);
}

// A register's list statement for the filters (`Statement::build(dialect, filters)`), read bare.
template <class Statement>
Measured bareListStatement(Data::Database& db, const Otbor::TVarList* filters)
{
    Measured m;
    m.ms = median([&] {
        auto s = Statement::build(db.dialect(), filters);
        auto q = Data::TQueryCommandBuilder::render(*s).toQuery(db);
        m.rows = readToEnd(*q);
    });
    return m;
}

// The register's open for the filters up to its first screen shown.
template <class List>
Measured listToFirstScreen(Data::Database& db, const Otbor::TVarList* filters)
{
    Measured m;
    m.ms = median([&] {
        List list(db);
        list.setFilters(filters);
        list.reload();
        firstScreen(list);
        m.rows = list.recordCount();
    });
    return m;
}

// The whole register read batch by batch.
template <class List>
Measured listWhole(Data::Database& db, const Otbor::TVarList* filters)
{
    Measured m;
    m.ms = median([&] {
        List list(db);
        list.setFilters(filters);
        list.reload();
        list.fetchAll();
        m.rows = list.recordCount();
    });
    return m;
}

inline void reportCase(QTextStream& out, const QString& what, const Measured& m, const Measured& bare)
{
    out << "  " << what << ": " << QString::number(m.ms, 'f', 1) << " ms (" << m.rows << " rows), bare "
        << QString::number(bare.ms, 'f', 1) << " ms (" << bare.rows << " rows), ratio "
        << QString::number(bare.ms > 0 ? m.ms / bare.ms : 0, 'f', 3) << "\n";
    out.flush();
}

} // namespace Tarvo::Bench
