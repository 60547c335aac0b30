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
#include "registerbench.h"

namespace Tarvo::Bench {

// The bare list statement for the filters: the yardstick.
inline Measured bareOrderStatement(Data::Database& db, const Otbor::TVarList* filters)
{
    return bareListStatement<SupplierOrders::SupplierOrderListStatement>(db, filters);
}

// The register's open for the filters up to its first screen shown.
inline Measured orderRegisterOpen(Data::Database& db, const Otbor::TVarList* filters)
{
    return listToFirstScreen<SupplierOrders::SupplierOrderList>(db, filters);
}

// The whole register read batch by batch.
inline Measured orderRegisterWhole(Data::Database& db, const Otbor::TVarList* filters)
{
    return listWhole<SupplierOrders::SupplierOrderList>(db, filters);
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
    bare.ms = median([&] { bare.rows = readToEnd(db, q.sql, q.params); });
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
    bare.ms = median([&] { bare.rows = readToEnd(db, SupplierOrders::OpenRequestAmounts::statement(db.dialect())); });
    return {window, bare};
}

} // namespace Tarvo::Bench
