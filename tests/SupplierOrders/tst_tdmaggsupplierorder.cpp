#include "SupplierOrders/supplierorderwriter.h"
#include "SupplierOrders/tdmaggsupplierorder.h"
#include "catalog/currency/currencyrates.h"
#include "core/exception.h"
#include "formingfixture.h"
#include "otbor/registerotbors.h"
#include "otbor/tglobalotbors.h"
#include "otbor/tvarlist.h"
#include "shell/tdatabaseconnection.h"
#include "support/chaincheck.h"
#include "support/failure.h"
#include "support/testdatabase.h"

#include <QtTest>

using namespace Tarvo;
using namespace Qt::StringLiterals;
using namespace SupplierOrders;
using Test::FormingFixture;

namespace {
const SupplyRow* supplyOf(const TdmAggSupplierOrder& dm, qint64 product)
{
    const QList<int> rows = dm.suppliesOf(product);
    return rows.size() == 1 ? &dm.supplies().at(rows.first()) : nullptr;
}

// The asker of the quotation dialog, as a test answers it.
struct RateAnswer
{
    explicit RateAnswer(std::optional<double> answer)
    {
        Catalog::CurrencyRates::setMissingRateAsker(
            [this, answer](Data::Database& db, const QString& code, const QDate& date, std::optional<double>) {
                ++asked;
                if (!answer)
                    throw Abort();
                Catalog::CurrencyRates(db).storeRate(code, date, *answer);
                return *answer;
            });
    }
    ~RateAnswer() { Catalog::CurrencyRates::setMissingRateAsker({}); }
    int asked = 0;
};
} // namespace

class TdmAggSupplierOrderTest : public QObject
{
    Q_OBJECT
private slots:
    // The open need per product over the approved requests, the cheapest supplier of each, null
    // currency as roubles, a currency without usable rate after every priced supplier.
    void collectsAndProposesTheCheapest()
    {
        Test::TestDatabase t;
        auto& db = t.db();
        FormingFixture f{db};
        const qint64 bolt = f.product(u"B-1"_s), nut = f.product(u"N-1"_s), none = f.product(u"X-1"_s),
                     euro = f.product(u"E-1"_s);
        const qint64 urgent = f.urgency(u"Срочно"_s), later = f.urgency(u"Плановая"_s);
        const qint64 first = f.supplier(u"ПЕРВЫЙ"_s), second = f.supplier(u"ВТОРОЙ"_s), eu = f.supplier(u"ЕВРО"_s);
        // Same price, one '' one null: one rule for both, the lower supplier id wins.
        f.offer(bolt, second, "10", u""_s);
        f.offer(bolt, first, "10");
        // 2 EUR at 4.5 beats 9.5 roubles; a stored 0 is no rate at all.
        f.rate(u"EUR"_s, QDate(2026, 1, 1), 4.5);
        f.rate(u"EUR"_s, QDate(2026, 2, 1), 0);
        f.offer(nut, eu, "2", u"EUR"_s);
        f.offer(nut, first, "9.5");
        f.rate(u"CHF"_s, QDate(2026, 2, 1), 0);
        f.offer(euro, eu, "1", u"CHF"_s);
        f.offer(euro, second, "1000");

        const qint64 r1 = f.request({{bolt, "3"}, {nut, "2"}, {none, "1"}, {euro, "1"}}, urgent);
        const qint64 r2 = f.request({{bolt, "4.5"}}, later);
        f.request({{bolt, "100"}}, urgent, false); // not approved
        const qint64 r3 = f.request({{nut, "5"}}, urgent);
        // Partly ordered already: only the rest is open.
        const qint64 suo = f.det.order();
        f.det.orderLine(suo, nut);
        db.exec(u"insert into scm_bo_ordered (bpo_bof_id, bpo_pr_id, bpo_suo_id, bpo_amount) values (?, ?, ?, 1)"_s,
                {r3, nut, suo});

        TdmAggSupplierOrder dm(db);
        QVERIFY(dm.collect(nullptr));
        QCOMPARE(dm.requestLines().size(), 6);
        QCOMPARE(dm.products().size(), 4);
        const OpenProduct* b = dm.product(bolt);
        QCOMPARE(b->required, FormingFixture::m("7.5"));
        QCOMPARE(b->requests, u"%1;%2"_s.arg(r1).arg(r2));
        QVERIFY(b->urgencyName.isEmpty());
        QCOMPARE(dm.product(nut)->required, Money(6));
        QCOMPARE(dm.product(nut)->urgencyName, u"Срочно"_s);

        QVERIFY(dm.suppliesOf(none).isEmpty());
        const SupplyRow* sb = supplyOf(dm, bolt);
        QVERIFY(sb);
        QCOMPARE(sb->supplierId, std::min(first, second));
        QCOMPARE(sb->currency, QString());
        QCOMPARE(sb->amount, FormingFixture::m("7.5"));
        const SupplyRow* sn = supplyOf(dm, nut);
        QCOMPARE(sn->supplierId, eu);
        QCOMPARE(sn->roublePrice, Money(9));
        QCOMPARE(sn->currencyPrice, Money(2));
        // CHF has no usable rate: the priced rouble supplier comes first, however dear.
        QCOMPARE(supplyOf(dm, euro)->supplierId, second);

        // Nothing approved and open: nothing collected.
        db.exec(u"update scm_business_offer set bof_accepted = 0"_s);
        TdmAggSupplierOrder empty(db);
        QVERIFY(!empty.collect(nullptr));
        QVERIFY(empty.supplies().isEmpty());
    }

