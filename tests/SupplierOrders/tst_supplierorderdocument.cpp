#include "SupplierOrders/editorfixture.h"
#include "SupplierOrders/supplierorderdocument.h"
#include "catalog/currency/currencyrates.h"
#include "core/exception.h"
#include "messaging/changeevents.h"
#include "messaging/tmessageserver.h"
#include "security/rights.h"
#include "support/chaincheck.h"
#include "support/failure.h"
#include "support/testdatabase.h"
#include "support/testenvironment.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace Tarvo;
using namespace Tarvo::SupplierOrders;
using namespace Qt::Literals::StringLiterals;

namespace {

struct NoticeCounter : Messaging::IChangeReceiver
{
    int refreshed = 0;
    Messaging::TChangeSubscription subscription{Messaging::ChangeEvents::SupplierOrders, this};
    void refresh(const QUuid&, int) override { ++refreshed; }
    int take()
    {
        Messaging::TMessageServer::instance().flush();
        return std::exchange(refreshed, 0);
    }
};

SupplierProduct product(qint64 id, const QString& article, Money price, const QString& code = {})
{
    SupplierProduct p;
    p.productId = id;
    p.articul = article;
    p.name = u"Товар "_s + article;
    p.price = price;
    p.code = code;
    return p;
}

} // namespace

class SupplierOrderDocumentTest : public QObject
{
    Q_OBJECT
    QTemporaryDir m_home;

private slots:
    void initTestCase() { Test::isolateUserFolders(m_home.path()); }
    void cleanup()
    {
        Catalog::CurrencyRates::setMissingRateAsker({});
        Data::Database::setMain(nullptr);
        Shell::TDataBaseConnection::instance().setCurrentUser(0, {}, {}, {});
    }

    void newOrderStartsWithItsDefaultsAndIsWritten()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        Data::Database::setMain(&db);
        Test::EditorFixture f{db};
        f.currentUser({});
        f.warehouse(9, u"Основной"_s);
        const qint64 supplier = f.supplier(u"ПОСТ"_s, u"ООО Поставщик"_s, 9);
        const qint64 p1 = f.product(u"A1"_s, u"Болт"_s);
        const qint64 main = f.product(u"M1"_s, u"Болт основной"_s);
        db.exec(u"update crm_product set pr_id_main = ?, pr_dop1 = 'оцинк.' where pr_id = ?"_s, {main, p1});
        f.assortment(supplier, main, u"S-MAIN"_s, Money(10));
        f.assortment(supplier, p1, u"S-OWN"_s, Money(10));
        const qint64 old = f.order(supplier);
        db.exec(u"update scm_supplier_order set suo_dopnomer = 6 where suo_id = ?"_s, {old});
        NoticeCounter notices;

        SupplierOrderDocument doc(db);
        QCOMPARE(doc.openNew(supplier, u"ООО Поставщик"_s), SupplierOrderDocument::Closing::Nothing);
        QCOMPARE(doc.title(), u"Новый заказ"_s);
        QCOMPARE(doc.header().integer(u"suo_dopnomer"_s), 7);
        QCOMPARE(doc.header().integer(u"suo_id_sclad"_s), 9);
        QCOMPARE(doc.header().value(u"suo_date"_s).toDateTime().date(), QDate::currentDate());
        QCOMPARE(doc.header().string(u"name_user"_s), u"ООО Поставщик"_s);
        QCOMPARE(doc.header().value(u"suo_accepted"_s).toBool(), false);
        QCOMPARE(f.count(u"select count(*) from scm_supplier_order"_s), 1);

