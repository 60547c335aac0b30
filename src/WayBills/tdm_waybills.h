#pragma once

#include "data/engine/money.h"
#include "data/modules/tdeffereddatamodule.h"
#include "data/rowset/trowset.h"

#include <QHash>

namespace Tarvo::Data {
class DatabaseError;
}

namespace Tarvo::WayBills {

// One waybill edited in memory: the waybill row, its supplier invoices, their delivered products,
// each product's order rows (from which confirmed lines its quantity comes) and each order row's
// request rows (for which buyers), linked by provisional keys. The save writes it in one
// transaction and moves the requests' confirmed, not yet shipped quantities with every request
// row that changes.
class Tdm_WayBills : public Data::TDefferedDataModule
{
    Q_OBJECT
public:
    static const QString NoGoodsMessage;
    static const QString ChangedElsewhereMessage;
    static const QString SavedMessage;

    explicit Tdm_WayBills(Data::Database* db = nullptr, QObject* parent = nullptr);

    Data::TRowSet wayBills;
    Data::TRowSet deliveryInvoices;
    Data::TRowSet deliveredProduct;
    Data::TRowSet orderInvoice;
    Data::TRowSet offerInvoice;
    // Lookups: suppliers (par_id, name_user) and warehouses (ID_SCLAD, NAME_SCLAD).
    Data::TRowSet suppliers;
    Data::TRowSet sclads;

    void loadWayBill(int swbId);
    // A new unsaved waybill with the defaults; `from` copies another's stations, consignor,
    // conditions and tariff (dates today, no goods).
    void newWayBill();
    void copyIntoNew();
    int wayBillId() const { return m_swbId; }
    bool isOpen() const { return !wayBills.isEmpty(); }

    // The confirmed, not yet shipped rest of the order into the current invoice (a new one when
    // the waybill has none; an invoice without a supplier takes the order's).
    void addOrder(int suoId);
    // A new invoice without a supplier: the next order added fills it.
    void addInvoice();
    void addProduct(qint64 prId, Money amount = Money(1));
    void deleteInvoice();
    void deleteProduct();
    void deleteOrderRow();
    void deleteRequestRow();

    // Whether the current waybill's goods are all received: such a waybill opens for viewing.
    bool fullyReceived() const;

    bool saveDocument();

protected:
    void postEdits() override;
    void refreshAfterSave() override;
    void writeChanges() override;
    void acceptChanges() override;

private:
    void defineFields();
    void loadLookups();
    void linkMasters(bool on);
    void recalcWeight();
    void cutOrderRows(Data::TRowSet& product);
    void cutRequestRows(Data::TRowSet& orderRow);
    void rememberDiscarded(const QString& orderFilter, const QString& requestFilter);
    void refuseIfReceived(const QString& requestFilter) const;
    void checkRequired();
    Money editorRest(qint64 suo, qint64 pr, const QDateTime& date) const;
    Money editorShare(qint64 suo, qint64 pr, const QDateTime& date, qint64 bof) const;
    void fillInvoiceFromOrder(const QVariantList& head, const QStringList& columns);
    [[noreturn]] void mapWriteError(const Data::DatabaseError& e, qint64 sdeLink, qint64 pr);

    int m_swbId = 0;
    int m_savedId = 0;
    bool m_loading = false;
    // Stored amounts of rows dropped from memory with their parent: their procedures give them back.
    QHash<QString, Money> m_discardedLines;  // "suo|pr|date" → Σ sdi_amount
    QHash<QString, Money> m_discardedShares; // "suo|pr|date|bof" → Σ soi_amount
};

} // namespace Tarvo::WayBills
