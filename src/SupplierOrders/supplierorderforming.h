#pragma once

#include "SupplierOrders/openrequestamounts.h"
#include "SupplierOrders/supplieroffers.h"
#include "SupplierOrders/supplierorderpreparation.h"

#include <QHash>
#include <QList>

namespace Tarvo::Data {
class Database;
}

namespace Tarvo::SupplierOrders {

// The document of "Формирование заказа поставщику": the open amounts of approved requests per
// product, the product's suppliers, and the amounts the user assigns to them, one assignment per
// product and supplier. Nothing is written before save().
class SupplierOrderForming
{
public:
    explicit SupplierOrderForming(Data::Database& db) : m_db(db), m_offers(db) {}

    // Reads the open amounts again and drops every assignment.
    void load();
    // What "Формирование заказа поставщику" reads before it shows: the open amounts and the
    // suppliers of the first product.
    void open();
    bool isEmpty() const { return m_products.isEmpty(); }

    const QList<OpenRequestLine>& lines() const { return m_lines; }
    const QList<OpenProduct>& products() const { return m_products; }
    const OpenProduct* product(qint64 productId) const;

    // The product's suppliers, cheapest first (read once per product).
    const QList<SupplierOffer>& offers(qint64 productId);

    const QList<SupplierAssignment>& assignments() const { return m_assignments; }
    QList<SupplierAssignment> assignmentsOf(qint64 productId) const;
    Money assigned(qint64 productId) const;
    Money unassigned(qint64 productId) const;

    // Sets what is ordered of the product from the offer's supplier; 0 removes the assignment.
    // More than the product requires in all is refused, and so is a negative amount. A supplier
    // whose currency has no usable rate needs one first (the quotation dialog).
    void assign(qint64 productId, qint64 supplierId, Money amount);
    // Gives the supplier whatever of the product no supplier has yet.
    void assignRest(qint64 productId, qint64 supplierId);

    PreparedOrders prepare() const;
    // Writes the prepared orders (SupplierOrderWriter) and reads the open amounts again.
    QList<qint64> save(const PreparedOrders& prepared);

    static QString overAssignedMessage(const OpenProduct& product, Money wanted);

private:
    SupplierOffer& offer(qint64 productId, qint64 supplierId);

    Data::Database& m_db;
    SupplierOffers m_offers;
    QList<OpenRequestLine> m_lines;
    QList<OpenProduct> m_products;
    QHash<qint64, QList<SupplierOffer>> m_productOffers;
    QList<SupplierAssignment> m_assignments;
};

} // namespace Tarvo::SupplierOrders