        doc.postHeader();
        QVERIFY(doc.isSaved());
        const qint64 id = doc.suoId();
        QCOMPARE(doc.title(), u"Заказ %1"_s.arg(id));
        QCOMPARE(notices.take(), 1);
        QCOMPARE(f.count(u"select suo_supplier from scm_supplier_order where suo_id = ?"_s, {id}),
                 int(supplier));
        QCOMPARE(f.count(u"select suo_id_sclad from scm_supplier_order where suo_id = ?"_s, {id}), 9);
        QCOMPARE(f.count(u"select suo_dopnomer from scm_supplier_order where suo_id = ?"_s, {id}), 7);
        QVERIFY(!f.value(u"select suo_user_id from scm_supplier_order where suo_id = ?"_s, {id}).isNull());

        // A new line: today, the amount given, ball 0, the main product's article.
        SupplierProduct chosen = product(p1, u"A1"_s, Money(10));
        chosen.amount = Money(3);
        doc.addProduct(chosen);
        QCOMPARE(notices.take(), 1);
        QCOMPARE(doc.lines().recordCount(), 1);
        QCOMPARE(doc.lines().string(u"sam_artc"_s), u"S-MAIN"_s);
        QCOMPARE(doc.lines().money(u"sop_price"_s), Money(10));
        QCOMPARE(f.money(u"select sop_sum from scm_so_products where sop_suo_id = ?"_s, {id}), Money(30));
        QCOMPARE(f.money(u"select sop_amount from scm_so_products where sop_suo_id = ?"_s, {id}), Money(3));
        QCOMPARE(f.value(u"select sop_ball from scm_so_products where sop_suo_id = ?"_s, {id}).toDouble(),
                 0.0);
        QCOMPARE(f.value(u"select sop_deliverydate from scm_so_products where sop_suo_id = ?"_s, {id})
                     .toDateTime(),
                 QDateTime(QDate::currentDate(), QTime(0, 0)));
        QCOMPARE(doc.header().money(u"suo_sum"_s), Money(30));

        // The ball counts per piece.
        doc.lines().edit();
        doc.lines().setValue(u"sop_ball"_s, 1.5);
        doc.lines().setValue(u"sop_mark"_s, u"хрупкое"_s);
        doc.lines().post();
        QCOMPARE(doc.lines().value(u"sop_balls"_s).toDouble(), 4.5);
        QCOMPARE(notices.take(), 1);
        QCOMPARE(f.value(u"select sop_mark from scm_so_products where sop_suo_id = ?"_s, {id}).toString(),
                 u"хрупкое"_s);

