#pragma once

#include "data/engine/money.h"
#include "data/modules/tdeffereddatamodule.h"
#include "data/rowset/trowset.h"

namespace Tarvo::Data {
class Query;
}

namespace Tarvo::Payments {

// One payment to a supplier and its distribution over the supplier's proformas in the
// supplier's currency: never more than the payment's sum in that currency, never more to a
// proforma than it still owes.
class TdmEditPayment : public Data::TDefferedDataModule
{
    Q_OBJECT
public:
    static const QString AllSpentMessage;
    static const QString InvalidSumMessage;
    static const QString DistributedMessage;
    static const QString ChangedElsewhereMessage;
    static const QString OverpaidMessage;
    static const QString DeletedMessage;

    explicit TdmEditPayment(Data::Database* db = nullptr, QObject* parent = nullptr);

    // The payment's row (the columns of scm_payments).
    Data::TRowSet qData;
    // "spp_pf_id", "spp_sum" and, for reading, the proforma's numbers and sum.
    Data::TRowSet Body;

    // A new payment: today, non-cash, roubles, the payer preset by "USE_MYORG_PLAT"/"MyOrgCons".
    void newPayment();
    void loadPayment(qint64 spmId);
    qint64 paymentId() const { return m_spmId; }
    bool isNew() const { return m_spmId == 0; }
    // Exported to the warehouse accounting (its number), 0 when not.
    qint64 exportedNumber() const;
    // A new payment nobody typed into yet.
    bool untouched() const { return m_untouched && Body.clone()->isEmpty(); }

    // D: the distributed sums as they stand.
    Money distributed() const;
    // spm_sum2 − D.
    Money freeRest() const;
    // Refused with "Вся сумма израсходована" when nothing is left to distribute.
    void checkCanAdd() const;
    // Refused with "Платеж распределен по счетам. Сначала удалите счета" while the payment has
    // rows: they belong to its recipient and supplier currency.
    void checkUndistributed() const;
    // The recipient's proformas in the supplier's currency that still owe something, less the
    // ones this payment holds: pf_id, pf_date, pf_dopnomer, pf_snomer, "Сумма" (pf_sum +
    // pf_surcharge, as `pf_total`), "Оплачено" (other payments, as `paid`).
    void openChooser(Data::TRowSet& rows) const;
    // Adds the proforma with the smaller of the free rest and what it still owes.
    void addProforma(qint64 pfId);
    // What the proforma still owes besides this payment's rows as they stand.
    Money unpaidRest(qint64 pfId) const;

    // Saves and tells the lists that show proformas and payments.
    bool saveDocument();

    // The payment's proforma rows and the payment, in a transaction of its own.
    static void cmdDeletePayment(Data::Database& db, qint64 spmId);
    // The parameter of scm_parametrs named so, trimmed.
    static QString namedParameter(Data::Database& db, const QString& name);

protected:
    void postEdits() override;
    void refreshAfterSave() override;
    void writeChanges() override;
    void acceptChanges() override;

private:
    void loadBody(qint64 spmId);
    bool validHeader(Data::TRowSet& rows, int field, const QVariant& value);
    void headerChanged(Data::TRowSet& rows, int field);
    void checkHeader(Data::TRowSet& rows);
    void checkRow(Data::TRowSet& rows);
    Money othersDistributed() const;
    Money storedOtherPayments(qint64 pfId) const;
    void followSupplierSum(Data::TRowSet& rows);
    QVariantList headerValues() const;
    void checkStoredLimits(const QList<qint64>& proformas);

    qint64 m_spmId = 0;
    qint64 m_writtenId = 0;
    bool m_loading = false;
    bool m_untouched = false;
};

} // namespace Tarvo::Payments
