#include "data/engine/database.h"
#include "db/demodata.h"
#include "support/chaincheck.h"
#include "support/testdatabase.h"

#include <QtTest>

using namespace Tarvo;
using namespace Tarvo::Data;
using namespace Qt::Literals::StringLiterals;

// The chain checker itself: the demo company keeps every rule, and each kind of broken row is
// named.
class TestChainCheck : public QObject
{
    Q_OBJECT

private slots:
    void demoCompanyKeepsTheChain()
    {
        Test::TestDatabase tdb;
        Database& db = tdb.db();
        DemoData::fill(db);
        QVERIFY(db.scalar(u"select count(*) from scm_bo_accepted"_s).toLongLong() > 0);
        TARVO_CHECK_CHAIN(db);
    }

    void brokenRowsAreNamed_data()
    {
        QTest::addColumn<QString>("breaking");
        QTest::addColumn<QString>("rule");
        QTest::newRow("shares over the line")
            << u"update scm_bo_accepted set boa_amount = boa_amount + 100000"_s << u"requests' shares exceed"_s;
        QTest::newRow("shipped over the line")
            << u"update scm_so_accepted set soa_amount = 0.0001 where exists (select 1 from scm_order_invoice "
               "where sdi_suo_id = soa_suo_id and sdi_pr_id = soa_pr_id and sdi_soa_deliverydate = soa_deliverydate)"_s
            << u"shipped exceeds"_s;
        QTest::newRow("placed over the request")
            << u"update scm_bp_delivery set bpd_amount = 0.0001 where bpd_placed > 0"_s << u"placed amounts"_s;
        QTest::newRow("stored placed amount")
            << u"update scm_bp_delivery set bpd_placed = bpd_placed + 1"_s << u"stored placed amount"_s;
        QTest::newRow("non-positive ordered")
            << u"update scm_bo_ordered set bpo_amount = 0"_s << u"ordered stage row"_s;
        QTest::newRow("currency order without currency sum")
            << u"update scm_so_accepted set soa_sum = 10, soa_sum_valut = 0 where soa_suo_id in "
               "(select suo_id from scm_supplier_order where suo_cod_valut <> '')"_s
            << u"only one of its two sums"_s;
        QTest::newRow("request-invoice rows over their invoice row")
            << u"update scm_offer_invoice set soi_amount = soi_amount + 100000"_s << u"request-invoice rows exceed"_s;
        QTest::newRow("line in another supplier's proforma")
            << u"update scm_Proforma set pf_supplier = (select min(par_id) from scm_partner where par_id <> pf_supplier)"_s
            << u"proforma of another supplier"_s;
    }
    void brokenRowsAreNamed()
    {
        QFETCH(QString, breaking);
        QFETCH(QString, rule);
        Test::TestDatabase tdb;
        Database& db = tdb.db();
        DemoData::fill(db);
        // The database refuses some of these rows itself; the checker must see them all the same.
        for (const auto& [trigger, table] : QList<QPair<QString, QString>>{
                 {u"scm_bo_accepted_limit_upd"_s, u"scm_bo_accepted"_s},
                 {u"scm_so_accepted_limit_upd"_s, u"scm_so_accepted"_s}})
            db.exec(Test::TestDatabase::engine() == Engine::SQLite
                        ? u"drop trigger %1"_s.arg(trigger)
                        : u"drop trigger %1 on %2"_s.arg(trigger, table));
        db.exec(breaking);
        const QStringList broken = Test::chainViolations(db);
        QVERIFY2(!broken.isEmpty(), qPrintable(breaking));
        QVERIFY2(std::any_of(broken.begin(), broken.end(), [&](const QString& l) { return l.contains(rule); }),
                 qPrintable(broken.join(u'\n')));
    }
};

QTEST_GUILESS_MAIN(TestChainCheck)
#include "tst_chaincheck.moc"
