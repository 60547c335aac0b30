#pragma once

#include "BusOffer/editordocument.h"
#include "SupplierOrders/supplierorderlookups.h"

namespace Tarvo::SupplierOrders {

// A product of the supplier's assortment as the picker hands it to the order.
struct SupplierProduct
{
    qint64 productId = 0;
    QString articul;
    QString name;
    QString dop1, dop2, dop3;
    Money amount{1};
    // The assortment price in its currency (empty: roubles).
    Money price;
    QString code;
};

// One supplier order as the editor works on it (the editor core with the order's tables): the
// supplier is chosen before a new order opens and never changes; contract and stage are kept
// as one key "dg_id;st_id" (stage 0 for the contract itself, stored as a null stage); approval
// needs its right.
class SupplierOrderDocument : public BusOffer::EditorDocument
{
public:
    explicit SupplierOrderDocument(Data::Database& db);
    ~SupplierOrderDocument() override;

    SupplierOrderLookups& lookups() { return m_lookups; }
    qint64 suoId() const { return documentId(); }
    qint64 supplierId() const;
    QString supplierName() const;

    // A new order for this supplier (the open one is closed by the closing rules first).
    Closing openNew(qint64 supplierId, const QString& supplierName);

    // "dg_idst_id" sets the contract and its stage; "suo_accepted" needs the approval right.
    void setHeaderValue(const QString& field, const QVariant& value) override;
    // The current user may approve orders.
    bool mayApprove() const;

    // Adds a line for a product of the supplier's assortment (saving the header first).
    void addProduct(const SupplierProduct& product);
    // The picker's "В заказе": a missing product is added, 0 deletes the line.
    void setAmount(const SupplierProduct& product, Money amount);

    static qint64 nextAdditionalNumber(Data::Database& db);
    // The key of a contract and stage ("12;0", "12;5"); empty without a contract.
    static QString contractKey(const QVariant& contract, const QVariant& stage);

    static const QString DuplicateProductMessage;
    static const QString LastLineMessage;
    static const QString LineInWorkMessage;
    static const QString BadDateMessage;
    static const QString SavedMessage;
    static const QString OrderDeletedMessage;
    static const QString LineDeletedMessage;
    static const QString BadAdditionalNumberMessage;

protected:
    QString headerStatement() const override;
    QString linesStatement() const override;
    void presetNew() override;
    void opened() override;
    QVariantMap checkHeader(const BusOffer::OfferEditorRowSet& header) override;

private:
    static BusOffer::EditorDocumentLayout orderLayout();
    QString supplierArticle(qint64 productId) const;

    SupplierOrderLookups m_lookups;
    qint64 m_newSupplier = 0;
    QString m_newSupplierName;
};

} // namespace Tarvo::SupplierOrders
