#include "BusOffer/listfixture.h"
#include "Proformas/proformafixture.h"
#include "Proformas/proformalist.h"
#include "Proformas/proformalistdetails.h"
#include "otbor/registerotbors.h"
#include "otbor/tglobalotbors.h"
#include "otbor/tvardate.h"
#include "otbor/tvarstringcompare.h"
#include "support/testdatabase.h"

#include <QtTest>

using namespace Tarvo;
using namespace Tarvo::Proformas;
using namespace Qt::Literals::StringLiterals;

using F = Test::ProformaFixture;

// The proforma register's rows, filters, batches and details, on both engines.
class ProformaListTest : public QObject
{
    Q_OBJECT

    static qint64 proforma(F& f, qint64 supplier, const QDateTime& date, const char* sum, const char* surcharge = "0")
    {
        return f.db.insertReturning(u"insert into scm_Proforma (pf_dopnomer, pf_supplier, pf_sum, pf_date, pf_surcharge, "
                                    "pf_user_id) values (1, ?, ?, ?, ?, ?)"_s,
                                    u"pf_id"_s, {supplier, F::amount(sum), date, F::amount(surcharge), f.adminId});
    }
    static void pay(F& f, qint64 pf, const QDateTime& date, const char* sum)
    {
        const qint64 spm = f.db.insertReturning(
            u"insert into scm_payments (spm_payer, spm_recipient, spm_date, spm_sum, spm_inum, spm_snum) "
            "values (?, ?, ?, ?, '1', '1')"_s,
            u"spm_id"_s, {f.buyer, f.supplier, date, F::amount(sum)});
        f.db.exec(u"insert into scm_pfpayment (spp_spm_id, spp_pf_id, spp_sum) values (?, ?, ?)"_s, {spm, pf, F::amount(sum)});
    }
    static QMap<qint64, QString> states(ProformaList& list)
    {
        QMap<qint64, QString> r;
        list.reload();
        list.fetchAll();
        for (list.first(); !list.eof(); list.next())
            r.insert(list.integer(u"pf_id"_s), list.string(u"State"_s));
        return r;
    }

private slots:
    void rowsStatesFiltersAndBatches()
    {
        Test::TestDatabase tdb;
        F f(tdb.db());
        const qint64 other = f.catalog.partner(u"ДРУГ"_s, u"ООО Другой"_s, u"П"_s);
        const qint64 suo = f.order(), a = f.product(u"A-1"_s);
        f.acceptedLine(suo, a, F::day(5), "3", "100");
        // Unpaid with a line; paid in full (0.1 + 0.2 of 0.3, compared rounded); paid in part;
        // without lines or payments; another supplier's.
        const qint64 unpaid = proforma(f, f.supplier, F::day(3), "100");
        f.db.exec(u"update scm_so_accepted set soa_pf_id = ?"_s, {unpaid});
        const qint64 paid = proforma(f, f.supplier, F::day(4), "0.2", "0.1");
        pay(f, paid, F::day(5), "0.1");
        pay(f, paid, F::day(6), "0.2");
        const qint64 part = proforma(f, f.supplier, F::day(6), "100");
        pay(f, part, F::day(7), "40");
        const qint64 bare = proforma(f, f.supplier, F::day(8), "5");
        const qint64 theirs = proforma(f, other, F::day(20), "7");

        Otbor::TGlobalOtbors global;
        auto own = Otbor::RegisterOtbors::makeList(Otbor::OtborRegister::ProformaInvoices, global);
        ProformaList list(f.db);
        list.setFilters(own.get());
        list.setBatchSize(2);
        list.setFirstRows(1);
        list.reload();
        QVERIFY(list.recordCount() < 5);
        QVERIFY(list.canFetchMore());
        QVERIFY(list.locateKey(theirs));
        QCOMPARE(states(list), (QMap<qint64, QString>{
                                   {unpaid, QString()}, {paid, u"+"_s}, {part, u"Ч"_s}, {bare, QString()}, {theirs, QString()}}));
        QVERIFY(list.locateKey(unpaid));
        QCOMPARE(list.money(u"soa_sum"_s), Money(100));
        QCOMPARE(list.string(u"name_user"_s), u"ООО Поставщик"_s);
        QVERIFY(list.locateKey(part));
        QCOMPARE(list.money(u"spp_sum"_s), Money(40));

        global.partner(Otbor::OtborVar::Supplier)->setActive(true);
        global.partner(Otbor::OtborVar::Supplier)->setCompareString(u"ДРУГ"_s);
        QCOMPARE(states(list).keys(), QList<qint64>{theirs});
        global.partner(Otbor::OtborVar::Supplier)->setActive(false);

        Otbor::TVarDate* date = global.date(Otbor::OtborVar::PaymentDate);
        date->setDateStart(QDate(2026, 2, 4));
        date->setDateEnd(QDate(2026, 2, 6));
        date->setActive(true);
        QCOMPARE(states(list).keys(), (QList<qint64>{paid, part}));
        date->setActive(false);

        // A manager who may not see other managers' documents lists only his own proformas.
        const qint64 manager = Test::ListFixture{f.db}.currentUser({});
        f.db.exec(u"update scm_Proforma set pf_user_id = ? where pf_id = ?"_s, {manager, bare});
        QCOMPARE(states(list).keys(), QList<qint64>{bare});
    }

