#pragma once

// The supplier-order register's measuring steps, for bench_orderlist and the cases that build on
// the same volume data (the picker, the forming window): each gives the median milliseconds and
// what was read.
#include "SupplierOrders/supplierorderlist.h"
#include "SupplierOrders/supplierorderliststatement.h"
#include "benchmedian.h"
#include "data/engine/database.h"
#include "data/engine/query.h"
#include "volumebench.h"

#include <QTextStream>

namespace Tarvo::Bench {

struct Measured
{
    double ms = 0;
    qint64 rows = 0;
};

// The bare list statement for the filters, read to its end through Query: the yardstick.
inline Measured bareOrderStatement(Data::Database& db, const Otbor::TVarList* filters)
{
    Measured m;
    m.ms = median([&] {
        auto s = SupplierOrders::SupplierOrderListStatement::build(db.dialect(), filters);
        auto q = Data::TQueryCommandBuilder::render(*s).toQuery(db);
        q->exec();
        const int columns = q->columnCount();
        m.rows = 0;
        while (q->next()) {
            for (int c = 0; c < columns; ++c)
                (void)q->value(c);
            ++m.rows;
        }
    });
    return m;
}

// The register's open for the filters up to its first screen shown.
inline Measured orderRegisterOpen(Data::Database& db, const Otbor::TVarList* filters)
{
    Measured m;
    m.ms = median([&] {
        SupplierOrders::SupplierOrderList list(db);
        list.setFilters(filters);
        list.reload();
        firstScreen(list);
        m.rows = list.recordCount();
    });
    return m;
}

// The whole register read batch by batch.
inline Measured orderRegisterWhole(Data::Database& db, const Otbor::TVarList* filters)
{
    Measured m;
    m.ms = median([&] {
        SupplierOrders::SupplierOrderList list(db);
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
