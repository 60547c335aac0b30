#pragma once

#include "data/modules/tdeffereddatamodule.h"
#include "data/rowset/trowset.h"

#include <QByteArray>

namespace Tarvo::Data {
class DatabaseError;
class Query;
} // namespace Tarvo::Data

namespace Tarvo::AcceptedOrders {

// The confirmation of one supplier order: its confirmed lines (soAccepted, kept in article
// order) and each line's division among the buyers' requests (boAccepted, in request order),
// edited in memory and written in one transaction. While the order waits, quantities move
// between the requests' ordered rows and the confirmed shares.
class TdmAccShed : public Data::TDefferedDataModule
{
    Q_OBJECT
public:
    static const QString DuplicateLineMessage;
    static const QString RuleViolationSuffix;
    static const QString ShippedDateMessage;
    static const QString DeleteRefusedSuffix;

    explicit TdmAccShed(Data::Database* db = nullptr, QObject* parent = nullptr);

    Data::TRowSet soAccepted;
    Data::TRowSet boAccepted;

    // Loads the order's confirmed lines; a second load is refused ("Уже загружен заказ %d").
    void loadOrder(int suoId);
    int orderId() const { return m_suoId; }
    // The order no longer waits: changes give nothing back to the ordered quantities.
    bool notWaiting() const { return m_notWaiting; }
    // "Догрузить": the not yet confirmed rest of every ordered line, as new lines marked to be
    // saved. Products with a line still pending are left out.
    void loadRest();
    // "Дублировать": a copy of the current line (none on an empty list).
    void duplicateLine();
    // The whole day chosen for the current line (and, with `allMerged`, for every line loaded by
    // "Догрузить").
    void setLineDate(const QDate& date, bool allMerged);
    bool currentIsMerged() const;
    // Double click: the save mark of a line that is not written yet.
    void toggleSaveRecord();
    void setSaveRecordForAll(bool save);
    // Why the current line may not be deleted (shipped, in a proforma); empty when it may.
    QString deletionRefusal() const;

    // Saves; with `stopWaiting` the order stops waiting with this save (and only with it).
    bool saveDocument(bool stopWaiting);

protected:
    void postEdits() override;
    void refreshAfterSave() override;
    void writeChanges() override;
    void acceptChanges() override;

private:
    struct Line;
    void appendLines(Data::Query& query, bool rest);
    void derivePriceAndRatio();
    void recalculate(int field);
    void trimDistribution(Data::TRowSet& line);
    void checkRequestRow(Data::TRowSet& row);
    QByteArray storedState() const;
    QString refusalFor(qint64 prId, const QDateTime& date) const;
    [[noreturn]] void mapWriteError(const Data::DatabaseError& e, qint64 prId, const QDateTime& date);

    int m_suoId = 0;
    bool m_notWaiting = false;
    bool m_stopWaiting = false;
    bool m_loadingRest = false;
    bool m_loading = false;
    bool m_internalInsert = false;
    bool m_inRecalc = false;
    QByteArray m_loadedState;
};

} // namespace Tarvo::AcceptedOrders