    void detailsOfTheCurrentProforma()
    {
        Test::TestDatabase tdb;
        F f(tdb.db());
        const qint64 suo = f.order(), a = f.product(u"A-1"_s);
        const qint64 r1 = f.requestFor(a), r2 = f.requestFor(a);
        f.acceptedLine(suo, a, F::day(5), "10", "1000");
        const qint64 swb = f.waybill(), sde = f.invoice(swb, false);
        f.invoiceRow(sde, swb, suo, a, F::day(5), "4");
        f.invoiceShare(r1, sde, swb, suo, a, F::day(5), "4");
        f.share(r1, suo, a, F::day(5), "2");
        f.share(r2, suo, a, F::day(5), "3");
        const qint64 pf = proforma(f, f.supplier, F::day(3), "200");
        f.db.exec(u"update scm_so_accepted set soa_pf_id = ?"_s, {pf});
        // Plan 100 on the 5th and 100 on the 10th; paid 30 on the 4th, 120 on the 9th, 10 on the 11th.
        f.db.exec(u"insert into scm_payshedule (sps_pf_id, sps_date, sps_sum) values (?, ?, 100)"_s, {pf, F::day(5)});
        f.db.exec(u"insert into scm_payshedule (sps_pf_id, sps_date, sps_sum) values (?, ?, 100)"_s, {pf, F::day(10)});
        pay(f, pf, QDateTime(QDate(2026, 2, 4), QTime(15, 30)), "30");
        pay(f, pf, F::day(9), "120");
        pay(f, pf, F::day(11), "10");
        const auto plan = ProformaListDetails::paymentPlan(f.db, pf);
        QCOMPARE(plan.size(), 2);
        QCOMPARE(plan.at(0).covered, Money(30));
        QCOMPARE(plan.at(1).covered, Money(50));
        // Overpaid: an instalment is covered no more than its own sum.
        pay(f, pf, F::day(12), "500");
        pay(f, pf, F::day(1), "300");
        const auto over = ProformaListDetails::paymentPlan(f.db, pf);
        QCOMPARE(over.at(0).covered, Money(100));
        QCOMPARE(over.at(1).covered, Money(100));

        Data::Query buyers(f.db, ProformaListDetails::buyers());
        buyers.bind(u"pf_id"_s, pf).exec();
        QMap<qint64, Money> seen;
        while (buyers.next())
            seen.insert(buyers.integer(0), buyers.money(5));
        QCOMPARE(seen, (QMap<qint64, Money>{{r1, Money(6)}, {r2, Money(3)}}));
        Data::Query products(f.db, ProformaListDetails::products());
        products.bind(u"pf_id"_s, pf).exec();
        QVERIFY(products.next());
        QCOMPARE(products.money(4), Money(10));
        QVERIFY(!products.next());
        Data::Query payments(f.db, ProformaListDetails::payments());
        payments.bind(u"pf_id"_s, pf).exec();
        int n = 0;
        while (payments.next())
            ++n;
        QCOMPARE(n, 5);
    }
};

QTEST_GUILESS_MAIN(ProformaListTest)
#include "tst_proformalist.moc"
