// The payment plan's rules and its save, and the plan's coverage by payments, on both engines.
#include "Payments/paymentcoverage.h"
#include "Payments/paymentfixture.h"
#include "Payments/tdmeditpayplan.h"
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

void setRow(TdmEditPayPlan& dm, const QString& field, const QVariant& v)
{
    dm.dsBody.setValue(field, v);
}

QVariant money(const char* text)
{
    return F::amount(text);
}

} // namespace

class PayPlanTest : public QObject
{
    Q_OBJECT

private slots:
    // 300 and 700 use up 1000: a third is refused; 300 → 250 lets a new one propose 50. The
    // second row proposes the day after the first, as today is taken.
    void instalmentsOfAThousand()
    {
        Test::TestDatabase tdb;
        F f(tdb.db());
        const qint64 pf = f.proforma(f.rub, "1000");
        TdmEditPayPlan dm(&f.db);
        dm.loadPlan(pf);
        QCOMPARE(dm.dsHead.string(u"supplier"_s), u"РУБ"_s);
        dm.dsBody.insert();
        QCOMPARE(dm.dsBody.money(u"sps_sum"_s), Money(1000));
        QCOMPARE(dm.dsBody.value(u"sps_date"_s).toDateTime().date(), QDate::currentDate());
        setRow(dm, u"sps_sum"_s, money("300"));
        QCOMPARE(dm.dsBody.money(u"prcnt"_s), Money(30));
        dm.dsBody.post();
        dm.dsBody.insert();
        QCOMPARE(dm.dsBody.money(u"sps_sum"_s), Money(700));
        QCOMPARE(dm.dsBody.value(u"sps_date"_s).toDateTime().date(), QDate::currentDate().addDays(1));
        dm.dsBody.post();
        QCOMPARE(dm.total(), Money(1000));
        QCOMPARE(refusal([&] { dm.dsBody.insert(); }), TdmEditPayPlan::AllDistributedMessage);
        QCOMPARE(dm.dsBody.state(), Data::RowSetState::Browse);
        // An increase beyond the sum is refused at the post.
        dm.dsBody.first();
        dm.dsBody.edit();
        setRow(dm, u"sps_sum"_s, money("301"));
        QCOMPARE(refusal([&] { dm.dsBody.post(); }), TdmEditPayPlan::AllDistributedMessage);
        setRow(dm, u"sps_sum"_s, money("250"));
        dm.dsBody.post();
        dm.dsBody.insert();
        QCOMPARE(dm.dsBody.money(u"sps_sum"_s), Money(50));
        QCOMPARE(dm.dsBody.value(u"sps_date"_s).toDateTime().date(), QDate::currentDate().addDays(2));
        dm.dsBody.post();
        QVERIFY(dm.saveDocument());
        const QString today = QDate::currentDate().toString(u"dd.MM"_s);
        QCOMPARE(f.plan(pf), (QStringList{today + u" 250.0000"_s,
                                          QDate::currentDate().addDays(1).toString(u"dd.MM"_s) + u" 700.0000"_s,
                                          QDate::currentDate().addDays(2).toString(u"dd.MM"_s) + u" 50.0000"_s}));
        // A deleted row's sum leaves the total.
        dm.dsBody.last();
        dm.dsBody.remove();
        QCOMPARE(dm.total(), Money(950));
        QVERIFY(dm.saveDocument());
        QCOMPARE(f.plan(pf).size(), 2);
    }

    // 40 % of 1000 is 400; 50 % twice of 1234.5677 sums back exactly (the second takes the rest).
    void percentagesSumBack()
    {
        Test::TestDatabase tdb;
        F f(tdb.db());
        TdmEditPayPlan dm(&f.db);
        dm.loadPlan(f.proforma(f.rub, "1000"));
        dm.dsBody.insert();
        setRow(dm, u"prcnt"_s, money("40"));
        QCOMPARE(dm.dsBody.money(u"sps_sum"_s), Money(400));
        dm.dsBody.post();

        const qint64 pf = f.proforma(f.rub, "1234.5677");
        dm.loadPlan(pf);
        dm.dsBody.insert();
        setRow(dm, u"prcnt"_s, money("50"));
        QCOMPARE(dm.dsBody.money(u"sps_sum"_s), *Money::parse(u"617.2839"));
        dm.dsBody.post();
        dm.dsBody.insert();
        setRow(dm, u"sps_date"_s, F::day(20));
        setRow(dm, u"prcnt"_s, money("50"));
        QCOMPARE(dm.dsBody.money(u"sps_sum"_s), *Money::parse(u"617.2838"));
        dm.dsBody.post();
        QCOMPARE(dm.total(), *Money::parse(u"1234.5677"));
        QVERIFY(dm.saveDocument());
        QCOMPARE(f.rows(u"select sum(sps_sum) from scm_payshedule where sps_pf_id = ?"_s, {pf}),
                 QStringList{u"1234.5677"_s});
        // Half away from zero at the fourth decimal.
        QCOMPARE(TdmEditPayPlan::percentOf(*Money::parse(u"0.0001"), Money(50)), *Money::parse(u"0.0001"));
    }

