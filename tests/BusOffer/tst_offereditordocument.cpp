#include "BusOffer/edfixture.h"
#include "support/failure.h"
#include "BusOffer/offereditordocument.h"
#include "catalog/currency/currencyrates.h"
#include "core/exception.h"
#include "messaging/changeevents.h"
#include "messaging/tmessageserver.h"
#include "support/testdatabase.h"
#include "support/testenvironment.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace Tarvo;
using namespace Tarvo::BusOffer;
using namespace Qt::Literals::StringLiterals;

namespace {

// Counts the change notices of buyer requests.
struct NoticeCounter : Messaging::IChangeReceiver
{
    int refreshed = 0;
    Messaging::TChangeSubscription subscription{Messaging::ChangeEvents::BusinessOffers, this};
    void refresh(const QUuid&, int) override { ++refreshed; }
    int take()
    {
        Messaging::TMessageServer::instance().flush();
        return std::exchange(refreshed, 0);
    }
};

} // namespace

class OfferEditorDocumentTest : public QObject
{
    Q_OBJECT
    QTemporaryDir m_home;

private slots:
    void initTestCase() { Test::isolateUserFolders(m_home.path()); }
    void cleanup() { Catalog::CurrencyRates::setMissingRateAsker({}); }

    void newRequestIsWrittenWithItsLinesAndTotals()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        Test::EdFixture f{db};
        const qint64 buyer = f.buyer(u"ПОКУП"_s, u"ООО Покупатель"_s);
        const qint64 p1 = f.product(u"A1"_s, u"Болт"_s);
        const qint64 p2 = f.product(u"A2"_s, u"Гайка"_s);
        const qint64 old = f.request(buyer);
        db.exec(u"update scm_business_offer set bof_dopnomer = 41 where bof_id = ?"_s, {old});
        NoticeCounter notices;

        OfferEditorDocument doc(db);
        QCOMPARE(doc.open(0), OfferEditorDocument::Closing::Nothing);
        QVERIFY(!doc.isSaved());
        QCOMPARE(doc.title(), u"Новая заявка"_s);
        QCOMPARE(doc.header().integer(u"bof_dopnomer"_s), 42);
        QCOMPARE(doc.header().value(u"bof_date"_s).toDateTime().date(), QDate::currentDate());
        QCOMPARE(doc.direction(), OfferEditorDocument::Direction::RoublesToCurrency);
        // Nothing is written before the first save.
        QCOMPARE(f.count(u"select count(*) from scm_business_offer"_s), 1);

        doc.setHeaderValue(u"bof_person"_s, buyer);
        doc.setHeaderValue(u"bof_description"_s, u"срочно"_s);
        doc.postHeader();
        QVERIFY(doc.isSaved());
        QVERIFY(doc.createdHere());
        const qint64 id = doc.bofId();
        QCOMPARE(doc.title(), u"Заявка %1"_s.arg(id));
        QCOMPARE(notices.take(), 1);
        QCOMPARE(f.value(u"select bof_description from scm_business_offer where bof_id = ?"_s, {id}).toString(),
                 u"срочно"_s);
        QCOMPARE(f.count(u"select bof_dopnomer from scm_business_offer where bof_id = ?"_s, {id}), 42);
        QVERIFY(!f.value(u"select bof_createdate from scm_business_offer where bof_id = ?"_s, {id}).isNull());

        doc.addProduct(f.choice(p2, u"A2"_s, Money::fromRaw(125000)));
        doc.addProduct(f.choice(p1, u"A1"_s, Money(3)));
        QCOMPARE(notices.take(), 1);
        QCOMPARE(f.count(u"select count(*) from scm_bp_delivery where bpd_bof_id = ?"_s, {id}), 2);
        QCOMPARE(f.money(u"select bpd_amount from scm_bp_delivery where bpd_pr_id = ?"_s, {p2}), Money(1));
        QCOMPARE(f.money(u"select bpd_sum from scm_bp_delivery where bpd_pr_id = ?"_s, {p2}), Money::fromRaw(125000));
        // The header's totals are read back from the database after every line.
        QCOMPARE(doc.header().money(u"bof_sum"_s), Money::fromRaw(155000));