        QCOMPARE(doc.close(), SupplierOrderDocument::Closing::Saved);
        QCOMPARE(notices.take(), 0);
        TARVO_CHECK_CHAIN(db);
    }

    // The header used to join every stage of its contract: one header row per stage.
    void headerReadsTheOrdersOwnStage()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        Data::Database::setMain(&db);
        Test::EditorFixture f{db};
        const qint64 supplier = f.supplier(u"ПОСТ"_s, u"ООО Поставщик"_s);
        const qint64 dg = f.contract(supplier, u"Д-1"_s, u"доп"_s);
        f.stage(dg, u"1"_s);
        const qint64 st2 = f.stage(dg, u"2"_s);
        f.stage(dg, u"3"_s);
        const qint64 id = f.order(supplier);
        db.exec(u"update scm_supplier_order set suo_dg_id = ?, suo_stage_id = ? where suo_id = ?"_s,
                {dg, st2, id});

        SupplierOrderDocument doc(db);
        doc.open(id);
        QCOMPARE(doc.header().recordCount(), 1);
        QCOMPARE(doc.header().string(u"dg_idst_id"_s), u"%1;%2"_s.arg(dg).arg(st2));
        QCOMPARE(doc.header().string(u"dg_number"_s), u"Д-1"_s);
        QCOMPARE(doc.header().string(u"dg_dopnumber"_s), u"доп"_s);
        doc.close();
    }

    void contractIsStoredWithItsStageOrANullStage()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        Data::Database::setMain(&db);
        Test::EditorFixture f{db};
        const qint64 supplier = f.supplier(u"ПОСТ"_s, u"ООО Поставщик"_s);
        const qint64 other = f.supplier(u"ДРУГ"_s, u"ООО Другой"_s);
        const qint64 dg = f.contract(supplier, u"Д-1"_s);
        const qint64 st = f.stage(dg, u"1"_s);
        f.contract(other, u"Д-ЧУЖОЙ"_s);
        const qint64 id = f.order(supplier);

        SupplierOrderDocument doc(db);
        doc.open(id);
        // The supplier's own contracts only, each followed by its stages.
        const auto& contracts = doc.lookups().contracts();
        QCOMPARE(contracts.size(), 2);
        QCOMPARE(contracts[0].key.toString(), u"%1;0"_s.arg(dg));
        QCOMPARE(contracts[0].text, u"Д-1"_s);
        QCOMPARE(contracts[1].key.toString(), u"%1;%2"_s.arg(dg).arg(st));
        QCOMPARE(contracts[1].text, u"Д-1, этап 1"_s);
        QCOMPARE(doc.header().string(u"dg_idst_id"_s), QString());

        auto stored = [&](const QString& column) {
            return f.value(u"select %1 from scm_supplier_order where suo_id = ?"_s.arg(column), {id});
        };
        doc.setHeaderValue(u"dg_idst_id"_s, u"%1;0"_s.arg(dg));
        doc.postHeader();
        QCOMPARE(stored(u"suo_dg_id"_s).toLongLong(), dg);
        QVERIFY(stored(u"suo_stage_id"_s).isNull());

        doc.setHeaderValue(u"dg_idst_id"_s, u"%1;%2"_s.arg(dg).arg(st));
        doc.postHeader();
        QCOMPARE(stored(u"suo_dg_id"_s).toLongLong(), dg);
        QCOMPARE(stored(u"suo_stage_id"_s).toLongLong(), st);
        doc.open(id);
        QCOMPARE(doc.header().string(u"dg_idst_id"_s), u"%1;%2"_s.arg(dg).arg(st));

        // Delete clears it.
        doc.setHeaderValue(u"dg_idst_id"_s, QString());
        doc.postHeader();
        QVERIFY(stored(u"suo_dg_id"_s).isNull());
        QVERIFY(stored(u"suo_stage_id"_s).isNull());
        QVERIFY(!Test::failureOf([&] { doc.setHeaderValue(u"dg_idst_id"_s, u"x;y"_s); }).isEmpty());
        doc.close();
    }

    // Approval used to be open to anyone in the editor.
    void approvalNeedsItsRightAndKeepsTheStoredValue()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        Data::Database::setMain(&db);
        Test::EditorFixture f{db};
        const qint64 supplier = f.supplier(u"ПОСТ"_s, u"ООО Поставщик"_s);
        const qint64 p1 = f.product(u"A1"_s, u"Болт"_s);
        const qint64 id = f.order(supplier);
        f.orderLine(id, p1, Money(1), Money(10));
        f.currentUser({});

        SupplierOrderDocument doc(db);
        doc.open(id);
        QVERIFY(!doc.mayApprove());
        QVERIFY(!Test::failureOf([&] { doc.setHeaderValue(u"suo_accepted"_s, true); }).isEmpty());
        // Another workstation approves; this editor's save of another field keeps it.
        db.exec(u"update scm_supplier_order set suo_accepted = ? where suo_id = ?"_s, {true, id});
        doc.setHeaderValue(u"suo_description"_s, u"уточнено"_s);
        doc.postHeader();
        QCOMPARE(f.value(u"select suo_accepted from scm_supplier_order where suo_id = ?"_s, {id}).toBool(),
                 true);
        QCOMPARE(
            f.value(u"select suo_description from scm_supplier_order where suo_id = ?"_s, {id}).toString(),
            u"уточнено"_s);
        doc.close();

        f.currentUser({Security::Right::ApproveSupplierOrder});
        doc.open(id);
        QVERIFY(doc.mayApprove());
        doc.setHeaderValue(u"suo_accepted"_s, false);
        doc.postHeader();
        QCOMPARE(f.value(u"select suo_accepted from scm_supplier_order where suo_id = ?"_s, {id}).toBool(),
                 false);
        doc.close();
    }

    void existingOrderKeepsItsLastLineAndAnEmptyNewOneIsDropped()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        Data::Database::setMain(&db);
        Test::EditorFixture f{db};
        const qint64 supplier = f.supplier(u"ПОСТ"_s, u"ООО Поставщик"_s);
        const qint64 p1 = f.product(u"A1"_s, u"Болт"_s);
        const qint64 id = f.order(supplier);
        f.orderLine(id, p1, Money(2), Money(20));

        SupplierOrderDocument doc(db);
        doc.open(id);
        QCOMPARE(Test::failureOf([&] { doc.deleteCurrentLine(); }), SupplierOrderDocument::LastLineMessage);
        QCOMPARE(f.count(u"select count(*) from scm_so_products where sop_suo_id = ?"_s, {id}), 1);
        QCOMPARE(doc.close(), SupplierOrderDocument::Closing::Saved);

        // Made here, a line added and taken away again: closing removes the order silently.
        NoticeCounter notices;
        doc.openNew(supplier, u"ООО Поставщик"_s);
        doc.addProduct(product(p1, u"A1"_s, Money(5)));
        const qint64 made = doc.suoId();
        doc.deleteCurrentLine();
        notices.take();
        QCOMPARE(doc.close(), SupplierOrderDocument::Closing::DeletedEmpty);
        QCOMPARE(notices.take(), 1);
        QCOMPARE(f.count(u"select count(*) from scm_supplier_order where suo_id = ?"_s, {made}), 0);

        // Never saved: nothing is written at all.
        doc.openNew(supplier, u"ООО Поставщик"_s);
        QCOMPARE(doc.close(), SupplierOrderDocument::Closing::Nothing);
        QCOMPARE(f.count(u"select count(*) from scm_supplier_order"_s), 1);
        TARVO_CHECK_CHAIN(db);
    }

    void duplicateProductAndLineInWorkAreRefused()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        Data::Database::setMain(&db);
        Test::EditorFixture f{db};
        const qint64 buyer = f.buyer(u"ПОКУП"_s, u"ООО Покупатель"_s);
        const qint64 supplier = f.supplier(u"ПОСТ"_s, u"ООО Поставщик"_s);
        const qint64 p1 = f.product(u"A1"_s, u"Болт"_s);
        const qint64 p2 = f.product(u"A2"_s, u"Гайка"_s);
        const qint64 p3 = f.product(u"A3"_s, u"Шайба"_s);
        const qint64 request = f.request(buyer);
        f.line(request, p1, Money(2), Money(20));
        const qint64 id = f.order(supplier);
        f.orderLine(id, p1, Money(2), Money(20));
        f.orderLine(id, p2, Money(1), Money(5));
        f.orderLine(id, p3, Money(1), Money(7));
        db.exec(
            u"insert into scm_bo_ordered (bpo_bof_id, bpo_pr_id, bpo_suo_id, bpo_amount) values (?, ?, ?, 2)"_s,
            {request, p1, id});
        db.exec(u"insert into scm_so_accepted (soa_suo_id, soa_pr_id, soa_deliverydate, soa_amount, soa_sum) "
                "values (?, ?, ?, 1, 5)"_s,
                {id, p2, QDateTime(QDate::currentDate(), QTime(0, 0))});

        SupplierOrderDocument doc(db);
        doc.open(id);
        QCOMPARE(Test::failureOf([&] { doc.addProduct(product(p3, u"A3"_s, Money(9))); }),
                 SupplierOrderDocument::DuplicateProductMessage);
        QCOMPARE(doc.lines().state(), Data::RowSetState::Browse);
        QCOMPARE(doc.lines().recordCount(), 3);
        QCOMPARE(f.money(u"select sop_sum from scm_so_products where sop_pr_id = ?"_s, {p3}), Money(7));

        for (const qint64 p : {p1, p2}) {
            QVERIFY(doc.lines().locate({u"sop_pr_id"_s}, {p}));
            QCOMPARE(Test::failureOf([&] { doc.deleteCurrentLine(); }),
                     SupplierOrderDocument::LineInWorkMessage);
        }
        QCOMPARE(doc.lines().recordCount(), 3);
        QCOMPARE(f.count(u"select count(*) from scm_so_products where sop_suo_id = ?"_s, {id}), 3);

        QVERIFY(doc.lines().locate({u"sop_pr_id"_s}, {p3}));
        doc.deleteCurrentLine();
        QCOMPARE(doc.header().money(u"suo_sum"_s), Money(25));
        doc.close();
        TARVO_CHECK_CHAIN(db);
    }

    void writesToAnOrderDeletedElsewhereAreRefused()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        Data::Database::setMain(&db);
        Test::EditorFixture f{db};
        const qint64 supplier = f.supplier(u"ПОСТ"_s, u"ООО Поставщик"_s);
        const qint64 p1 = f.product(u"A1"_s, u"Болт"_s);
        const qint64 id = f.order(supplier);
        f.orderLine(id, p1, Money(2), Money(20));

        SupplierOrderDocument doc(db);
        doc.open(id);
        db.exec(u"delete from scm_supplier_order where suo_id = ?"_s, {id});
        doc.setHeaderValue(u"suo_description"_s, u"поздно"_s);
        QCOMPARE(Test::failureOf([&] { doc.postHeader(); }), SupplierOrderDocument::OrderDeletedMessage);

        doc.lines().edit();
        doc.lines().setValue(u"sop_amount"_s, Money(5).toVariant());
        QCOMPARE(Test::failureOf([&] { doc.postLines(); }), SupplierOrderDocument::OrderDeletedMessage);
        QCOMPARE(f.count(u"select count(*) from scm_so_products"_s), 0);
        QCOMPARE(Test::failureOf([&] { doc.close(); }), SupplierOrderDocument::OrderDeletedMessage);
        doc.discard();
        TARVO_CHECK_CHAIN(db);
    }

    void pickerOperationsAndDates()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        Data::Database::setMain(&db);
        Test::EditorFixture f{db};
        const qint64 supplier = f.supplier(u"ПОСТ"_s, u"ООО Поставщик"_s);
        const qint64 p1 = f.product(u"A1"_s, u"Болт"_s);
        const qint64 p2 = f.product(u"A2"_s, u"Гайка"_s);
        const qint64 p3 = f.product(u"A3"_s, u"Шайба"_s);
        const qint64 id = f.order(supplier);
        f.orderLine(id, p1, Money(2), Money(20));
        f.orderLine(id, p2, Money(), Money());

        SupplierOrderDocument doc(db);
        doc.open(id);
        // No price of nothing.
        QVERIFY(doc.lines().locate({u"sop_pr_id"_s}, {p2}));
        QVERIFY(doc.lines().isNull(u"sop_price"_s));
        QVERIFY(doc.lines().isNull(u"sop_val_price"_s));

        QCOMPARE(doc.productAmount(p1), Money(2));
        QCOMPARE(doc.productAmount(p3), Money());
        QCOMPARE(doc.filteredProductAmount(p1), Money(2));
        QCOMPARE(doc.filteredProductAmount(p3), Money());
        doc.setAmount(product(p1, u"A1"_s, Money(10)), Money(4));
        QCOMPARE(f.money(u"select sop_amount from scm_so_products where sop_pr_id = ?"_s, {p1}), Money(4));
        QCOMPARE(f.money(u"select sop_sum from scm_so_products where sop_pr_id = ?"_s, {p1}), Money(40));
        doc.setAmount(product(p3, u"A3"_s, Money(3)), Money(2));
        QCOMPARE(f.money(u"select sop_sum from scm_so_products where sop_pr_id = ?"_s, {p3}), Money(6));
        doc.setAmount(product(p2, u"A2"_s, Money(3)), Money());
        QCOMPARE(f.count(u"select count(*) from scm_so_products where sop_pr_id = ?"_s, {p2}), 0);
        QCOMPARE(doc.productAmount(p2), Money());
        QCOMPARE(doc.header().money(u"suo_sum"_s), Money(46));

        doc.setHeaderValue(u"suo_date"_s, QDateTime(QDate(1, 1, 1), QTime(0, 0)));
        QCOMPARE(Test::failureOf([&] { doc.postHeader(); }), SupplierOrderDocument::BadDateMessage);
        doc.setHeaderValue(u"suo_date"_s, QDateTime(QDate::currentDate(), QTime(0, 0)));
        doc.close();
        TARVO_CHECK_CHAIN(db);
    }

    void currencyChangeComputesEveryLineThenWritesTogether()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        Data::Database::setMain(&db);
        Test::EditorFixture f{db};
        const qint64 supplier = f.supplier(u"ПОСТ"_s, u"ООО Поставщик"_s);
        const qint64 p1 = f.product(u"A1"_s, u"Болт"_s);
        const qint64 p2 = f.product(u"A2"_s, u"Гайка"_s);
        f.currency(u"USD"_s, 100, QDate::currentDate());
        const qint64 id = f.order(supplier);
        f.orderLine(id, p1, Money(2), Money(300));
        f.orderLine(id, p2, Money(1), Money(50));

        SupplierOrderDocument doc(db);
        doc.open(id);
        doc.changeCurrency(u"USD"_s);
        QCOMPARE(f.value(u"select suo_cod_valut from scm_supplier_order where suo_id = ?"_s, {id}).toString(),
                 u"USD"_s);
        QCOMPARE(f.money(u"select sop_sum_valut from scm_so_products where sop_pr_id = ?"_s, {p1}), Money(3));
        QCOMPARE(f.money(u"select sop_sum from scm_so_products where sop_pr_id = ?"_s, {p1}), Money(300));
        QCOMPARE(doc.header().money(u"suo_sum_valut"_s), Money::fromRaw(35000));
        QCOMPARE(doc.header().money(u"suo_sum"_s), Money(350));

        // A quotation cancelled: nothing changes.
        db.exec(u"insert into VALUTCOD (CODVALUT, NAMEVALUT) values ('EUR', 'EUR')"_s);
        Catalog::CurrencyRates::setMissingRateAsker([](Data::Database&, const QString&, const QDate&,
                                                       std::optional<double>) -> double { throw Abort(); });
        QVERIFY_THROWS_EXCEPTION(Abort, doc.changeCurrency(u"EUR"_s));
        QCOMPARE(doc.currencyCode(), u"USD"_s);
        QCOMPARE(f.value(u"select suo_cod_valut from scm_supplier_order where suo_id = ?"_s, {id}).toString(),
                 u"USD"_s);

        // A product priced in its own currency comes in at the order date's rate.
        Catalog::CurrencyRates::setMissingRateAsker({});
        const qint64 p3 = f.product(u"A3"_s, u"Шайба"_s);
        doc.addProduct(product(p3, u"A3"_s, Money(2), u"USD"_s));
        QCOMPARE(f.money(u"select sop_sum from scm_so_products where sop_pr_id = ?"_s, {p3}), Money(200));
        QCOMPARE(f.money(u"select sop_sum_valut from scm_so_products where sop_pr_id = ?"_s, {p3}), Money(2));
        doc.close();
        TARVO_CHECK_CHAIN(db);
    }
};

QTEST_MAIN(SupplierOrderDocumentTest)
#include "tst_supplierorderdocument.moc"
