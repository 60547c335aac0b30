#pragma once

#include "SupplierOrders/openrequestamounts.h"
#include "SupplierOrders/supplieroffers.h"
#include "SupplierOrders/supplierorderpreparation.h"
#include "data/modules/tquerynodes.h"

#include <QHash>
#include <QList>

namespace Tarvo::Data {
class Database;
}
namespace Tarvo::Otbor {
class TVarList;
}

namespace Tarvo::SupplierOrders {

// What is ordered of a product from one supplier (a row of "Заказать у поставщика"). A row
// without a supplier yet has supplierId 0.
struct SupplyRow
{
    qint64 productId = 0;
    qint64 supplierId = 0;
    QString supplierName;
    Money amount;
    QString currency; // empty for roubles
    Money roublePrice;
    Money currencyPrice; // the supplier's own price
    double rate = 1;
};

// The document of choosing suppliers for the open amounts of the approved requests that the
// request register lists: the open lines (BOF_PR), their sum per product (AggProducts), the
// cheapest supplier proposed for each product and the rows the user makes of it (SOP_PR), and
// the product's assortment rows, which may be edited here. Nothing but assortment rows is
// written before save().
class TdmAggSupplierOrder
{
public:
    explicit TdmAggSupplierOrder(Data::Database& db) : m_db(db), m_offers(db) {}

    // Reads the open lines of the requests the register's statement passes with `filters`
    // (null: every request) in one statement, and the cheapest supplier of every product in a
    // second one; false when nothing is open.
    bool collect(const Otbor::TVarList* filters);
    // The two statements collect() runs, rendered with their parameters.
    static Data::TQueryCommandBuilder collectingStatement(const Data::Dialect& dialect,
                                                          const Otbor::TVarList* filters, bool productsOnly);

    const QList<OpenRequestLine>& requestLines() const { return m_lines; }
    const QList<OpenProduct>& products() const { return m_products; }
    const OpenProduct* product(qint64 productId) const;
    const QList<SupplyRow>& supplies() const { return m_supplies; }
    // Indexes into supplies() of the product's rows, in order.
    QList<int> suppliesOf(qint64 productId) const;

    // The product's assortment rows, cheapest first; read again after an edit.
    const QList<SupplierOffer>& offers(qint64 productId);

    // A new row of the product without a supplier; its index.
    int addSupply(qint64 productId);
    void removeSupply(int row);
    // Takes the supplier's currency, rate and price from its assortment row of the product. A
    // currency without a usable rate asks today's (the quotation dialog); its cancel leaves the
    // row without a supplier and is passed on (Tarvo::Abort).
    void setSupplier(int row, qint64 supplierId);
    // 0 or less is refused.
    void setAmount(int row, Money amount);
    // Rows kept with a supplier whose currency had no usable rate ask it now, as setSupplier().
    void requireRates();

    // The assortment row as edited in "Поставщики выбранного товара": a supplier known only
    // as a counterparty (`supplierCode`) is registered first, all in one transaction. Rows of
    // "Заказать у поставщика" with that supplier take the new price.
    struct OfferEdit
    {
        qint64 productId = 0;
        qint64 supplierId = 0; // 0 or less: not yet a supplier (`supplierCode` names it)
        QString supplierCode;
        qint64 oldSupplierId = 0; // 0 for a new row
        QString article;
        int deliveryDelay = 0;
        Money minLot{1};
        Money piecesPerPack{1};
        Money price;
        QString currency;
        int chainDelay = 0;
    };
    // Returns the supplier's id.
    qint64 saveOffer(const OfferEdit& edit);

    // The orders the rows make (none when no row has an amount); a row without a supplier is
    // refused, naming the product.
    PreparedOrders prepare() const;
    QList<qint64> save(const PreparedOrders& prepared);

    static QString nothingOpenText();
    static QString noSupplierText(const QString& article);
    static QString amountText();

private:
    void fromOffer(SupplyRow& row, const SupplierOffer& offer);
    void retakePrices(qint64 productId, qint64 supplierId);

    Data::Database& m_db;
    SupplierOffers m_offers;
    QList<OpenRequestLine> m_lines;
    QList<OpenProduct> m_products;
    QHash<qint64, qsizetype> m_productIndex;
    QList<SupplyRow> m_supplies;
    QHash<qint64, QList<SupplierOffer>> m_productOffers;
};

} // namespace Tarvo::SupplierOrders
