#pragma once

#include "data/engine/money.h"
#include "data/modules/tdeffereddatamodule.h"
#include "data/rowset/trowset.h"

#include <QDateTime>
#include <QHash>
#include <QList>
#include <QSet>

namespace Tarvo::Data {
class Query;
class DatabaseError;
}

namespace Tarvo::Proformas {

class ProformaSplitWriter;
class TSplitedAccept;
struct TSplittedEntry;

// A supplier's proforma invoice: its header, its products, the parts of confirmed lines under
// each product (one per delivery invoice carrying the line, one for what no invoice carries yet)
// and the request parts under each part. A part may only shrink; what a save takes away from a
// confirmed line becomes a free remainder line a day or more later, with the invoice and
// request rows of the taken-away quantity moved along.
class TdmEditProforma : public Data::TDefferedDataModule
{
    Q_OBJECT
public:
    static const QString ChangedElsewhereMessage;
    static const QString CurrencyMismatchMessage;
    static const QString SupplierMismatchMessage;
    static const QString NothingToInvoiceMessage;
    static const QString GrowBeyondLoadedMessage;
    static const QString InvalidAmountMessage;
    static const QString NumberMissingMessage;
    static const QString LinkedPaymentsMessage;
    static const QString DeleteFailedMessage;

    explicit TdmEditProforma(Data::Database* db = nullptr, QObject* parent = nullptr);
    ~TdmEditProforma() override;

    Data::TRowSet dsHead;
    Data::TRowSet dsProducts;
    Data::TRowSet dsProductsOrder;
    Data::TRowSet dsProductsOffer;

    // A new proforma of the free confirmed lines of the orders (one supplier, one currency).
    // Refused, with nothing loaded, for mixed orders or when no line is free.
    void loadFromOrders(const QList<qint64>& orderIds);
    void loadProforma(qint64 pfId);
    bool isNew() const { return m_pfId == 0; }
    qint64 proformaId() const { return m_pfId; }

    // "Сумма тов": the header's sum from the products' sums, the current product kept.
    void sumFromProducts();
    // Saves and tells the confirmed-order lists and the proforma list.
    bool saveDocument();

    // Releases the proforma's lines (split lines stay split), drops its payment plan and the
    // header, in a transaction of its own.
    static void cmdDeletePf(Data::Database& db, qint64 pfId);

protected:
    void postEdits() override;
    void refreshAfterSave() override;
    void writeChanges() override;
    void acceptChanges() override;

private:
    struct LoadedRequest
    {
        qint64 bof = 0;
        Money amount;
        QString person;
        QVariant planStart;
    };
    struct LoadedPart
    {
        int link = 0;
        qint64 pr = 0, suo = 0;
        QDateTime date;
        QVariant sde, swb, sdp;
        Money loaded;
        Money lineAmount, lineSum, lineSumValut;
        QString articul;
        QList<LoadedRequest> requests;
        bool invoiced() const { return !sde.isNull(); }
    };

    void clearDocument();
    // The parts and request parts of the lines each key's value picks.
    void loadParts(Data::Query& parts, Data::Query& requests, const QString& param, const QVariantList& keys);
    // A request part's row in the fields' order.
    static QVariantList offerRow(const LoadedPart& p, const LoadedRequest& r, Money keep);
    void rebuildRequests(int link, Money amount);
    void recalcProduct(qint64 prId);
    void walkProduct();
    void checkPartChange(const Data::TRowSet& part, Money newAmount) const;
    // The invoice rows of the orders whose goods were received, read in one statement per order.
    QSet<QString> receivedRows(const QSet<qint64>& orders) const;
    // Why the part's invoice row cannot change (its goods were received, as `received` says);
    // empty when it can.
    QString receivedRefusal(const LoadedPart& p, const QSet<QString>& received) const;
    QList<QPair<LoadedRequest, Money>> requestCut(const LoadedPart& p, Money amount) const;
    QHash<int, Money> currentAmounts() const;
    void productTotals(qint64 prId, Money& amount, Money& sum) const;
    void dropRequests(int link);
    // The part keeps nothing any more: its request parts go with it.
    void dropPart(int link);
    void writeHeader();
    void insertRemainders(ProformaSplitWriter& writer, const QList<TSplittedEntry*>& splits);
    void insertRemainder(Data::Query& insLine, TSplittedEntry& e);
    void insertRemainderAt(Data::Query& insLine, TSplittedEntry& e, const QDateTime& date);
    static bool remainderDateTaken(const Data::DatabaseError& err);
    // Gathers the rows the removed quantity of a split line's parts moves.
    void moveRows(ProformaSplitWriter& writer, const TSplittedEntry& e, const QList<const LoadedPart*>& parts,
                  const QHash<int, Money>& current);
    bool valuted() const;

    qint64 m_pfId = 0;
    qint64 m_writtenPfId = 0;
    QHash<int, LoadedPart> m_parts;
    QList<int> m_order; // part links in loaded order
    QHash<int, Money> m_current; // parts still listed, with their quantities
    QHash<qint64, QList<int>> m_partsOf;
    QHash<int, QList<Data::TRowSet::Bookmark>> m_offerMarks;
    QHash<qint64, Data::TRowSet::Bookmark> m_productRows;
    // Received invoice rows as loaded: edits are refused by them, the save reads them again.
    QSet<QString> m_received;
    bool m_loading = false;
    bool m_walking = false;
    // Fields written for every edit, found once.
    int m_productAmountField = -1, m_productSumField = -1, m_productPriceField = -1;
    int m_partAmountField = -1;
};

} // namespace Tarvo::Proformas
