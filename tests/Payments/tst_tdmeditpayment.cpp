// A payment's fields, its distribution over proformas, the chooser, the list and deleting, on
// both engines.
#include "Payments/paymentfixture.h"
#include "Payments/paymentlist.h"
#include "Payments/tdmeditpayment.h"
#include "db/schemasteps.h"
#include "otbor/registerotbors.h"
#include "otbor/tglobalotbors.h"
#include "support/testdatabase.h"

#include <QtTest>

using namespace Tarvo;
using namespace Tarvo::Payments;
using namespace Qt::Literals::StringLiterals;

using F = Test::PaymentFixture;

namespace {

QString refusal(const std::function<void()>& f)
{
    try {
        f();
    } catch (const Exception& e) {
        return e.message();
    }
    return {};
}

void header(TdmEditPayment& dm, const QList<std::pair<QString, QVariant>>& values)
{
    if (dm.qData.state() == Data::RowSetState::Browse)
        dm.qData.edit();
    for (const auto& [field, v] : values)
        dm.qData.setValue(field, v);
}

// A new dollar payment of 90000 roubles (1000 dollars at 90) to the dollar supplier.
void dollarPayment(F& f, TdmEditPayment& dm)
{
    dm.newPayment();
    header(dm, {{u"spm_recipient"_s, f.usd},
                {u"spm_cod_valut2"_s, u"USD"_s},
                {u"spm_date"_s, F::day(5)},
                {u"spm_sum"_s, F::amount("90000")},
                {u"spm_inum"_s, u"101"_s},
                {u"spm_snum"_s, u"ПП-101"_s}});
}

} // namespace

class PaymentTest : public QObject
{
    Q_OBJECT

private slots:
    // The payer preset, the converted sum, 600 then 400 over two proformas, a third refused.
    void newPaymentDistributed()
    {
        Test::TestDatabase tdb;
        F f(tdb.db());
        const qint64 a = f.proforma(f.usd, "700", u"USD"_s), b = f.proforma(f.usd, "500", u"USD"_s),
                     c = f.proforma(f.usd, "100", u"USD"_s), rouble = f.proforma(f.usd, "100");
        f.payment(f.usd, "100", u"USD"_s, {{a, "100"}});
        TdmEditPayment dm(&f.db);
        dollarPayment(f, dm);
        QCOMPARE(dm.qData.integer(u"spm_payer"_s), f.ourOrg);
        QCOMPARE(dm.qData.money(u"spm_sum2"_s), Money(1000));
        Data::TRowSet chooser;
        dm.openChooser(chooser);
        QCOMPARE(chooser.recordCount(), 3); // the rouble proforma is not offered
        QVERIFY(chooser.locate({u"pf_id"_s}, {a}));
        QCOMPARE(chooser.money(u"paid"_s), Money(100));
        QCOMPARE(chooser.money(u"pf_total"_s), Money(700));
        dm.addProforma(a);
        QCOMPARE(dm.Body.money(u"spp_sum"_s), Money(600));
        dm.openChooser(chooser);
        QCOMPARE(chooser.recordCount(), 2); // the proforma it holds is left out
        dm.addProforma(b);
        QCOMPARE(dm.Body.money(u"spp_sum"_s), Money(400));
        QCOMPARE(dm.freeRest(), Money());
        QCOMPARE(refusal([&] { dm.addProforma(c); }), TdmEditPayment::AllSpentMessage);
        QCOMPARE(refusal([&] { dm.openChooser(chooser); }), TdmEditPayment::AllSpentMessage);
        QVERIFY(dm.saveDocument());
        const qint64 spm = dm.paymentId();
        QVERIFY(spm > 0);
        QCOMPARE(f.rows(u"select spm_payer, spm_recipient, spm_date, spm_sum, spm_cod_valut, spm_sum2, spm_cod_valut2, "
                        "spm_inum, spm_snum, spm_nal, spm_user_id, spm_unicum_plt from scm_payments where spm_id = ?"_s,
                        {spm}),
                 QStringList{u"%1 %2 05.02 90000.0000  1000.0000 USD 101 ПП-101 0 %3 null"_s.arg(f.ourOrg).arg(f.usd).arg(
                     f.adminId)});
        QCOMPARE(f.parts(spm), (QStringList{u"%1 600.0000"_s.arg(a), u"%1 400.0000"_s.arg(b)}));
        Q_UNUSED(rouble);

        // Edited: a part lowered, one removed; the distributed sum cannot exceed the proforma's rest.
        dm.loadPayment(spm);
        QVERIFY(dm.Body.locate({u"spp_pf_id"_s}, {a}));
        dm.Body.remove();
        QVERIFY(dm.Body.locate({u"spp_pf_id"_s}, {b}));
        dm.Body.edit();
        dm.Body.setValue(u"spp_sum"_s, F::amount("550"));
        QCOMPARE(refusal([&] { dm.Body.post(); }), TdmEditPayment::OverpaidMessage.arg(b));
        dm.Body.setValue(u"spp_sum"_s, F::amount("300"));
        dm.Body.post();
        QCOMPARE(dm.freeRest(), Money(700));
        QVERIFY(dm.saveDocument());
        QCOMPARE(f.parts(spm), QStringList{u"%1 300.0000"_s.arg(b)});
    }