    // Choosing a supplier whose currency has no usable rate asks the rate; a cancel leaves the
    // row without a supplier and "Далее" then names the product. Amounts must be above 0.
    void supplierWithoutRateAsksIt()
    {
        Test::TestDatabase t;
        auto& db = t.db();
        FormingFixture f{db};
        const qint64 pr = f.product(u"P-1"_s);
        const qint64 rub = f.supplier(u"РУБ"_s), chf = f.supplier(u"ФРАНК"_s);
        f.offer(pr, rub, "100");
        f.offer(pr, chf, "3", u"CHF"_s);
        f.rate(u"CHF"_s, QDate(2026, 1, 1), 0);
        f.request({{pr, "4"}});
        TdmAggSupplierOrder dm(db);
        QVERIFY(dm.collect(nullptr));
        const int row = dm.suppliesOf(pr).first();
        QCOMPARE(dm.supplies()[row].supplierId, rub);

        QCOMPARE(Test::failureOf([&] { dm.setAmount(row, Money()); }), TdmAggSupplierOrder::amountText());
        QCOMPARE(Test::failureOf([&] { dm.setAmount(row, Money(-1)); }), TdmAggSupplierOrder::amountText());
        QCOMPARE(dm.supplies()[row].amount, Money(4));
        {
            RateAnswer cancel(std::nullopt);
            QVERIFY_THROWS_EXCEPTION(Abort, dm.setSupplier(row, chf));
            QCOMPARE(cancel.asked, 1);
        }
        QCOMPARE(dm.supplies()[row].supplierId, 0);
        QCOMPARE(Test::failureOf([&] { dm.prepare(); }), TdmAggSupplierOrder::noSupplierText(u"P-1"_s));
        {
            RateAnswer give(25);
            dm.setSupplier(row, chf);
            QCOMPARE(give.asked, 1);
        }
        QCOMPARE(dm.supplies()[row].roublePrice, Money(75));
        QCOMPARE(dm.supplies()[row].currency, u"CHF"_s);
        const QList<qint64> ids = dm.save(dm.prepare());
        QCOMPARE(ids.size(), 1);
        QCOMPARE(f.sum(u"select sop_sum from scm_so_products"_s), Money(300));
        QCOMPARE(f.sum(u"select sop_sum_valut from scm_so_products"_s), Money(12));
        TARVO_CHECK_CHAIN(db);
    }

