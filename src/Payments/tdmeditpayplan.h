#pragma once

#include "data/engine/money.h"
#include "data/modules/tdeffereddatamodule.h"
#include "data/rowset/trowset.h"

#include <QDate>

namespace Tarvo::Payments {

// A proforma's payment plan: dated instalments given as sums or as percentages of the
// proforma's sum, never more in total than the sum. Instalments of one day are one key.
class TdmEditPayPlan : public Data::TDefferedDataModule
{
    Q_OBJECT
public:
    static const QString AllDistributedMessage;
    static const QString InvalidSumMessage;
    static const QString DateTakenMessage;
    static const QString ChangedElsewhereMessage;
    static const QString NoPercentMessage;
    static const QString DateMissingMessage;

    explicit TdmEditPayPlan(Data::Database* db = nullptr, QObject* parent = nullptr);

    // The proforma with its supplier's short (`supplier`) and full name (`name_user`).
    Data::TRowSet dsHead;
    // "sps_date", "sps_sum", "prcnt" (null for a proforma of sum 0).
    Data::TRowSet dsBody;

    void loadPlan(qint64 pfId);
    qint64 proformaId() const { return m_pfId; }
    Money proformaSum() const { return m_pfSum; }
    // T: every planned sum, the row being edited as typed.
    Money total() const;
    // Saves and tells the lists that show proformas.
    bool saveDocument();

    // sum × percent / 100 to the fourth decimal, half away from zero.
    static Money percentOf(Money sum, Money percent);

protected:
    void postEdits() override;
    void refreshAfterSave() override;
    void writeChanges() override;
    void acceptChanges() override;

private:
    void newRow(Data::TRowSet& rows);
    void checkRow(Data::TRowSet& rows);
    void fieldChanged(Data::TRowSet& rows, int field);
    bool validValue(Data::TRowSet& rows, int field, const QVariant& value);
    // The planned sums of every row but the one being edited.
    Money othersTotal(int* count = nullptr) const;
    QDate proposedDate() const;

    qint64 m_pfId = 0;
    Money m_pfSum;
    bool m_loading = false;
};

} // namespace Tarvo::Payments