    // With proformas chosen, recipient and supplier currency stay; the supplier sum stays above D.
    void distributedPaymentKeepsItsSupplier()
    {
        Test::TestDatabase tdb;
        F f(tdb.db());
        const qint64 a = f.proforma(f.usd, "700", u"USD"_s);
        TdmEditPayment dm(&f.db);
        dollarPayment(f, dm);
        dm.addProforma(a);
        dm.qData.edit();
        QCOMPARE(refusal([&] { dm.qData.setValue(u"spm_recipient"_s, f.rub); }), TdmEditPayment::DistributedMessage);
        QCOMPARE(refusal([&] { dm.qData.setValue(u"spm_cod_valut2"_s, u""_s); }), TdmEditPayment::DistributedMessage);
        QCOMPARE(refusal([&] { dm.qData.setValue(u"spm_sum2"_s, F::amount("699")); }), TdmEditPayment::AllSpentMessage);
        QCOMPARE(refusal([&] { dm.qData.setValue(u"spm_sum"_s, F::amount("0")); }), TdmEditPayment::InvalidSumMessage);
        QCOMPARE(dm.qData.integer(u"spm_recipient"_s), f.usd);
        // A supplier sum the user corrects is kept.
        dm.qData.setValue(u"spm_sum2"_s, F::amount("900"));
        QVERIFY(dm.saveDocument());
        QCOMPARE(f.rows(u"select spm_sum2 from scm_payments"_s), QStringList{u"900.0000"_s});
        dm.Body.first();
        dm.Body.remove();
        dm.qData.edit();
        dm.qData.setValue(u"spm_recipient"_s, f.rub);
        dm.qData.setValue(u"spm_cod_valut2"_s, u""_s);
        QCOMPARE(dm.qData.money(u"spm_sum2"_s), Money(90000));
        QVERIFY(dm.saveDocument());
        QCOMPARE(f.rows(u"select spm_recipient, spm_cod_valut2, spm_sum2 from scm_payments"_s),
                 QStringList{u"%1  90000.0000"_s.arg(f.rub)});
    }

    // Missing fields stop the save with the field named; nothing is written.
    void requiredFields()
    {
        Test::TestDatabase tdb;
        F f(tdb.db());
        TdmEditPayment dm(&f.db);
        dm.newPayment();
        header(dm, {{u"spm_recipient"_s, f.rub}, {u"spm_sum"_s, F::amount("10")}, {u"spm_inum"_s, u"1"_s}});
        QCOMPARE(refusal([&] { dm.saveDocument(); }), u"Не заполнено поле \"Доп. номер\""_s);
        QCOMPARE(f.rows(u"select count(*) from scm_payments"_s), QStringList{u"0"_s});
    }

    // Two editors pay one proforma: the second save is refused, nothing of it kept.
    void othersPaymentsCount()
    {
        Test::TestDatabase tdb;
        F f(tdb.db());
        const qint64 a = f.proforma(f.rub, "1000");
        TdmEditPayment first(&f.db), second(&f.db);
        for (TdmEditPayment* dm : {&first, &second}) {
            dm->newPayment();
            header(*dm, {{u"spm_recipient"_s, f.rub}, {u"spm_sum"_s, F::amount("800")}, {u"spm_inum"_s, u"1"_s},
                         {u"spm_snum"_s, u"1"_s}});
            dm->addProforma(a);
        }
        QVERIFY(first.saveDocument());
        QVERIFY_THROWS_EXCEPTION(Tarvo::Abort, second.saveDocument());
        QCOMPARE(f.shown, QStringList{TdmEditPayment::OverpaidMessage.arg(a)});
        QVERIFY(second.modified());
        QCOMPARE(f.rows(u"select spp_sum from scm_pfpayment"_s), QStringList{u"800.0000"_s});
        QCOMPARE(f.rows(u"select count(*) from scm_payments"_s), QStringList{u"1"_s});
    }