    // 0.3333 + 0.3333 + 0.3334 split 0.5 / 0.5: everything placed, four links, none extra; the
    // earlier request served first.
    void amountsSumBack()
    {
        Test::TestDatabase t;
        auto& db = t.db();
        FormingFixture f{db};
        const qint64 pr = f.product(u"P-1"_s);
        const qint64 s1 = f.supplier(u"ОДИН"_s), s2 = f.supplier(u"ДВА"_s);
        f.offer(pr, s1, "1");
        f.offer(pr, s2, "2");
        const qint64 r1 = f.request({{pr, "0.3333"}}), r2 = f.request({{pr, "0.3333"}}),
                     r3 = f.request({{pr, "0.3334"}});
        TdmAggSupplierOrder dm(db);
        QVERIFY(dm.collect(nullptr));
        const int row = dm.suppliesOf(pr).first();
        QCOMPARE(dm.supplies()[row].amount, Money(1));
        dm.setAmount(row, FormingFixture::m("0.5"));
        const int other = dm.addSupply(pr);
        dm.setSupplier(other, s2);
        dm.setAmount(other, FormingFixture::m("0.5"));
        const QList<qint64> ids = dm.save(dm.prepare());
        QCOMPARE(ids.size(), 2);
        QCOMPARE(f.count(u"select count(*) from scm_bo_ordered"_s), 4);
        QCOMPARE(f.ordered(r1, pr, ids[0]), FormingFixture::m("0.3333"));
        QCOMPARE(f.ordered(r2, pr, ids[0]), FormingFixture::m("0.1667"));
        QCOMPARE(f.ordered(r2, pr, ids[1]), FormingFixture::m("0.1666"));
        QCOMPARE(f.ordered(r3, pr, ids[1]), FormingFixture::m("0.3334"));
        QCOMPARE(f.count(u"select count(*) from scm_bp_delivery where bpd_placed <> bpd_amount"_s), 0);
        TdmAggSupplierOrder again(db);
        QVERIFY(!again.collect(nullptr));
        TARVO_CHECK_CHAIN(db);
    }

    // Requests without urgency go into one order; two rows of one supplier make one link per
    // request line; more than the need orders only the need; the warehouse a supplier's card
    // names but which does not exist is left empty; due tomorrow as a whole day; the supplier's
    // own price below a rate of 1 is kept.
    void ordersLinesAndLinks()
    {
        Test::TestDatabase t;
        auto& db = t.db();
        FormingFixture f{db};
        const qint64 a = f.product(u"A-1"_s), b = f.product(u"B-1"_s);
        const qint64 s1 = f.supplier(u"ОДИН"_s, 77), s2 = f.supplier(u"ДВА"_s);
        f.rate(u"XXX"_s, QDate(2026, 1, 1), 0.2);
        f.offer(a, s1, "0.0003", u"XXX"_s);
        f.offer(b, s1, "5");
        f.offer(b, s2, "6");
        const qint64 r1 = f.request({{a, "10"}, {b, "2"}}), r2 = f.request({{a, "5"}, {b, "3"}});

        TdmAggSupplierOrder dm(db);
        QVERIFY(dm.collect(nullptr));
        // Product A: 15 needed, 12 + 8 given to the same supplier in two rows.
        const int a1 = dm.suppliesOf(a).first();
        dm.setAmount(a1, Money(12));
        const int a2 = dm.addSupply(a);
        dm.setSupplier(a2, s1);
        dm.setAmount(a2, Money(8));
        // Product B: more than needed from one supplier.
        dm.setAmount(dm.suppliesOf(b).first(), Money(50));
        // Grouped by currency, "no urgency" being one group: one order per currency, not per request.
        const PreparedOrders prepared = dm.prepare();
        QCOMPARE(prepared.orders.size(), 2);
        const QList<qint64> ids = dm.save(prepared);
        QCOMPARE(ids.size(), 2);
        const qint64 suo = ids.first(), rub = ids.last();

        QCOMPARE(f.count(u"select count(*) from scm_supplier_order where Urgency_ID is null"_s), 2);
        QVERIFY(db.scalar(u"select suo_id_sclad from scm_supplier_order where suo_id = ?"_s, {suo}).isNull());
        QCOMPARE(db.scalar(u"select suo_cod_valut from scm_supplier_order where suo_id = ?"_s, {suo}).toString(),
                 u"XXX"_s);
        QCOMPARE(db.scalar(u"select suo_cod_valut from scm_supplier_order where suo_id = ?"_s, {rub}).toString(),
                 QString());
        QCOMPARE(f.count(u"select count(*) from scm_supplier_order where suo_waiting = 1 and suo_accepted = 0 "
                         "and suo_description = ''"_s),
                 2);
        QCOMPARE(f.count(u"select count(*) from scm_bo_ordered"_s), 4);
        QCOMPARE(f.ordered(r1, a, suo), Money(10));
        QCOMPARE(f.ordered(r2, a, suo), Money(5));
        QCOMPARE(f.ordered(r1, b, rub), Money(2));
        QCOMPARE(f.ordered(r2, b, rub), Money(3));
        QCOMPARE(f.sum(u"select sop_amount from scm_so_products where sop_pr_id = ?"_s, {a}), Money(15));
        QCOMPARE(f.sum(u"select sop_amount from scm_so_products where sop_pr_id = ?"_s, {b}), Money(5));
        QCOMPARE(f.sum(u"select sop_sum_valut from scm_so_products where sop_pr_id = ?"_s, {a}),
                 FormingFixture::m("0.0045"));
        QCOMPARE(f.sum(u"select sop_sum from scm_so_products where sop_pr_id = ?"_s, {b}), Money(25));
        const QDateTime due =
            db.scalar(u"select sop_deliverydate from scm_so_products where sop_pr_id = ?"_s, {a}).toDateTime();
        QCOMPARE(due, QDateTime(QDate::currentDate().addDays(1), QTime(0, 0)));
        TARVO_CHECK_CHAIN(db);
    }

