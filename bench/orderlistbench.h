#pragma once

// The supplier-order register's measuring steps, for bench_orderlist and the cases that build on
// the same volume data (the picker, the forming window): each gives the median milliseconds and
// what was read.
#include "SupplierOrders/openrequestamounts.h"
#include "SupplierOrders/supplierorderforming.h"
#include "SupplierOrders/supplierorderlist.h"
#include "SupplierOrders/supplierproductlist.h"
#include "SupplierOrders/supplierproductquery.h"
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

// Reads a statement to its end through Query, every value touched.
inline qint64 readBare(Data::Database& db, const QString& sql, const QVariantList& params = {})
{
    Data::Query q(db, sql);
    q.bindAll(params);
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

// The supplier offering the most products that have no main product: the picker's largest "Все".
inline qint64 largestAssortment(Data::Database& db)
{
    return db
        .scalar(QStringLiteral("select sam_prv_id from scm_artcmap join crm_product on PR_ID = sam_pr_id "
                               "where PR_ID_MAIN is null group by sam_prv_id order by count(*) desc, sam_prv_id "
                               "limit 1"))
        .toLongLong();
}

// The product picker's "Все" for the supplier, batch by batch, against its statement read whole.
inline QPair<Measured, Measured> pickerAll(Data::Database& db, qint64 supplier)
{
    Measured list, bare;
    list.ms = median([&] { list.rows = SupplierOrders::SupplierProductList::readAll(db, supplier, -1); });
    const auto q = SupplierOrders::SupplierProductQuery::forNode(supplier, 0, -1);
    bare.ms = median([&] { bare.rows = readBare(db, q.sql, q.params); });
    return {list, bare};
}

// "Формирование заказа поставщику" up to its first screen, against the open-amount statement.
inline QPair<Measured, Measured> formingOpen(Data::Database& db)
{
    Measured window, bare;
    window.ms = median([&] {
        SupplierOrders::SupplierOrderForming forming(db);
        forming.open();
        window.rows = forming.lines().size();
    });
    bare.ms = median([&] { bare.rows = readBare(db, SupplierOrders::OpenRequestAmounts::statement(db.dialect())); });
    return {window, bare};
}

inline void reportCase(QTextStream& out, const QString& what, const Measured& m, const Measured& bare)
{
    out << "  " << what << ": " << QString::number(m.ms, 'f', 1) << " ms (" << m.rows << " rows), bare "
        << QString::number(bare.ms, 'f', 1) << " ms (" << bare.rows << " rows), ratio "
        << QString::number(bare.ms > 0 ? m.ms / bare.ms : 0, 'f', 3) << "\n";
    out.flush();
}

} // namespace Tarvo::Bench