        // The amount changes the sum at the same price.
        doc.lines().locate({u"bpd_pr_id"_s}, {p1});
        doc.lines().edit();
        doc.lines().setValue(u"bpd_amount"_s, Money(4).toVariant());
        doc.lineEdited(u"bpd_amount"_s);
        doc.lines().setValue(u"bpd_description"_s, u"к понедельнику"_s);
        doc.postLines();
        QCOMPARE(f.money(u"select bpd_sum from scm_bp_delivery where bpd_pr_id = ?"_s, {p1}), Money(12));
        QCOMPARE(f.value(u"select bpd_description from scm_bp_delivery where bpd_pr_id = ?"_s, {p1}).toString(),
                 u"к понедельнику"_s);
        QCOMPARE(doc.header().money(u"bof_sum"_s), Money::fromRaw(245000));
        QCOMPARE(doc.header().state(), Data::RowSetState::Edit);
        QVERIFY(!doc.header().modified());
        QVERIFY(notices.take() > 0);

        QCOMPARE(doc.close(), OfferEditorDocument::Closing::Saved);
        QVERIFY(!doc.isOpen());
        QCOMPARE(OfferEditorDocument::nextAdditionalNumber(db), 43);
    }

    void reopenedRequestShowsItsLinesByArticleAndEmptyPriceOfZeroAmount()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        Test::EdFixture f{db};
        const qint64 buyer = f.buyer(u"ПОКУП"_s, u"ООО Покупатель"_s);
        const qint64 b = f.product(u"B"_s, u"Второй"_s);
        const qint64 a = f.product(u"A"_s, u"Первый"_s);
        f.currency(u"USD"_s, 100, QDate::currentDate());
        const qint64 id = f.request(buyer, u"USD"_s);
        f.line(id, b, Money(0), Money(0));
        f.line(id, a, Money(3), Money(10), Money::fromRaw(1000));

        OfferEditorDocument doc(db);
        doc.open(id);
        QCOMPARE(doc.direction(), OfferEditorDocument::Direction::CurrencyToRoubles);
        QCOMPARE(doc.lines().recordCount(), 2);
        QCOMPARE(doc.lines().string(u"pr_articul"_s), u"A"_s);
        QCOMPARE(doc.lines().money(u"bpd_price"_s), Money::fromRaw(33333));
        QCOMPARE(doc.lines().money(u"bpd_val_price"_s), Money::fromRaw(333));
        doc.lines().next();
        QCOMPARE(doc.lines().string(u"pr_articul"_s), u"B"_s);
        QVERIFY(doc.lines().isNull(u"bpd_price"_s));
        QVERIFY(doc.lines().isNull(u"bpd_val_price"_s));
        QCOMPARE(doc.header().money(u"bof_sum"_s), Money(10));
        QVERIFY(!doc.createdHere());
    }

    void duplicateProductAndDistributedLineAreRefused()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        Test::EdFixture f{db};
        const qint64 buyer = f.buyer(u"ПОКУП"_s, u"ООО Покупатель"_s);
        const qint64 supplier = f.catalog().partner(u"ПОСТ"_s, u"ООО Поставщик"_s);
        const qint64 p1 = f.product(u"A1"_s, u"Болт"_s);
        const qint64 p2 = f.product(u"A2"_s, u"Гайка"_s);
        const qint64 id = f.request(buyer);
        f.line(id, p1, Money(2), Money(20));
        f.line(id, p2, Money(1), Money(5));
        const qint64 order = f.catalog().supplierOrder(supplier);
        db.exec(u"insert into scm_so_products (sop_suo_id, sop_pr_id, sop_amount) values (?, ?, 2)"_s, {order, p1});
        db.exec(u"insert into scm_bo_ordered (bpo_bof_id, bpo_pr_id, bpo_suo_id, bpo_amount) values (?, ?, ?, 2)"_s,
                {id, p1, order});

        OfferEditorDocument doc(db);
        doc.open(id);
        QCOMPARE(Test::failureOf([&] { doc.addProduct(f.choice(p2, u"A2"_s, Money(9))); }),
                 OfferEditorDocument::DuplicateProductMessage);
        QCOMPARE(doc.lines().state(), Data::RowSetState::Browse);
        QCOMPARE(doc.lines().recordCount(), 2);
        QCOMPARE(f.money(u"select bpd_sum from scm_bp_delivery where bpd_pr_id = ?"_s, {p2}), Money(5));

        QVERIFY(doc.lines().locate({u"bpd_pr_id"_s}, {p1}));
        QCOMPARE(Test::failureOf([&] { doc.deleteCurrentLine(); }), OfferEditorDocument::DistributedLineMessage);
        QCOMPARE(doc.lines().recordCount(), 2);
        QCOMPARE(f.count(u"select count(*) from scm_bp_delivery where bpd_bof_id = ?"_s, {id}), 2);

        // A line not yet distributed goes; totals follow.
        QVERIFY(doc.lines().locate({u"bpd_pr_id"_s}, {p2}));
        doc.deleteCurrentLine();
        QCOMPARE(doc.lines().recordCount(), 1);
        QCOMPARE(doc.header().money(u"bof_sum"_s), Money(20));
    }

    void existingRequestKeepsItsLastLineAndSurvivesClosing()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        Test::EdFixture f{db};
        const qint64 buyer = f.buyer(u"ПОКУП"_s, u"ООО Покупатель"_s);
        const qint64 p1 = f.product(u"A1"_s, u"Болт"_s);
        const qint64 id = f.request(buyer);
        f.line(id, p1, Money(2), Money(20));

        OfferEditorDocument doc(db);
        doc.open(id);
        QCOMPARE(Test::failureOf([&] { doc.deleteCurrentLine(); }), OfferEditorDocument::LastLineMessage);
        QCOMPARE(f.count(u"select count(*) from scm_bp_delivery where bpd_bof_id = ?"_s, {id}), 1);
        QCOMPARE(doc.close(), OfferEditorDocument::Closing::Saved);
        QCOMPARE(f.count(u"select count(*) from scm_business_offer where bof_id = ?"_s, {id}), 1);

        // An existing request that has no lines at all is not deleted by closing either.
        const qint64 bare = f.request(buyer);
        doc.open(bare);
        QCOMPARE(doc.close(), OfferEditorDocument::Closing::Saved);
        QCOMPARE(f.count(u"select count(*) from scm_business_offer where bof_id = ?"_s, {bare}), 1);
    }

    void requestMadeHereWithoutLinesIsDeletedSilently()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        Test::EdFixture f{db};
        const qint64 buyer = f.buyer(u"ПОКУП"_s, u"ООО Покупатель"_s);
        const qint64 p1 = f.product(u"A1"_s, u"Болт"_s);

        OfferEditorDocument doc(db);
        doc.open(0);
        // Never saved: nothing to delete, nothing to say.
        doc.setHeaderValue(u"bof_description"_s, u"черновик"_s);
        QCOMPARE(doc.close(), OfferEditorDocument::Closing::Nothing);
        QCOMPARE(f.count(u"select count(*) from scm_business_offer"_s), 0);

        doc.open(0);
        doc.setHeaderValue(u"bof_person"_s, buyer);
        doc.addProduct(f.choice(p1, u"A1"_s, Money(3)));
        const qint64 id = doc.bofId();
        // Its own last line may go: the request is still the editor's own.
        doc.deleteCurrentLine();
        QCOMPARE(doc.lines().recordCount(), 0);
        QCOMPARE(doc.close(), OfferEditorDocument::Closing::DeletedEmpty);
        QCOMPARE(f.count(u"select count(*) from scm_business_offer where bof_id = ?"_s, {id}), 0);
    }

    void openingAnotherRequestAppliesTheClosingRulesFirst()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        Test::EdFixture f{db};
        const qint64 buyer = f.buyer(u"ПОКУП"_s, u"ООО Покупатель"_s);
        const qint64 p1 = f.product(u"A1"_s, u"Болт"_s);
        const qint64 existing = f.request(buyer);
        f.line(existing, p1, Money(2), Money(20));

        OfferEditorDocument doc(db);
        doc.open(0);
        doc.setHeaderValue(u"bof_person"_s, buyer);
        doc.postHeader();
        const qint64 empty = doc.bofId();
        QCOMPARE(doc.open(existing), OfferEditorDocument::Closing::DeletedEmpty);
        QCOMPARE(f.count(u"select count(*) from scm_business_offer where bof_id = ?"_s, {empty}), 0);
        QCOMPARE(doc.bofId(), existing);

        // Pending edits of the header and of a line are written, not dropped.
        doc.setHeaderValue(u"bof_description"_s, u"изменено"_s);
        doc.lines().edit();
        doc.lines().setValue(u"bpd_description"_s, u"строка"_s);
        QCOMPARE(doc.open(0), OfferEditorDocument::Closing::Saved);
        QCOMPARE(f.value(u"select bof_description from scm_business_offer where bof_id = ?"_s, {existing}).toString(),
                 u"изменено"_s);
        QCOMPARE(f.value(u"select bpd_description from scm_bp_delivery where bpd_bof_id = ?"_s, {existing}).toString(),
                 u"строка"_s);
        QVERIFY(!doc.isSaved());

        // The same request again keeps it (and what was typed).
        doc.open(existing);
        doc.setHeaderValue(u"bof_snomer"_s, u"С-1"_s);
        QCOMPARE(doc.open(existing), OfferEditorDocument::Closing::Nothing);
        QCOMPARE(f.value(u"select bof_snomer from scm_business_offer where bof_id = ?"_s, {existing}).toString(),
                 u"С-1"_s);
    }

    void currencyChangeWritesCodeAndSumsTogetherOrNothing()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        Test::EdFixture f{db};
        const qint64 buyer = f.buyer(u"ПОКУП"_s, u"ООО Покупатель"_s);
        const qint64 p1 = f.product(u"A1"_s, u"Болт"_s);
        const qint64 p2 = f.product(u"A2"_s, u"Гайка"_s);
        f.currency(u"USD"_s, 100, QDate::currentDate());
        db.exec(u"insert into VALUTCOD (CODVALUT, NAMEVALUT) values ('EUR', 'EUR')"_s);
        const qint64 id = f.request(buyer);
        f.line(id, p1, Money(2), Money(300));
        f.line(id, p2, Money(1), Money(50));

        OfferEditorDocument doc(db);
        doc.open(id);
        QCOMPARE(doc.direction(), OfferEditorDocument::Direction::RoublesToCurrency);
        doc.changeCurrency(u"USD"_s);
        QCOMPARE(f.value(u"select bof_cod_valut from scm_business_offer where bof_id = ?"_s, {id}).toString(),
                 u"USD"_s);
        QCOMPARE(f.money(u"select bpd_sum_valut from scm_bp_delivery where bpd_pr_id = ?"_s, {p1}), Money(3));
        QCOMPARE(f.money(u"select bpd_sum from scm_bp_delivery where bpd_pr_id = ?"_s, {p1}), Money(300));
        QCOMPARE(doc.header().money(u"bof_sum_valut"_s), Money::fromRaw(35000));
        QVERIFY(doc.lines().locate({u"bpd_pr_id"_s}, {p1}));
        QCOMPARE(doc.lines().money(u"bpd_val_price"_s), Money::fromRaw(15000));

        // No EUR rate and the user cancels the quotation: nothing changes anywhere.
        int asked = 0;
        Catalog::CurrencyRates::setMissingRateAsker(
            [&](Data::Database&, const QString&, const QDate&, std::optional<double>) -> double {
                ++asked;
                throw Abort();
            });
        doc.setDirection(OfferEditorDocument::Direction::CurrencyToRoubles);
        QVERIFY_THROWS_EXCEPTION(Abort, doc.changeCurrency(u"EUR"_s));
        QVERIFY(asked > 0);
        QCOMPARE(doc.header().string(u"bof_cod_valut"_s), u"USD"_s);
        QCOMPARE(f.value(u"select bof_cod_valut from scm_business_offer where bof_id = ?"_s, {id}).toString(),
                 u"USD"_s);
        QCOMPARE(f.money(u"select bpd_sum_valut from scm_bp_delivery where bpd_pr_id = ?"_s, {p1}), Money(3));
        QCOMPARE(f.money(u"select bof_sum_valut from scm_business_offer where bof_id = ?"_s, {id}),
                 Money::fromRaw(35000));

        // A failing write in the middle (a line deleted under us by a trigger-less refusal:
        // the header's person no longer exists) leaves the code as it was too.
        Catalog::CurrencyRates::setMissingRateAsker({});
        f.currency(u"EUR"_s, 50, QDate::currentDate());
        doc.setHeaderValue(u"bof_person"_s, 999999);
        QVERIFY_THROWS_EXCEPTION(Exception, doc.changeCurrency(u"EUR"_s));
        QCOMPARE(doc.header().string(u"bof_cod_valut"_s), u"USD"_s);
        QCOMPARE(f.value(u"select bof_cod_valut from scm_business_offer where bof_id = ?"_s, {id}).toString(),
                 u"USD"_s);
        QCOMPARE(f.money(u"select bpd_sum_valut from scm_bp_delivery where bpd_pr_id = ?"_s, {p1}), Money(3));

        // From the currency side: the currency price is carried over, the roubles follow.
        doc.setHeaderValue(u"bof_person"_s, buyer);
        doc.changeCurrency(u"EUR"_s);
        QCOMPARE(f.money(u"select bpd_sum_valut from scm_bp_delivery where bpd_pr_id = ?"_s, {p1}), Money(6));
        QCOMPARE(f.money(u"select bpd_sum from scm_bp_delivery where bpd_pr_id = ?"_s, {p1}), Money(300));
    }

    void warehouseCounterpartyIsRegisteredOnSave()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        Test::EdFixture f{db};
        f.warehouseCounterparty(u"W77"_s, u"Склад-клиент"_s);
        OfferEditorDocument doc(db);
        doc.open(0);
        const qint64 placeholder = doc.lookups().counterpartyKey(u"W77"_s);
        QVERIFY(placeholder < 0);
        doc.setHeaderValue(u"bof_person"_s, placeholder);
        doc.postHeader();
        const qint64 par = f.value(u"select par_ID from scm_partner where par_nuser = 'W77'"_s).toLongLong();
        QVERIFY(par > 0);
        QCOMPARE(doc.header().integer(u"bof_person"_s), par);
        QCOMPARE(f.value(u"select bof_person from scm_business_offer where bof_id = ?"_s, {doc.bofId()}).toLongLong(),
                 par);
        QCOMPARE(doc.lookups().counterpartyKey(u"W77"_s), par);
    }

    void badDatesAreRefused()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        Test::EdFixture f{db};
        const qint64 buyer = f.buyer(u"ПОКУП"_s, u"ООО Покупатель"_s);
        OfferEditorDocument doc(db);
        doc.open(0);
        doc.setHeaderValue(u"bof_person"_s, buyer);
        doc.setHeaderValue(u"bof_date"_s, QVariant(QMetaType::fromType<QDateTime>()));
        QCOMPARE(Test::failureOf([&] { doc.postHeader(); }), OfferEditorDocument::BadDateMessage);
        QVERIFY(!doc.isSaved());
        QCOMPARE(f.count(u"select count(*) from scm_business_offer"_s), 0);
        doc.setHeaderValue(u"bof_date"_s, QDateTime(QDate(2026, 3, 1), QTime(0, 0)));
        doc.postHeader();
        QVERIFY(doc.isSaved());
    }

    void writesToRowsAnotherWorkstationDeletedAreRefused()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        Test::EdFixture f{db};
        const qint64 buyer = f.buyer(u"ПОКУП"_s, u"ООО Покупатель"_s);
        const qint64 p1 = f.product(u"A1"_s, u"Болт"_s);
        const qint64 p2 = f.product(u"A2"_s, u"Гайка"_s);
        const qint64 id = f.request(buyer);
        f.line(id, p1, Money(2), Money(20));
        f.line(id, p2, Money(1), Money(5));
        auto other = t.connectAgain();

        OfferEditorDocument doc(db);
        doc.open(id);
        other->exec(u"delete from scm_bp_delivery where bpd_bof_id = ? and bpd_pr_id = ?"_s, {id, p2});

        // A line deleted elsewhere: neither its edit nor its deletion is taken for done.
        QVERIFY(doc.lines().locate({u"bpd_pr_id"_s}, {p2}));
        doc.lines().edit();
        doc.lines().setValue(u"bpd_description"_s, u"к пятнице"_s);
        QCOMPARE(Test::failureOf([&] { doc.postLines(); }), OfferEditorDocument::LineDeletedMessage);
        QCOMPARE(doc.lines().state(), Data::RowSetState::Edit);
        QCOMPARE(doc.lines().string(u"bpd_description"_s), u"к пятнице"_s);
        QCOMPARE(Test::failureOf([&] { doc.deleteCurrentLine(); }), OfferEditorDocument::LineDeletedMessage);
        QCOMPARE(doc.lines().recordCount(), 2);
        QCOMPARE(f.count(u"select count(*) from scm_bp_delivery where bpd_bof_id = ?"_s, {id}), 1);

        // The whole request deleted elsewhere: the header's and the lines' writes are refused in
        // the request's words, and closing reports no save.
        other->exec(u"delete from scm_business_offer where bof_id = ?"_s, {id});
        doc.setHeaderValue(u"bof_description"_s, u"новое описание"_s);
        QCOMPARE(Test::failureOf([&] { doc.postHeader(); }), OfferEditorDocument::RequestDeletedMessage);
        QCOMPARE(doc.header().string(u"bof_description"_s), u"новое описание"_s);
        QVERIFY(doc.lines().locate({u"bpd_pr_id"_s}, {p1}));
        doc.lines().edit();
        doc.lines().setValue(u"bpd_description"_s, u"срочно"_s);
        QCOMPARE(Test::failureOf([&] { doc.postLines(); }), OfferEditorDocument::RequestDeletedMessage);
        doc.lines().cancel();
        QCOMPARE(Test::failureOf([&] { doc.close(); }), OfferEditorDocument::RequestDeletedMessage);
        QVERIFY(doc.isOpen());
        QCOMPARE(f.count(u"select count(*) from scm_business_offer"_s), 0);

        // Nothing typed: closing still does not claim a save of a request that is gone.
        const qint64 second = f.request(buyer);
        f.line(second, p1, Money(1), Money(10));
        doc.discard();
        doc.open(second);
        other->exec(u"delete from scm_business_offer where bof_id = ?"_s, {second});
        QCOMPARE(Test::failureOf([&] { doc.close(); }), OfferEditorDocument::RequestDeletedMessage);
    }

    void headerSaveWritesOnlyWhatThisEditorChanged()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        Test::EdFixture f{db};
        const qint64 buyer = f.buyer(u"ПОКУП"_s, u"ООО Покупатель"_s);
        const qint64 id = f.request(buyer);
        auto other = t.connectAgain();

        OfferEditorDocument a(db);
        OfferEditorDocument b(*other);
        a.open(id);
        b.open(id);
        a.setHeaderValue(u"bof_description"_s, u"от первого"_s);
        a.postHeader();
        b.setHeaderValue(u"bof_snomer"_s, u"Б-2"_s);
        b.postHeader();
        QCOMPARE(f.value(u"select bof_description from scm_business_offer where bof_id = ?"_s, {id}).toString(),
                 u"от первого"_s);
        QCOMPARE(f.value(u"select bof_snomer from scm_business_offer where bof_id = ?"_s, {id}).toString(), u"Б-2"_s);

        // A field changed twice is written with its last value; one set back to what was read is
        // left as the other workstation stored it.
        a.setHeaderValue(u"bof_snomer"_s, u"А-1"_s);
        a.setHeaderValue(u"bof_snomer"_s, QString());
        a.setHeaderValue(u"bof_dopnomer"_s, 7);
        a.postHeader();
        QCOMPARE(f.value(u"select bof_snomer from scm_business_offer where bof_id = ?"_s, {id}).toString(), u"Б-2"_s);
        QCOMPARE(f.count(u"select bof_dopnomer from scm_business_offer where bof_id = ?"_s, {id}), 7);
        b.close();
        a.close();
    }

    void currencyChangeComputesFromTheStoredLines()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        Test::EdFixture f{db};
        const qint64 buyer = f.buyer(u"ПОКУП"_s, u"ООО Покупатель"_s);
        const qint64 p1 = f.product(u"A1"_s, u"Болт"_s);
        const qint64 p2 = f.product(u"A2"_s, u"Гайка"_s);
        f.currency(u"USD"_s, 100, QDate::currentDate());
        f.currency(u"EUR"_s, 50, QDate::currentDate());
        const qint64 id = f.request(buyer);
        f.line(id, p1, Money(10), Money(1000));
        auto other = t.connectAgain();

        OfferEditorDocument doc(db);
        doc.open(id);
        // Meanwhile: 20 units at the same price, and a second line.
        other->exec(u"update scm_bp_delivery set bpd_amount = 20, bpd_sum = 2000 where bpd_bof_id = ? and bpd_pr_id = ?"_s,
                    {id, p1});
        Test::EdFixture{*other}.line(id, p2, Money(1), Money(50));
        doc.changeCurrency(u"USD"_s);
        QCOMPARE(f.money(u"select bpd_amount from scm_bp_delivery where bpd_pr_id = ?"_s, {p1}), Money(20));
        QCOMPARE(f.money(u"select bpd_sum from scm_bp_delivery where bpd_pr_id = ?"_s, {p1}), Money(2000));
        QCOMPARE(f.money(u"select bpd_sum_valut from scm_bp_delivery where bpd_pr_id = ?"_s, {p1}), Money(20));
        QCOMPARE(f.money(u"select bpd_sum_valut from scm_bp_delivery where bpd_pr_id = ?"_s, {p2}),
                 Money::fromRaw(5000));
        // What is shown is what was written.
        QCOMPARE(doc.lines().recordCount(), 2);
        QVERIFY(doc.lines().locate({u"bpd_pr_id"_s}, {p1}));
        QCOMPARE(doc.lines().money(u"bpd_amount"_s), Money(20));
        QCOMPARE(doc.lines().money(u"bpd_sum_valut"_s), Money(20));
        QCOMPARE(doc.header().money(u"bof_sum_valut"_s), Money::fromRaw(205000));

        // From the currency side the stored code is the one converted from: the other
        // workstation switched to euros (20 EUR = 1000 roubles); dollars then give 10.
        other->exec(u"update scm_business_offer set bof_cod_valut = 'EUR' where bof_id = ?"_s, {id});
        other->exec(u"update scm_bp_delivery set bpd_sum = 1000, bpd_sum_valut = 20 where bpd_bof_id = ? and bpd_pr_id = ?"_s,
                    {id, p1});
        doc.setDirection(OfferEditorDocument::Direction::CurrencyToRoubles);
        doc.changeCurrency(u"EUR"_s);
        QCOMPARE(f.value(u"select bof_cod_valut from scm_business_offer where bof_id = ?"_s, {id}).toString(),
                 u"EUR"_s);
        QCOMPARE(f.money(u"select bpd_sum_valut from scm_bp_delivery where bpd_pr_id = ?"_s, {p1}), Money(20));
        QCOMPARE(f.money(u"select bpd_sum from scm_bp_delivery where bpd_pr_id = ?"_s, {p1}), Money(1000));
        doc.changeCurrency(u"USD"_s);
        QCOMPARE(f.money(u"select bpd_sum_valut from scm_bp_delivery where bpd_pr_id = ?"_s, {p1}), Money(10));
        QCOMPARE(f.money(u"select bpd_sum from scm_bp_delivery where bpd_pr_id = ?"_s, {p1}), Money(1000));

        // A request deleted meanwhile is refused in its own words; the code stays as it was shown.
        other->exec(u"delete from scm_business_offer where bof_id = ?"_s, {id});
        QCOMPARE(Test::failureOf([&] { doc.changeCurrency(u"EUR"_s); }), OfferEditorDocument::RequestDeletedMessage);
        QCOMPARE(doc.header().string(u"bof_cod_valut"_s), u"USD"_s);
    }

    void counterpartyRegisteredElsewhereMeanwhileIsUsed()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        Test::EdFixture f{db};
        f.warehouseCounterparty(u"W77"_s, u"Склад-клиент"_s);
        auto other = t.connectAgain();

        OfferEditorDocument a(db);
        OfferEditorDocument b(*other);
        a.open(0);
        b.open(0);
        a.setHeaderValue(u"bof_person"_s, a.lookups().counterpartyKey(u"W77"_s));
        b.setHeaderValue(u"bof_person"_s, b.lookups().counterpartyKey(u"W77"_s));
        b.postHeader();
        a.postHeader();
        QCOMPARE(f.count(u"select count(*) from scm_partner where par_nuser = 'W77'"_s), 1);
        const qint64 par = f.value(u"select par_ID from scm_partner where par_nuser = 'W77'"_s).toLongLong();
        QCOMPARE(a.header().integer(u"bof_person"_s), par);
        QCOMPARE(f.value(u"select bof_person from scm_business_offer where bof_id = ?"_s, {a.bofId()}).toLongLong(),
                 par);
        QCOMPARE(a.lookups().counterpartyKey(u"W77"_s), par);
    }

    void additionalNumberKeepsToItsColumnsRange()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        Test::EdFixture f{db};
        const qint64 buyer = f.buyer(u"ПОКУП"_s, u"ООО Покупатель"_s);
        OfferEditorDocument doc(db);
        doc.open(0);
        doc.setHeaderValue(u"bof_person"_s, buyer);
        for (const qint64 bad : {qint64(2147483648LL), qint64(99999999999LL), qint64(-1)})
            QCOMPARE(Test::failureOf([&] { doc.setHeaderValue(u"bof_dopnomer"_s, bad); }),
                     OfferEditorDocument::BadAdditionalNumberMessage);
        QCOMPARE(doc.header().integer(u"bof_dopnomer"_s), 1);
        doc.setHeaderValue(u"bof_dopnomer"_s, qint64(2147483647));
        doc.postHeader();
        QCOMPARE(f.value(u"select bof_dopnomer from scm_business_offer where bof_id = ?"_s, {doc.bofId()}).toLongLong(),
                 2147483647LL);
    }

    void allDatesTakeTheCurrentLinesDate()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        Test::EdFixture f{db};
        const qint64 buyer = f.buyer(u"ПОКУП"_s, u"ООО Покупатель"_s);
        const qint64 id = f.request(buyer);
        for (int i = 1; i <= 3; ++i)
            f.line(id, f.product(u"A%1"_s.arg(i), u"Товар"_s), Money(1), Money(i));
        OfferEditorDocument doc(db);
        doc.open(id);
        doc.lines().moveTo(1);
        const QDate day(2026, 12, 24);
        doc.setLineDate(day);
        doc.setAllDates();
        QCOMPARE(f.count(u"select count(*) from scm_bp_delivery where bpd_bof_id = ? and bpd_deliverydate = ?"_s,
                         {id, QDateTime(day, QTime(0, 0))}),
                 3);
        QCOMPARE(doc.lines().recNo(), 1);
        for (int i = 0; i < 3; ++i) {
            doc.lines().moveTo(i);
            QCOMPARE(doc.lines().value(u"bpd_deliverydate"_s).toDateTime().date(), day);
        }
    }
};

QTEST_MAIN(OfferEditorDocumentTest)
#include "tst_offereditordocument.moc"
