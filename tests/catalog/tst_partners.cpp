#include "support/failure.h"
#include "catalog/catalogfixture.h"
#include "catalog/partners/partnercard.h"
#include "catalog/partners/partnerlist.h"
#include "catalog/partners/partnertext.h"
#include "catalog/selectionmarks.h"
#include "support/typetext.h"
#include "catalog/ui/tcontragent_card_.h"
#include "catalog/ui/tlibrary_contragents_.h"
#include "core/exception.h"
#include "data/engine/query.h"
#include "data/modules/tupdatedadoquery.h"
#include "support/testdatabase.h"
#include "support/widgetdriver.h"
#include "widgets/tdatagrid.h"
#include "catalog/boxanswers.h"

#include <atomic>
#include <thread>

#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QtTest>

using namespace Tarvo;
using namespace Tarvo::Catalog;
using namespace Qt::Literals::StringLiterals;

namespace {

PartnerCardData named(const QString& shortName, const QString& fullName)
{
    PartnerCardData d;
    d.shortName = shortName;
    d.fullName = fullName;
    d.kind = u"Т"_s;
    return d;
}


qint64 count(Data::Database& db, const QString& sql, const QVariantList& params = {})
{
    return db.scalar(sql, params).toLongLong();
}

} // namespace

class PartnersTest : public QObject
{
    Q_OBJECT
private slots:
    void shortNamesAreGeneratedFromTheFullName()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        const PartnerCard card(db);
        QCOMPARE(card.save(named(QString(), u"Ромашка плюс"_s), PartnerCard::Mode::Create), u"РОМАШКАП"_s);
        QCOMPARE(card.save(named(QString(), u"ромашка Плюс-2"_s), PartnerCard::Mode::Create), u"РОМАШКА1"_s);
        // A name made only of removed characters still gets a usable name.
        QCOMPARE(card.save(named(QString(), u"\"-.\""_s), PartnerCard::Mode::Create), u"1"_s);
        QCOMPARE(card.save(named(QString(), u" ; "_s), PartnerCard::Mode::Create), u"2"_s);
        QCOMPARE(PartnerText::numbered(u"ABCDEFGH"_s, 10), u"ABCDEF10"_s);
        // Both rows are registered for the system.
        QCOMPARE(count(db, u"select count(*) from scm_partner"_s), 4);
    }

    void theCardValidatesInItsOrder()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        const PartnerCard card(db);
        card.save(named(u"ALFA"_s, u"Альфа"_s), PartnerCard::Mode::Create);
        card.save(named(u"BETA"_s, u"Бета"_s), PartnerCard::Mode::Create);
        QCOMPARE(Test::failureOf([&] { card.save(named(u"ALFA"_s, u"Другая"_s), PartnerCard::Mode::Create); }),
                 u"Заданое краткое имя (\"ALFA\") уже используется для контрагента \"Альфа\""_s);
        QCOMPARE(Test::failureOf([&] { card.save(named(QString(), u"Альфа"_s), PartnerCard::Mode::Modify); }),
                 u"Не задано краткое название корректируемой организации"_s);
        QCOMPARE(Test::failureOf([&] { card.save(named(u"NEW"_s, u"   "_s), PartnerCard::Mode::Create); }),
                 u"Не задано полное название контрагента"_s);
        QCOMPARE(Test::failureOf([&] { card.save(named(u"BETA"_s, u"Альфа"_s), PartnerCard::Mode::Modify); }),
                 u"Контрагент с полным названием \"Альфа\"\nуже существует (Краткое имя \"ALFA\")"_s);
        PartnerCardData d = named(u"GAMMA"_s, u"Гамма"_s);
        d.regNumber = u"12a"_s;
        QCOMPARE(Test::failureOf([&] { card.save(d, PartnerCard::Mode::Create); }), u"Неверно задан рег. номер"_s);
        d.regNumber = u" 77 "_s;
        d.discount = u"пять"_s;
        QCOMPARE(Test::failureOf([&] { card.save(d, PartnerCard::Mode::Create); }),
                 u"Неверно задан процент скидки"_s);
        QCOMPARE(count(db, u"select count(*) from _partner"_s), 2);

        // Saving under its own unchanged name succeeds; a decimal comma is a number, not a broken statement.
        PartnerCardData beta = card.load(u"BETA"_s);
        beta.discount = u"2,5"_s;
        beta.note = u"O'Brien \"и\" сыновья"_s;
        beta.phones = u"+7 495 111-22-33, +7 495 444-55-66"_s;
        QCOMPARE(card.save(beta, PartnerCard::Mode::Modify), u"BETA"_s);
        const PartnerCardData back = card.load(u"BETA"_s);
        QCOMPARE(back.discount, u"2.50"_s);
        QCOMPARE(back.note, beta.note);
        QCOMPARE(back.phones, beta.phones);
        QCOMPARE(back.regNumber, u"0"_s);
    }

    // Two workstations save a new card with one full name at once, with the same generated
    // short name or with short names of their own: the one that comes second gets the card's
    // "уже существует", never the key's text, and one row holds the name.
    void twoWorkstationsCreatingTheSameCardKeepOneRow_data()
    {
        QTest::addColumn<QString>("firstShort");
        QTest::addColumn<QString>("secondShort");
        QTest::addColumn<QString>("storedShort");
        QTest::newRow("generated") << QString() << QString() << u"ГЕРМЕСИС"_s;
        QTest::newRow("typed") << u"ГЕРМ1"_s << u"ГЕРМ2"_s << u"ГЕРМ1"_s;
    }
    void twoWorkstationsCreatingTheSameCardKeepOneRow()
    {
        QFETCH(QString, firstShort);
        QFETCH(QString, secondShort);
        QFETCH(QString, storedShort);
        Test::TestDatabase t;
        Data::Database& db = t.db();
        const QString name = u"Гермес и сын"_s;
        const bool server = Test::TestDatabase::engine() == Data::Engine::PostgreSQL;
        // Watched from outside any transaction, so that each look sees the server as it is now.
        const auto watcher = server ? t.connectAgain() : nullptr;
        // The first workstation has saved and not yet committed.
        db.beginTransaction();
        PartnerCard(db).save(named(firstShort, name), PartnerCard::Mode::Create);
        QString failure;
        std::atomic<bool> done = false;
        std::thread second([&] {
            try {
                auto other = t.connectAgain();
                PartnerCard(*other).save(named(secondShort, name), PartnerCard::Mode::Create);
            } catch (const Exception& e) {
                failure = e.message();
            }
            done = true;
        });
        // On the server the second one waits for the first one's key or name lock; the embedded
        // engine lets it in only after the commit.
        const auto waiting = [&] {
            return watcher->scalar(u"select count(*) from pg_stat_activity where datname = current_database() "
                             "and wait_event_type = 'Lock'"_s)
                       .toInt() > 0;
        };
        bool waited = !server;
        for (int i = 0; i < 1000 && !waited && !done; ++i) {
            waited = waiting();
            if (!waited)
                QTest::qWait(10);
        }
        db.commit();
        second.join();
        QVERIFY(waited);
        QCOMPARE(failure, u"Контрагент с полным названием \"Гермес и сын\"\nуже существует (Краткое имя \"%1\")"_s
                              .arg(storedShort));
        QCOMPARE(count(db, u"select count(*) from _partner where NAME_USER = ?"_s, {name}), 1);
        QCOMPARE(count(db, u"select count(*) from scm_partner"_s), 1);
    }

    // The registration number is a 32-bit integer column: the card refuses more in its words.
    void registrationNumbersBeyondTheColumnAreRefused()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        const PartnerCard card(db);
        PartnerCardData d = named(u"REG"_s, u"Регистр"_s);
        for (const QString& bad : {u"12345678901"_s, u"2147483648"_s, u"9999999999"_s}) {
            d.regNumber = bad;
            QCOMPARE(Test::failureOf([&] { card.save(d, PartnerCard::Mode::Create); }), u"Неверно задан рег. номер"_s);
        }
        QCOMPARE(count(db, u"select count(*) from _partner"_s), 0);
        d.regNumber = u"2147483647"_s;
        card.save(d, PartnerCard::Mode::Create);
        QCOMPARE(card.load(u"REG"_s).regNumber, u"2147483647"_s);

        // In the card: ten nines typed, the message, the card still open with what was typed.
        TLibrary_Contragents_ list(db, TLibraryForm::Mode::Browse);
        list.show();
        Test::activate(&list);
        bool checked = false;
        Test::whenModal<TContragent_Card_>([&checked](TContragent_Card_* c) {
            auto* boxes = new Test::BoxAnswers({QMessageBox::Ok});
            boxes->setParent(c);
            Test::typeText(c->field(u"NAME_USER"_s), u"Десять девяток"_s);
            Test::typeText(c->field(u"REGIS_USER"_s), u"9999999999"_s);
            QTest::keyClick(c->field(u"NAME_USER"_s), Qt::Key_Return);
            QTRY_COMPARE(boxes->texts, QStringList{u"Неверно задан рег. номер"_s});
            QVERIFY(c->isVisible());
            QCOMPARE(static_cast<QLineEdit*>(c->field(u"REGIS_USER"_s))->text(), u"9999999999"_s);
            checked = true;
            QTest::keyClick(c, Qt::Key_Escape);
        });
        Test::press(list.grid(), Qt::Key_F2);
        QVERIFY(checked);
        QCOMPARE(count(db, u"select count(*) from _partner"_s), 1);
    }

    void textsAreCleanedAndCutToTheirColumns()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        PartnerCardData d =
            named(u"CUT"_s, u"Очень длинное название организации, которое не помещается в поле"_s);
        d.address = u"Москва,\tул.\u00a0Ленина\u2014№ 5, Ёлки"_s;
        d.information = u"строка 1\r\nстрока 2"_s;
        PartnerCard(db).save(d, PartnerCard::Mode::Create);
        const PartnerCardData back = PartnerCard(db).load(u"CUT"_s);
        QCOMPARE(back.fullName, d.fullName.left(50));
        QCOMPARE(back.address, u"Москва, ул. Ленина № 5, Ёлки"_s);
        QCOMPARE(back.information, d.information); // the memo is kept as typed
    }

    void theListReadsTheWarehouseColumns()
    {
        // The columns the warehouse keeps in _partner come with the list (read, never written).
        Test::TestDatabase t;
        Data::Database& db = t.db();
        Test::CatalogFixture{db}.partner(u"SUP"_s, u"Поставщик"_s);
        Data::Query q(db, PartnerList::sql());
        q.bindAt(0, PartnerList::letter(PartnerList::Kind::Suppliers)).exec();
        QVERIFY(q.next());
        QCOMPARE(q.value(u"N_USER"_s).toString(), u"SUP"_s);
        for (const QString& c : {u"CP_1"_s, u"CP_2"_s, u"DATE1PRT"_s, u"DATE2PRT"_s, u"SALDDEB"_s,
                                 u"SALDCRED"_s, u"MARK"_s, u"REALIZ"_s, u"DOLG"_s, u"DOPRG_USER"_s,
                                 u"KNTRS_USER"_s, u"DOLGVALUT"_s, u"VALUTA"_s, u"KREDIT"_s, u"DOST_ADRESS"_s})
            QVERIFY2(q.columnIndex(c) >= 0, qPrintable(c));
    }

    void marksKeepTheirOrderUpToTheCap()
    {
        SelectionMarks m;
        QCOMPARE(m.result(), QString());
        m.toggle(12);
        m.toggle(5);
        m.toggle(40);
        m.toggle(5);
        QCOMPARE(m.result(), u"12,40"_s);
        for (int i = 100; m.count() < SelectionMarks::Capacity; ++i)
            m.toggle(i);
        QVERIFY_THROWS_EXCEPTION(Exception, m.toggle(1));
        m.toggle(12);
        m.toggle(1);
        QCOMPARE(m.count(), SelectionMarks::Capacity);
    }

    void pickerReturnsOneOrSeveralInTheOrderMarked()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        Test::CatalogFixture f{db};
        const qint64 a = f.partner(u"AAA"_s, u"Антей"_s);
        const qint64 b = f.partner(u"BBB"_s, u"Борей"_s);
        const qint64 c = f.partner(u"CCC"_s, u"Вега"_s, u"К"_s);

        Test::whenModal<TLibrary_Contragents_>([](TLibrary_Contragents_* list) {
            QVERIFY(list->dataSet().locate({u"N_USER"_s}, {u"BBB"_s}));
            Test::press(list->grid(), Qt::Key_Return);
        });
        QCOMPARE(TLibrary_Contragents_::pickOne(db), QString::number(b));

        Test::whenModal<TLibrary_Contragents_>([](TLibrary_Contragents_* list) {
            Test::activate(list);
            QVERIFY(list->button(u"Отметить"_s)->isVisible());
            QVERIFY(list->dataSet().locate({u"N_USER"_s}, {u"BBB"_s}));
            Test::press(list->grid(), Qt::Key_Insert);
            QVERIFY(list->dataSet().locate({u"N_USER"_s}, {u"AAA"_s}));
            Test::press(list->grid(), Qt::Key_Insert);
            list->kindTabs()->setCurrentIndex(1); // the buyers
            QCOMPARE(list->dataSet().recordCount(), 1);
            Test::press(list->grid(), Qt::Key_Insert);
            Test::clickButton(list, u"Выбрать"_s);
        });
        QCOMPARE(TLibrary_Contragents_::pickMany(db), u"%1,%2,%3"_s.arg(b).arg(a).arg(c));

        Test::whenModal<TLibrary_Contragents_>(
            [](TLibrary_Contragents_* list) { Test::clickButton(list, u"Выбрать"_s); });
        QCOMPARE(TLibrary_Contragents_::pickMany(db), QString());
        Test::whenModal<TLibrary_Contragents_>(
            [](TLibrary_Contragents_* list) { Test::press(list->grid(), Qt::Key_Escape); });
        QCOMPARE(TLibrary_Contragents_::pickOne(db), QString());
    }

    void theCardCreatesAndRefreshReturnsToTheRow()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        Test::CatalogFixture f{db};
        f.partner(u"AAA"_s, u"Антей"_s);
        f.partner(u"ZZZ"_s, u"Юпитер"_s);
        TLibrary_Contragents_ list(db, TLibraryForm::Mode::Browse);
        list.show();
        Test::activate(&list);
        QVERIFY(list.dataSet().locate({u"N_USER"_s}, {u"ZZZ"_s}));
        Test::whenModal<TContragent_Card_>([](TContragent_Card_* card) {
            QCOMPARE(card->windowTitle(), u"Добавление контрагента"_s);
            Test::typeText(card->field(u"NAME_USER"_s), u"Гермес и сын"_s);
            Test::typeText(card->field(u"SKIDKAPRCNT"_s), u"3,75"_s);
            QTest::keyClick(card->field(u"NAME_USER"_s), Qt::Key_Return);
        });
        Test::press(list.grid(), Qt::Key_F2);
        QCOMPARE(list.dataSet().string(u"N_USER"_s), u"ГЕРМЕСИС"_s);
        QCOMPARE(count(db, u"select count(*) from scm_partner where par_nuser = 'ГЕРМЕСИС'"_s), 1);
        QCOMPARE(
            Money::fromVariant(db.scalar(u"select SKIDKAPRCNT from _partner where N_USER = 'ГЕРМЕСИС'"_s))
                .toString(),
            u"3.7500"_s);

        QVERIFY(list.dataSet().locate({u"N_USER"_s}, {u"ZZZ"_s}));
        db.exec(u"update _partner set NAME_USER = 'Абрикос' where N_USER = 'ZZZ'"_s);
        Test::press(list.grid(), Qt::Key_F5);
        QCOMPARE(list.dataSet().string(u"N_USER"_s), u"ZZZ"_s);
        QCOMPARE(list.dataSet().recNo(), 0);

        Test::whenModal<TContragent_Card_>([](TContragent_Card_* card) {
            QCOMPARE(card->windowTitle(), u"Коррекция контрагента \"Абрикос\""_s);
            QVERIFY(static_cast<QLineEdit*>(card->field(u"N_USER"_s))->isReadOnly());
            QTest::keyClick(card, Qt::Key_Escape);
        });
        Test::press(list.grid(), Qt::Key_F4);
    }
};

QTEST_MAIN(PartnersTest)
#include "tst_partners.moc"