    // More request numbers than fit 255 characters: the list stops, the sum goes on.
    void requestListStopsAtItsLength()
    {
        Test::TestDatabase t;
        auto& db = t.db();
        FormingFixture f{db};
        const qint64 pr = f.product(u"P-1"_s);
        QStringList numbers;
        {
            Data::Transaction tx(db);
            for (int i = 0; i < 100; ++i)
                numbers << QString::number(f.request({{pr, "1"}}));
            tx.commit();
        }
        TdmAggSupplierOrder dm(db);
        QVERIFY(dm.collect(nullptr));
        const OpenProduct* p = dm.product(pr);
        QCOMPARE(p->required, Money(100));
        QVERIFY(p->requests.size() <= OpenRequestAmounts::RequestListLength);
        QVERIFY(p->requests.size() > OpenRequestAmounts::RequestListLength - 6);
        QVERIFY(numbers.join(u';').startsWith(p->requests + u';'));
    }

    // Without right 100001 the register lists only the user's own requests: so does collecting.
    void managerRestrictionDecides()
    {
        Test::TestDatabase t;
        auto& db = t.db();
        Data::Database::setMain(&db);
        FormingFixture f{db};
        const qint64 me = db.insertReturning(
            u"insert into CRM_USERS (US_LOGIN, US_NAME, US_DEP) values ('me', 'Я', 'Отдел закупок')"_s, u"US_ID"_s);
        const qint64 other = db.insertReturning(
            u"insert into CRM_USERS (US_LOGIN, US_NAME, US_DEP) values ('other', 'Другой', 'Отдел закупок')"_s,
            u"US_ID"_s);
        Shell::TDataBaseConnection::instance().setCurrentUser(int(me), u"Я"_s, u"me"_s, u"Отдел закупок"_s);
        const qint64 pr = f.product(u"P-1"_s);
        const qint64 mine = f.request({{pr, "2"}}), theirs = f.request({{pr, "3"}});
        db.exec(u"update scm_business_offer set bof_user_id = ? where bof_id = ?"_s, {me, mine});
        db.exec(u"update scm_business_offer set bof_user_id = ? where bof_id = ?"_s, {other, theirs});

        Otbor::TGlobalOtbors global;
        const auto filters = Otbor::RegisterOtbors::makeList(Otbor::OtborRegister::BusinessOffers, global);
        TdmAggSupplierOrder dm(db);
        QVERIFY(dm.collect(filters.get()));
        QCOMPARE(dm.requestLines().size(), 1);
        QCOMPARE(dm.requestLines().first().requestId, mine);
        QCOMPARE(dm.product(pr)->required, Money(2));
        Data::Database::setMain(nullptr);
    }

