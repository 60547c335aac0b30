// Handing payments on to the warehouse accounting, on both engines.
#include "Payments/paymentexport.h"
#include "Payments/paymentfixture.h"
#include "support/testdatabase.h"

#include <QtTest>
#include <atomic>
#include <thread>

using namespace Tarvo;
using namespace Tarvo::Payments;
using namespace Qt::Literals::StringLiterals;

using F = Test::PaymentFixture;

namespace {

const QString Plat = u"select UNICUM_PLT, NUM_PLT, TYPE_PLT, DATE_PLT, SUM_RUB, SUM_VALT, COD_VALT, NAME_POL, OSNOVANIE, "
                     "TEXT_PLT, BEZNAL, ID_SCLAD, MY_ORG, SOURCE_PLT, FAMILY, IST_INF, ORG_PREDM, DOCUMN_POR, L_NAME_POR "
                     "from SCL_PLAT order by UNICUM_PLT"_s;
const QString Addp = u"select UNICUM_PLT, NAME_PLAT, BANK_PLAT, TOWN_PLAT, COD_B_PLAT, SCT_B_PLAT, SCT_2_PLAT, INN_PLAT, "
                     "KPP_PLAT, NAME_POL, BANK_POL, TOWN_POL, COD_B_POL, SCT_B_POL, SCT_2_POL, INN_POL, KPP_POL "
                     "from SCL_ADDP order by UNICUM_PLT"_s;

} // namespace

class PaymentExportTest : public QObject
{
    Q_OBJECT

private slots:
    // A non-cash dollar payment: both rows, the number kept in the payment; exported again it is
    // replaced under a new number. A cash payment has no bank details.
    void exportAndReplace()
    {
        Test::TestDatabase tdb;
        F f(tdb.db());
        const qint64 pf = f.proforma(f.usd, "1500", u"USD"_s);
        const qint64 spm = f.payment(f.usd, "1500", u"USD"_s, {{pf, "1500"}});
        try {
            QCOMPARE(PaymentExport::run(f.db, spm), 1);
        } catch (const Exception& e) {
            QFAIL(qPrintable(e.message()));
        }
        QCOMPARE(f.rows(Plat), QStringList{u"1 11 0 02.02 0.0000 1500.0000 USD Dollar Incorporated ПП-11 1500,00(USD) 1 3 "
                                           "МЫ SCM dbo ДОЛЛ ДОЛЛ 1500,00(USD) МЫ"_s});
        QCOMPARE(f.rows(Addp), QStringList{u"1 Общество Мы полностью Банк 1 Город 1 04451 40701 30101 771 KPP1 "
                                           "Dollar Incorporated Банк 3 Город 3 04453 40703 30103 773 KPP3"_s});
        QCOMPARE(f.rows(u"select spm_unicum_plt from scm_payments"_s), QStringList{u"1"_s});
        QCOMPARE(f.rows(u"select signific from _reclama"_s), QStringList{u"Платеж %1"_s.arg(spm)});

        QCOMPARE(PaymentExport::run(f.db, spm), 2);
        QCOMPARE(f.rows(u"select UNICUM_PLT from SCL_PLAT"_s), QStringList{u"2"_s});
        QCOMPARE(f.rows(u"select UNICUM_PLT from SCL_ADDP"_s), QStringList{u"2"_s});
        QCOMPARE(f.rows(u"select spm_unicum_plt from scm_payments"_s), QStringList{u"2"_s});

        // Roubles in SUM_RUB; the warehouse of the recipient when "USE_DOPREGN_SCL" is not "false".
        f.db.exec(u"update scm_parametrs set value_nastr = 'TRUE' where inside_name_nastr = 'USE_DOPREGN_SCL'"_s);
        const qint64 cash = f.payment(f.rub, "250.5", u""_s, {}, F::day(3), true);
        QCOMPARE(PaymentExport::run(f.db, cash), 3);
        QCOMPARE(f.rows(u"select SUM_RUB, SUM_VALT, COD_VALT, BEZNAL, ID_SCLAD, TEXT_PLT from SCL_PLAT where UNICUM_PLT = 3"_s),
                 QStringList{u"250.5000 0.0000  0 5 250,50()"_s});
        QCOMPARE(f.rows(u"select count(*) from SCL_ADDP"_s), QStringList{u"1"_s});
        QCOMPARE(PaymentExport::documentText(*Money::parse(u"1234.565"), u"EUR"_s), u"1234,57(EUR)"_s);
    }

    // A failure after the first rows keeps nothing: the earlier export stays as it was.
    void failureKeepsNothing()
    {
        Test::TestDatabase tdb;
        F f(tdb.db());
        const qint64 spm = f.payment(f.rub, "100", u""_s, {});
        QCOMPARE(PaymentExport::run(f.db, spm), 1);
        if (Test::TestDatabase::engine() == Data::Engine::SQLite) {
            f.db.exec(u"create trigger tst_fail before insert on SCL_ADDP begin select raise(abort, 'сбой'); end"_s);
        } else {
            f.db.exec(u"create function tst_fail() returns trigger language plpgsql as $$ begin raise exception 'сбой'; "
                      "end $$"_s);
            f.db.exec(u"create trigger tst_fail before insert on SCL_ADDP for each row execute function tst_fail()"_s);
        }
        QVERIFY_THROWS_EXCEPTION(Tarvo::Exception, PaymentExport::run(f.db, spm));
        QVERIFY(!f.db.inTransaction());
        QCOMPARE(f.rows(u"select UNICUM_PLT from SCL_PLAT"_s), QStringList{u"1"_s});
        QCOMPARE(f.rows(u"select UNICUM_PLT from SCL_ADDP"_s), QStringList{u"1"_s});
        QCOMPARE(f.rows(u"select spm_unicum_plt from scm_payments"_s), QStringList{u"1"_s});
        QCOMPARE(f.rows(u"select count(*) from _reclama"_s), QStringList{u"1"_s});
    }

    // Two workstations exporting at once each take a number of their own.
    void concurrentExportsTakeOwnNumbers()
    {
        Test::TestDatabase tdb;
        F f(tdb.db());
        QList<qint64> payments;
        for (int i = 0; i < 60; ++i)
            payments << f.payment(f.rub, "10", u""_s, {});
        std::atomic<int> failures{0}, ready{0};
        const auto exporter = [&](int from) {
            auto db = tdb.connectAgain();
            // Both connections open before either exports, so that the exports overlap.
            ++ready;
            while (ready.load() < 2)
                std::this_thread::yield();
            for (int i = from; i < payments.size(); i += 2) {
                try {
                    PaymentExport::run(*db, payments.at(i));
                } catch (...) {
                    ++failures;
                }
            }
            db->close();
        };
        std::thread a(exporter, 0), b(exporter, 1);
        a.join();
        b.join();
        QCOMPARE(failures.load(), 0);
        QCOMPARE(f.rows(u"select count(distinct spm_unicum_plt), min(spm_unicum_plt), max(spm_unicum_plt) "
                        "from scm_payments"_s),
                 QStringList{u"60 1 60"_s});
        QCOMPARE(f.rows(u"select count(*) from SCL_PLAT"_s), QStringList{u"60"_s});
    }
};

QTEST_GUILESS_MAIN(PaymentExportTest)
#include "tst_paymentexport.moc"