    // The list: distributed sum and free rest (the whole supplier sum without rows), edits that
    // write only what was typed, the manager restriction, deleting.
    void listEditsAndDeletes()
    {
        Test::TestDatabase tdb;
        F f(tdb.db());
        const qint64 a = f.proforma(f.rub, "1000");
        const qint64 paid = f.payment(f.rub, "600", u""_s, {{a, "400"}});
        const qint64 bare = f.payment(f.rub, "250", u""_s, {});
        PaymentList list(f.db);
        list.reload();
        QCOMPARE(list.recordCount(), 2);
        QVERIFY(list.locateKey(paid));
        QCOMPARE(list.money(u"spp_sum"_s), Money(400));
        QCOMPARE(list.money(u"not_spp_sum"_s), Money(200));
        QCOMPARE(list.string(u"recipient_nuser"_s), u"РУБ"_s);
        QCOMPARE(list.string(u"payer_name"_s), u"ООО Мы"_s);
        QVERIFY(list.locateKey(bare));
        QCOMPARE(list.money(u"not_spp_sum"_s), Money(250));

        // Another user corrects the extra number and the payment is exported meanwhile.
        f.db.exec(u"update scm_payments set spm_snum = 'чужой', spm_unicum_plt = 77 where spm_id = ?"_s, {bare});
        list.edit();
        list.setValue(u"spm_inum"_s, u"555"_s);
        list.post();
        QCOMPARE(f.rows(u"select spm_inum, spm_snum, spm_unicum_plt from scm_payments where spm_id = ?"_s, {bare}),
                 QStringList{u"555 чужой 77"_s});
        list.edit();
        QCOMPARE(refusal([&] { list.setValue(u"spm_sum"_s, F::amount("1")); }).isEmpty(), false);
        list.cancel();

        // Own payments only without right 100001.
        const qint64 me = f.db.insertReturning(
            u"insert into CRM_USERS (US_LOGIN, US_NAME, US_DEP) values ('me', 'Я сам', 'Отдел закупок')"_s, u"US_ID"_s);
        f.db.exec(u"update scm_payments set spm_user_id = ? where spm_id = ?"_s, {me, bare});
        Shell::TDataBaseConnection::instance().setCurrentUser(int(me), u"Я сам"_s, u"me"_s, u"Отдел закупок"_s);
        Otbor::TGlobalOtbors global;
        const auto filters = Otbor::RegisterOtbors::makeList(Otbor::OtborRegister::Payments, global);
        PaymentList own(f.db);
        own.setFilters(filters.get());
        own.reload();
        QCOMPARE(own.recordCount(), 1);
        QCOMPARE(own.currentPayment(), bare);

        TdmEditPayment::cmdDeletePayment(f.db, paid);
        QCOMPARE(f.rows(u"select count(*) from scm_pfpayment"_s), QStringList{u"0"_s});
        QCOMPARE(f.rows(u"select spm_id from scm_payments"_s), QStringList{QString::number(bare)});
        QCOMPARE(refusal([&] { TdmEditPayment::cmdDeletePayment(f.db, paid); }), TdmEditPayment::DeletedMessage);
    }

    // Stored null supplier codes become roubles, and null supplier sums of rouble payments the sum.
    void nullCodesBecomeRoubles()
    {
        Test::TestDatabase tdb;
        F f(tdb.db());
        const qint64 a = f.proforma(f.rub, "1000");
        f.db.exec(u"insert into scm_payments (spm_payer, spm_recipient, spm_date, spm_sum, spm_cod_valut, spm_inum, "
                  "spm_snum) values (?, ?, ?, 300, '', '1', '1'), (?, ?, ?, 400, 'USD', '2', '2')"_s,
                  {f.ourOrg, f.rub, F::day(2), f.ourOrg, f.usd, F::day(2)});
        Data::MigrationContext ctx(f.db);
        Data::SchemaSteps::paymentCurrencyCodes(ctx);
        QCOMPARE(f.rows(u"select spm_cod_valut2, spm_sum2 from scm_payments order by spm_id"_s),
                 (QStringList{u" 300.0000"_s, u" null"_s}));
        // The rouble payment now finds the rouble proforma.
        TdmEditPayment dm(&f.db);
        dm.loadPayment(f.db.scalar(u"select min(spm_id) from scm_payments"_s).toLongLong());
        Data::TRowSet chooser;
        dm.openChooser(chooser);
        QCOMPARE(chooser.recordCount(), 1);
        QCOMPARE(chooser.integer(u"pf_id"_s), a);
    }
};

QTEST_GUILESS_MAIN(PaymentTest)
#include "tst_tdmeditpayment.moc"