    // A failure at the third order's insert leaves no order of the run, no line, no link.
    void failureLeavesNothing()
    {
        Test::TestDatabase t;
        auto& db = t.db();
        FormingFixture f{db};
        QList<qint64> products;
        for (const QString& article : {u"A-1"_s, u"B-1"_s, u"C-1"_s}) {
            const qint64 pr = f.product(article);
            f.offer(pr, f.supplier(u"П-"_s + article), "10");
            products << pr;
        }
        f.request({{products[0], "1"}, {products[1], "2"}, {products[2], "3"}});
        TdmAggSupplierOrder dm(db);
        QVERIFY(dm.collect(nullptr));
        PreparedOrders prepared = dm.prepare();
        QCOMPARE(prepared.orders.size(), 3);
        prepared.orders[2].supplierId = 999999; // refused by the supplier's reference
        QVERIFY(!Test::failureOf([&] { dm.save(prepared); }).isEmpty());
        QVERIFY(!db.inTransaction());
        QCOMPARE(f.count(u"select count(*) from scm_supplier_order"_s), 0);
        QCOMPARE(f.count(u"select count(*) from scm_so_products"_s), 0);
        QCOMPARE(f.count(u"select count(*) from scm_bo_ordered"_s), 0);
        TARVO_CHECK_CHAIN(db);
    }

    // Two workstations forming from the same lines: the second save is refused, naming the line.
    void secondWorkstationIsRefused()
    {
        Test::TestDatabase t;
        auto& db = t.db();
        FormingFixture f{db};
        const qint64 pr = f.product(u"P-1"_s);
        f.offer(pr, f.supplier(u"ОДИН"_s), "10");
        const qint64 r = f.request({{pr, "4"}});
        TdmAggSupplierOrder here(db);
        QVERIFY(here.collect(nullptr));
        const PreparedOrders mine = here.prepare();
        {
            std::unique_ptr<Data::Database> other = t.connectAgain();
            TdmAggSupplierOrder there(*other);
            QVERIFY(there.collect(nullptr));
            QCOMPARE(there.save(there.prepare()).size(), 1);
        }
        QCOMPARE(Test::failureOf([&] { here.save(mine); }), SupplierOrderWriter::staleMessage(r, u"P-1"_s));
        QCOMPARE(f.count(u"select count(*) from scm_supplier_order"_s), 1);
        QCOMPARE(f.sum(u"select bpo_amount from scm_bo_ordered"_s), Money(4));
        TARVO_CHECK_CHAIN(db);
    }

    // An assortment row edited here: a supplier known only as a counterparty is registered in
    // the same transaction, and the order rows of that supplier take the new price.
    void assortmentRowsEditedHere()
    {
        Test::TestDatabase t;
        auto& db = t.db();
        FormingFixture f{db};
        const qint64 pr = f.product(u"P-1"_s);
        const qint64 known = f.supplier(u"ИЗВЕСТ"_s);
        f.offer(pr, known, "10");
        db.exec(u"insert into _partner (N_USER, NAME_USER, MY_ORGANIZ) values ('НОВЫЙ', 'ООО Новый', 'Т')"_s);
        f.request({{pr, "2"}});
        TdmAggSupplierOrder dm(db);
        QVERIFY(dm.collect(nullptr));

        TdmAggSupplierOrder::OfferEdit e;
        e.productId = pr;
        e.supplierId = -1;
        e.supplierCode = u"НОВЫЙ"_s;
        e.article = u"N-77"_s;
        e.price = Money(7);
        const qint64 added = dm.saveOffer(e);
        QVERIFY(added > 0);
        QCOMPARE(db.scalar(u"select par_ID from scm_partner where par_nuser = 'НОВЫЙ'"_s).toLongLong(), added);
        QCOMPARE(dm.offers(pr).size(), 2);
        QCOMPARE(dm.offers(pr).first().supplierId, added);
        QCOMPARE(dm.offers(pr).first().minLot, Money(1));

        TdmAggSupplierOrder::OfferEdit price;
        price.productId = pr;
        price.supplierId = price.oldSupplierId = known;
        price.article = u"S-K"_s;
        price.price = Money(6);
        dm.saveOffer(price);
        const SupplyRow* row = supplyOf(dm, pr);
        QCOMPARE(row->supplierId, known);
        QCOMPARE(row->roublePrice, Money(6));
        QCOMPARE(f.sum(u"select sam_price from scm_artcmap where sam_prv_id = ?"_s, {known}), Money(6));
    }
};

QTEST_GUILESS_MAIN(TdmAggSupplierOrderTest)
#include "tst_tdmaggsupplierorder.moc"