    // A proforma of sum 0: no percent shown, a typed one refused; zero and negative values refused.
    void zeroSumsAndPercentsRefused()
    {
        Test::TestDatabase tdb;
        F f(tdb.db());
        const qint64 zero = f.proforma(f.rub, "0");
        f.db.exec(u"insert into scm_payshedule (sps_pf_id, sps_date, sps_sum) values (?, ?, 10)"_s, {zero, F::day(3)});
        TdmEditPayPlan dm(&f.db);
        dm.loadPlan(zero);
        QVERIFY(dm.dsBody.isNull(u"prcnt"_s));
        dm.dsBody.edit();
        QCOMPARE(refusal([&] { setRow(dm, u"prcnt"_s, money("10")); }), TdmEditPayPlan::NoPercentMessage);
        dm.dsBody.cancel();

        dm.loadPlan(f.proforma(f.rub, "1000"));
        dm.dsBody.insert();
        for (const char* bad : {"0", "-5"}) {
            QCOMPARE(refusal([&] { setRow(dm, u"sps_sum"_s, money(bad)); }), TdmEditPayPlan::InvalidSumMessage);
            QCOMPARE(refusal([&] { setRow(dm, u"prcnt"_s, money(bad)); }), TdmEditPayPlan::InvalidSumMessage);
        }
        QCOMPARE(dm.dsBody.money(u"sps_sum"_s), Money(1000));
        dm.dsBody.cancel();
    }

    // Two instalments on one day are refused at the post, never at the save.
    void oneInstalmentPerDay()
    {
        Test::TestDatabase tdb;
        F f(tdb.db());
        const qint64 pf = f.proforma(f.rub, "1000");
        TdmEditPayPlan dm(&f.db);
        dm.loadPlan(pf);
        dm.dsBody.insert();
        setRow(dm, u"sps_sum"_s, money("100"));
        dm.dsBody.post();
        dm.dsBody.insert();
        setRow(dm, u"sps_date"_s, QDateTime(QDate::currentDate(), QTime(15, 0)));
        QCOMPARE(refusal([&] { dm.dsBody.post(); }), TdmEditPayPlan::DateTakenMessage);
        setRow(dm, u"sps_date"_s, F::day(9));
        dm.dsBody.post();
        QVERIFY(dm.saveDocument());
        QCOMPARE(f.plan(pf).size(), 2);
    }

    // A moved date is stored with its sum; two dates swap; a row deleted elsewhere refuses the save.
    void movedDatesAndOthersChanges()
    {
        Test::TestDatabase tdb;
        F f(tdb.db());
        const qint64 pf = f.proforma(f.rub, "1000");
        f.db.exec(u"insert into scm_payshedule (sps_pf_id, sps_date, sps_sum) values (?, ?, 300), (?, ?, 700)"_s,
                  {pf, F::day(3), pf, F::day(10)});
        TdmEditPayPlan dm(&f.db);
        dm.loadPlan(pf);
        dm.dsBody.first();
        dm.dsBody.edit();
        setRow(dm, u"sps_date"_s, F::day(5));
        setRow(dm, u"sps_sum"_s, money("200"));
        dm.dsBody.post();
        QVERIFY(dm.saveDocument());
        QCOMPARE(f.plan(pf), (QStringList{u"05.02 200.0000"_s, u"10.02 700.0000"_s}));

        dm.dsBody.first();
        dm.dsBody.edit();
        setRow(dm, u"sps_date"_s, F::day(12));
        dm.dsBody.post();
        dm.dsBody.last();
        dm.dsBody.edit();
        setRow(dm, u"sps_date"_s, F::day(5));
        dm.dsBody.post();
        QVERIFY(dm.saveDocument());
        QCOMPARE(f.plan(pf), (QStringList{u"05.02 700.0000"_s, u"12.02 200.0000"_s}));

        dm.dsBody.first();
        dm.dsBody.edit();
        setRow(dm, u"sps_sum"_s, money("600"));
        dm.dsBody.post();
        f.db.exec(u"delete from scm_payshedule where sps_pf_id = ? and sps_date = ?"_s, {pf, F::day(5)});
        QCOMPARE(refusal([&] { dm.saveDocument(); }), TdmEditPayPlan::ChangedElsewhereMessage);
        QVERIFY(dm.modified());
        QCOMPARE(f.plan(pf), QStringList{u"12.02 200.0000"_s});
    }

    // 500 on 1 March at 14:30 and 300 on 1 May against 400 (1 March) and 600 (1 June): 400 and 400.
    void coverageCountsCalendarDays()
    {
        using I = PaymentCoverage::Instalment;
        const QList<I> plan{{QDateTime(QDate(2026, 3, 1), QTime(0, 0)), Money(400), {}},
                            {QDateTime(QDate(2026, 6, 1), QTime(0, 0)), Money(600), {}}};
        const auto covered = PaymentCoverage::cover(plan, {{QDate(2026, 5, 1), Money(300)}, {QDate(2026, 3, 1), Money(500)}});
        QCOMPARE(covered.at(0).covered, Money(400));
        QCOMPARE(covered.at(1).covered, Money(400));
        const auto none = PaymentCoverage::cover(plan, {{QDate(2026, 3, 2), Money(500)}});
        QCOMPARE(none.at(0).covered, Money());
        QCOMPARE(none.at(1).covered, Money(100)); // what the first instalment leaves

        Test::TestDatabase tdb;
        F f(tdb.db());
        const qint64 pf = f.proforma(f.rub, "1000");
        f.db.exec(u"insert into scm_payshedule (sps_pf_id, sps_date, sps_sum) values (?, ?, 400), (?, ?, 600)"_s,
                  {pf, F::day(1), pf, F::day(20)});
        f.payment(f.rub, "500", u""_s, {{pf, "500"}}, QDateTime(QDate(2026, 2, 1), QTime(14, 30)));
        f.payment(f.rub, "300", u""_s, {{pf, "300"}}, F::day(10));
        const auto stored = PaymentCoverage::ofProforma(f.db, pf);
        QCOMPARE(stored.size(), 2);
        QCOMPARE(stored.at(0).covered, Money(400));
        QCOMPARE(stored.at(1).covered, Money(400));
    }
};

QTEST_GUILESS_MAIN(PayPlanTest)
#include "tst_tdmeditpayplan.moc"
