#include "BusOffer/edfixture.h"
#include "BusOffer/ourpricechooser.h"
#include "BusOffer/ui/offereditordatedialog.h"
#include "BusOffer/ui/offereditorlinedelegate.h"
#include "BusOffer/ui/offereditorregistration.h"
#include "BusOffer/ui/tedbuisinesoffer.h"
#include "catalog/boxanswers.h"
#include "support/typetext.h"
#include "catalog/currency/currencyrates.h"
#include "catalog/currency/moneyformats.h"
#include "core/exception.h"
#include "catalog/ui/tcatalogview.h"
#include "catalog/ui/tgrouptreeview.h"
#include "catalog/ui/tfviewourprice.h"
#include "catalog/ui/tourpriceview.h"
#include "shell/commandlineswitches.h"
#include "shell/formactivationregistry.h"
#include "shell/ui/mainwindow.h"
#include "support/griddriver.h"
#include "support/testdatabase.h"
#include "support/testenvironment.h"
#include "support/widgetdriver.h"
#include "support/windowsession.h"
#include "widgets/tdatagrid.h"

#include <QAction>
#include <QCalendarWidget>
#include <QComboBox>
#include <QDateEdit>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <QTreeWidget>
#include <QtTest>

using namespace Tarvo;
using namespace Tarvo::BusOffer;
using namespace Qt::Literals::StringLiterals;

namespace {

// The editor and the main window around it, as the program opens them.
struct Session : Test::WindowSession
{
    explicit Session(Data::Database& d) : WindowSession(d, registerOfferEditor, {QMessageBox::Ok, QMessageBox::Ok}) {}
    TedBuisinesOffer* editor() const { return Test::mdiWindow<TedBuisinesOffer>(main.mdiArea()); }
    Catalog::TfViewOurPrice* chooser() const { return Test::mdiWindow<Catalog::TfViewOurPrice>(main.mdiArea()); }
};

using Test::cellOf;
using Test::child;

} // namespace

class OfferEditorWindowTest : public QObject
{
    Q_OBJECT
    QTemporaryDir m_home;

private slots:
    void initTestCase() { Test::isolateUserFolders(m_home.path()); }
    void cleanup() { Catalog::CurrencyRates::setMissingRateAsker({}); }

    void userMakesARequestFromTheMenuAndFindsItAgain()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        Test::EdFixture f{db};
        f.buyer(u"ПОКУП"_s, u"ООО Покупатель"_s);
        const qint64 g = f.catalog().group(u"Крепёж"_s);
        QList<qint64> products;
        for (const QString& a : {u"B1"_s, u"B2"_s, u"B3"_s}) {
            const qint64 p = f.catalog().product(a, u"Болт "_s + a, g);
            db.exec(u"insert into crm_ourprice (op_pr_id, ou_price) values (?, 10)"_s, {p});
            products << p;
        }
        f.currency(u"USD"_s, 100, QDate::currentDate());

        Session s(db);
        QAction* item = s.main.menuItem(u"itemNewBusinessOffer"_s);
        QVERIFY(item->isEnabled());
        item->trigger();
        TedBuisinesOffer* ed = s.editor();
        QVERIFY(ed);
        auto* number = child<QLabel>(ed, u"lblNumber"_s);
        auto* newProduct = child<QPushButton>(ed, u"btnNewProduct"_s);
        QCOMPARE(number->text(), u"Новая заявка"_s);
        QVERIFY(!newProduct->isEnabled());
        QCOMPARE(child<QRadioButton>(ed, u"rbRubToVal"_s)->isChecked(), true);

        // The counterparty by keyboard, then "Сохранить".
        Test::activate(&s.main);
        Test::toFront(ed);
        auto* person = child<QComboBox>(ed, u"cbPerson"_s);
        person->setFocus();
        Test::press(person, Qt::Key_Down);
        QCOMPARE(person->currentText(), u"ООО Покупатель"_s);
        Test::press(person, Qt::Key_S, Qt::ControlModifier);
        QVERIFY(newProduct->isEnabled());
        const qint64 id = ed->document().bofId();
        QVERIFY(id > 0);
        QCOMPARE(number->text(), u"Заявка %1"_s.arg(id));

        // Three products through the price list, which stays open for more.
        newProduct->click();
        Catalog::TfViewOurPrice* chooser = s.chooser();
        QVERIFY(chooser);
        Test::showAllProducts(chooser);
        for (const QString& a : {u"B2"_s, u"B1"_s, u"B3"_s})
            Test::choose(chooser, a);
        QCOMPARE(f.count(u"select count(*) from scm_bp_delivery where bpd_bof_id = ?"_s, {id}), 3);
        QCOMPARE(child<QLineEdit>(ed, u"edSum"_s)->text(), Catalog::MoneyFormats::text(Money(30), QString()));

        // A product chosen twice is refused with its message.
        {
            Test::BoxAnswers answers({QMessageBox::Ok});
            Test::choose(chooser, u"B1"_s);
            QTRY_COMPARE(answers.texts, QStringList{u"Этот товар уже выбран в заявку"_s});
        }
        QCOMPARE(f.count(u"select count(*) from scm_bp_delivery where bpd_bof_id = ?"_s, {id}), 3);

        // Back in the editor (the price list took the front).
        Test::toFront(ed);
        // Dollars, answering Yes to the question.
        auto* currency = child<QComboBox>(ed, u"cbCurrency"_s);
        {
            Test::BoxAnswers answers({QMessageBox::Yes});
            currency->setFocus();
            Test::press(currency, Qt::Key_Down);
            QCOMPARE(answers.texts, QStringList{u"При изменении кода валюты цены изменятся! Продолжить?"_s});
        }
        QCOMPARE(f.value(u"select bof_cod_valut from scm_business_offer where bof_id = ?"_s, {id}).toString(),
                 u"USD"_s);
        QCOMPARE(f.money(u"select bof_sum_valut from scm_business_offer where bof_id = ?"_s, {id}),
                 Money::fromRaw(3000));

        // The amount of the first line typed in the grid.
        Widgets::TDataGrid* grid = ed->grid();
        grid->setFocus();
        grid->setCurrentIndex(cellOf(grid, 0, u"bpd_amount"_s));
        Test::press(grid, Qt::Key_5);
        QWidget* editor = QApplication::focusWidget();
        QVERIFY(editor && editor != grid);
        Test::press(editor, Qt::Key_Return);
        // The view commits the typed value on its next turn.
        QTRY_COMPARE(ed->document().lines().money(u"bpd_sum"_s), Money(50));
        Test::press(grid, Qt::Key_Down);
        QCOMPARE(f.money(u"select bpd_amount from scm_bp_delivery where bpd_pr_id = ?"_s, {products[0]}), Money(5));
        QCOMPARE(f.money(u"select bpd_sum_valut from scm_bp_delivery where bpd_pr_id = ?"_s, {products[0]}),
                 Money::fromRaw(5000));
        QCOMPARE(child<QLineEdit>(ed, u"edSum"_s)->text(), Catalog::MoneyFormats::text(Money(70), QString()));

        // "Выход": saved, and the chooser no longer feeds a closed editor.
        {
            Test::BoxAnswers answers({QMessageBox::Ok});
            child<QPushButton>(ed, u"btnExit"_s)->click();
            QTRY_COMPARE(answers.texts, QStringList{u"Заявка сохранена"_s});
        }
        QTRY_VERIFY(!s.editor());
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        Test::choose(s.chooser(), u"B1"_s);
        QCOMPARE(f.count(u"select count(*) from scm_bp_delivery where bpd_bof_id = ?"_s, {id}), 3);

        QVERIFY(Shell::FormActivationRegistry::instance().open(160, int(id)));
        ed = s.editor();
        QVERIFY(ed);
        QCOMPARE(ed->grid()->model()->rowCount(), 3);
        QCOMPARE(cellOf(ed->grid(), 0, u"pr_articul"_s).data().toString(), u"B1"_s);
        QCOMPARE(cellOf(ed->grid(), 0, u"bpd_amount"_s).data().toString().left(1), u"5"_s);
        QCOMPARE(child<QComboBox>(ed, u"cbCurrency"_s)->currentText(), u"USD"_s);
        QVERIFY(child<QRadioButton>(ed, u"rbValToRub"_s)->isChecked());
    }

    // A number cell's editor starts from the text the cell shows and takes it back as typed:
    // a decimal comma or point, digit groups with spaces.
    void numberCellsAreEditedInTheFormatTheyShow()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        Test::EdFixture f{db};
        f.buyer(u"ПОКУП"_s, u"ООО Покупатель"_s);
        const qint64 g = f.catalog().group(u"Крепёж"_s);
        const qint64 p = f.catalog().product(u"B1"_s, u"Болт B1"_s, g);
        db.exec(u"insert into crm_ourprice (op_pr_id, ou_price) values (?, 10)"_s, {p});

        Session s(db);
        s.main.menuItem(u"itemNewBusinessOffer"_s)->trigger();
        TedBuisinesOffer* ed = s.editor();
        QVERIFY(ed);
        Test::activate(&s.main);
        Test::toFront(ed);
        auto* person = child<QComboBox>(ed, u"cbPerson"_s);
        person->setFocus();
        Test::press(person, Qt::Key_Down);
        Test::press(person, Qt::Key_S, Qt::ControlModifier);
        const qint64 id = ed->document().bofId();
        QVERIFY(id > 0);
        child<QPushButton>(ed, u"btnNewProduct"_s)->click();
        QVERIFY(s.chooser());
        Test::showAllProducts(s.chooser());
        Test::choose(s.chooser(), u"B1"_s);
        QCOMPARE(f.count(u"select count(*) from scm_bp_delivery where bpd_bof_id = ?"_s, {id}), 1);
        Test::toFront(ed);

        Widgets::TDataGrid* grid = ed->grid();
        const auto editCell = [&](const QString& field) -> QLineEdit* {
            grid->setFocus();
            grid->setCurrentIndex(cellOf(grid, 0, field));
            Test::press(grid, Qt::Key_F2);
            return qobject_cast<QLineEdit*>(QApplication::focusWidget());
        };
        const auto typeAndSave = [&](QLineEdit* editor, const QString& text) {
            Test::press(editor, Qt::Key_A, Qt::ControlModifier);
            Test::typeText(editor, text);
            Test::press(editor, Qt::Key_Return);
            Test::press(grid, Qt::Key_S, Qt::ControlModifier);
        };
        const auto stored = [&](const QString& column) {
            return f.money(u"select %1 from scm_bp_delivery where bpd_bof_id = ?"_s.arg(column), {id});
        };

        QLineEdit* amount = editCell(u"bpd_amount"_s);
        QVERIFY(amount);
        QCOMPARE(amount->text(), cellOf(grid, 0, u"bpd_amount"_s).data().toString());
        QCOMPARE(amount->text(), u"1"_s);
        typeAndSave(amount, u"2,5"_s);
        QTRY_COMPARE(stored(u"bpd_amount"_s), Money::fromRaw(25000));
        QCOMPARE(stored(u"bpd_sum"_s), Money(25));
        QCOMPARE(cellOf(grid, 0, u"bpd_amount"_s).data().toString(), u"2,5"_s);

        amount = editCell(u"bpd_amount"_s);
        QVERIFY(amount);
        QCOMPARE(amount->text(), u"2,5"_s);
        typeAndSave(amount, u"3.25"_s);
        QTRY_COMPARE(stored(u"bpd_amount"_s), Money::fromRaw(32500));

        // Money with its display decimals; digit groups typed as shown.
        QLineEdit* price = editCell(u"bpd_price"_s);
        QVERIFY(price);
        QCOMPARE(price->text(), cellOf(grid, 0, u"bpd_price"_s).data().toString());
        QCOMPARE(price->text(), u"10,00"_s);
        typeAndSave(price, u"1 234,5"_s);
        // 3,25 × 1 234,5 = 4 012,125, kept to the rouble decimals or not.
        QTRY_VERIFY(stored(u"bpd_sum"_s) >= Money::fromRaw(40121200) && stored(u"bpd_sum"_s) <= Money::fromRaw(40121300));
        QCOMPARE(stored(u"bpd_amount"_s), Money::fromRaw(32500));

        // Text that is no number is refused in words, the stored line stays.
        {
            Test::BoxAnswers answers({QMessageBox::Ok});
            amount = editCell(u"bpd_amount"_s);
            QVERIFY(amount);
            Test::press(amount, Qt::Key_A, Qt::ControlModifier);
            Test::typeText(amount, u"два"_s);
            Test::press(amount, Qt::Key_Return);
            QTRY_COMPARE(answers.texts.size(), 1);
            QVERIFY(answers.texts.first().contains(u"не число"_s));
        }
        QCOMPARE(stored(u"bpd_amount"_s), Money::fromRaw(32500));
    }

    void anEmptyNewRequestGoesSilentlyAndNewReplacesTheOpenOne()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        Test::EdFixture f{db};
        const qint64 buyer = f.buyer(u"ПОКУП"_s, u"ООО Покупатель"_s);
        const qint64 p = f.product(u"A1"_s, u"Болт"_s);
        const qint64 existing = f.request(buyer);
        f.line(existing, p, Money(1), Money(7));

        Session s(db);
        QVERIFY(Shell::FormActivationRegistry::instance().open(160, 0));
        TedBuisinesOffer* ed = s.editor();
        auto* person = child<QComboBox>(ed, u"cbPerson"_s);
        person->setFocus();
        Test::press(person, Qt::Key_Down);
        QVERIFY(!child<QPushButton>(ed, u"btnNewProduct"_s)->isEnabled());
        child<QPushButton>(ed, u"btnSave"_s)->click();
        const qint64 empty = ed->document().bofId();
        QVERIFY(empty > 0);
        // A double click on the (empty) lines opens the price list as "Нов. товар" does.
        QVERIFY(!s.chooser());
        QTest::mouseDClick(ed->grid()->viewport(), Qt::LeftButton, {}, QPoint(20, 20));
        QVERIFY(s.chooser());
        Test::toFront(ed);

        // The one editor now shows the existing request; the empty one is gone without a word.
        {
            Test::BoxAnswers none({QMessageBox::Ok});
            QVERIFY(Shell::FormActivationRegistry::instance().open(160, int(existing)));
            QCoreApplication::processEvents();
            QVERIFY(none.texts.isEmpty());
        }
        QCOMPARE(s.editor(), ed);
        QCOMPARE(s.main.mdiArea()->subWindowList().size(), 2); // the editor and the price list
        QCOMPARE(f.count(u"select count(*) from scm_business_offer where bof_id = ?"_s, {empty}), 0);
        QCOMPARE(child<QLabel>(ed, u"lblNumber"_s)->text(), u"Заявка %1"_s.arg(existing));
        QCOMPARE(ed->grid()->model()->rowCount(), 1);

        // Its only line stays: the request is removed from the list, not by emptying it.
        {
            Test::BoxAnswers yes({QMessageBox::Yes, QMessageBox::Ok});
            child<QPushButton>(ed, u"btnDeleteProduct"_s)->click();
            QTRY_COMPARE(yes.texts, (QStringList{u"Удалить товар?"_s, u"Это последний товар. Удалите саму заявку"_s}));
        }
        QCOMPARE(f.count(u"select count(*) from scm_bp_delivery where bpd_bof_id = ?"_s, {existing}), 1);

        // A new one opened and left without a counterparty closes without a message.
        QVERIFY(Shell::FormActivationRegistry::instance().open(160, 0));
        QCOMPARE(child<QLabel>(ed, u"lblNumber"_s)->text(), u"Новая заявка"_s);
        {
            Test::BoxAnswers none({QMessageBox::Ok});
            child<QPushButton>(ed, u"btnExit"_s)->click();
            QTRY_VERIFY(!s.editor());
            QVERIFY(none.texts.isEmpty());
        }
        QCOMPARE(f.count(u"select count(*) from scm_business_offer"_s), 1);
    }

    void linesMenuDatesAndColours()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        Test::EdFixture f{db};
        const qint64 buyer = f.buyer(u"ПОКУП"_s, u"ООО Покупатель"_s);
        const qint64 id = f.request(buyer);
        for (int i = 1; i <= 3; ++i)
            f.line(id, f.product(u"A%1"_s.arg(i), u"Товар"_s), Money(1), Money(i));

        Session s(db);
        QVERIFY(Shell::FormActivationRegistry::instance().open(160, int(id)));
        TedBuisinesOffer* ed = s.editor();
        Widgets::TDataGrid* grid = ed->grid();
        grid->setFocus();
        grid->setCurrentIndex(cellOf(grid, 0, u"pr_name"_s));
        QMenu* menu = ed->linesMenu();
        QAction* all = menu->findChild<QAction*>(u"actSetAllDates"_s);
        QVERIFY(!all->isVisible());
        QVERIFY(menu->findChild<QAction*>(u"actSetupColumns"_s)->isVisible());

        // The "..." of the date opens the calendar; the chosen day is written at once.
        const QDate day(2027, 2, 15);
        grid->setCurrentIndex(cellOf(grid, 1, u"bpd_deliverydate"_s));
        Test::press(grid, Qt::Key_F2);
        auto* ellipsis = grid->findChild<QToolButton*>(u"deliveryDateEllipsis"_s);
        QVERIFY(ellipsis);
        // The calendar opens once the editor has closed (the next turn of the event loop).
        ellipsis->click();
        Test::whenModal<OfferEditorDateDialog>([day](OfferEditorDateDialog* d) {
            d->calendar()->setSelectedDate(day);
            Test::press(d->calendar(), Qt::Key_Return);
        });
        QTRY_COMPARE(f.count(u"select count(*) from scm_bp_delivery where bpd_deliverydate = ?"_s,
                             {QDateTime(day, QTime(0, 0))}),
                     1);

        // "Установить все даты текущим значением" only on the date column.
        grid->setCurrentIndex(cellOf(grid, 1, u"bpd_deliverydate"_s));
        ed->linesMenu();
        QVERIFY(all->isVisible());
        all->trigger();
        QCOMPARE(f.count(u"select count(*) from scm_bp_delivery where bpd_deliverydate = ?"_s,
                         {QDateTime(day, QTime(0, 0))}),
                 3);

        // The input side of the conversion and the computed side in their colours.
        auto background = [grid](const QString& field) {
            QStyleOptionViewItem o;
            auto* d = static_cast<OfferEditorLineDelegate*>(grid->itemDelegate());
            struct Open : OfferEditorLineDelegate
            {
                using OfferEditorLineDelegate::initStyleOption;
            };
            static_cast<Open*>(d)->initStyleOption(&o, cellOf(grid, 0, field));
            return o.backgroundBrush.color();
        };
        QCOMPARE(background(u"bpd_price"_s), OfferEditorLineDelegate::inputColour());
        QCOMPARE(background(u"bpd_val_price"_s), OfferEditorLineDelegate::computedColour());
        child<QRadioButton>(ed, u"rbValToRub"_s)->click();
        QCOMPARE(background(u"bpd_price"_s), OfferEditorLineDelegate::computedColour());
        QCOMPARE(background(u"bpd_sum_valut"_s), OfferEditorLineDelegate::inputColour());
    }

    void cancelledQuotationLeavesTheCurrencyOnScreen()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        Test::EdFixture f{db};
        const qint64 buyer = f.buyer(u"ПОКУП"_s, u"ООО Покупатель"_s);
        const qint64 id = f.request(buyer);
        f.line(id, f.product(u"A1"_s, u"Болт"_s), Money(2), Money(300));
        db.exec(u"insert into VALUTCOD (CODVALUT, NAMEVALUT) values ('EUR', 'EUR')"_s);
        Catalog::CurrencyRates::setMissingRateAsker(
            [](Data::Database&, const QString&, const QDate&, std::optional<double>) -> double { throw Abort(); });

        Session s(db);
        QVERIFY(Shell::FormActivationRegistry::instance().open(160, int(id)));
        TedBuisinesOffer* ed = s.editor();
        auto* currency = child<QComboBox>(ed, u"cbCurrency"_s);
        const QString sum = child<QLineEdit>(ed, u"edSum"_s)->text();
        {
            Test::BoxAnswers answers({QMessageBox::Yes});
            currency->setFocus();
            Test::press(currency, Qt::Key_Down);
            QCOMPARE(answers.texts.size(), 1);
        }
        QCOMPARE(currency->currentIndex(), 0);
        QCOMPARE(ed->document().header().string(u"bof_cod_valut"_s), QString());
        QCOMPARE(f.value(u"select bof_cod_valut from scm_business_offer where bof_id = ?"_s, {id}).toString(),
                 QString());
        QCOMPARE(child<QLineEdit>(ed, u"edSum"_s)->text(), sum);
        QCOMPARE(f.money(u"select bpd_sum from scm_bp_delivery where bpd_bof_id = ?"_s, {id}), Money(300));
    }

    void requestDeletedElsewhereIsNeverReportedAsSaved()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        Test::EdFixture f{db};
        const qint64 buyer = f.buyer(u"ПОКУП"_s, u"ООО Покупатель"_s);
        const qint64 id = f.request(buyer);
        f.line(id, f.product(u"A1"_s, u"Болт"_s), Money(1), Money(7));
        auto other = t.connectAgain();

        Session s(db);
        QVERIFY(Shell::FormActivationRegistry::instance().open(160, int(id)));
        TedBuisinesOffer* ed = s.editor();
        other->exec(u"delete from scm_business_offer where bof_id = ?"_s, {id});
        Test::activate(&s.main);
        Test::toFront(ed);
        auto* description = child<QLineEdit>(ed, u"edDescription"_s);
        description->setFocus();
        Test::typeText(description, u"новое описание"_s);

        {
            Test::BoxAnswers answers({QMessageBox::Ok});
            child<QPushButton>(ed, u"btnSave"_s)->click();
            QTRY_COMPARE(answers.texts, QStringList{OfferEditorDocument::RequestDeletedMessage});
        }
        QCOMPARE(description->text(), u"новое описание"_s);

        // "Выход" says why nothing was saved and lets the user stay with what was typed.
        {
            Test::BoxAnswers answers({QMessageBox::No});
            child<QPushButton>(ed, u"btnExit"_s)->click();
            QTRY_COMPARE(answers.texts.size(), 1);
            QVERIFY(answers.texts.first().contains(OfferEditorDocument::RequestDeletedMessage));
        }
        QCOMPARE(s.editor(), ed);
        QCOMPARE(description->text(), u"новое описание"_s);
        {
            Test::BoxAnswers answers({QMessageBox::Yes, QMessageBox::Ok});
            child<QPushButton>(ed, u"btnExit"_s)->click();
            QTRY_VERIFY(!s.editor());
            QCoreApplication::processEvents();
            QCOMPARE(answers.texts.size(), 1);
            QVERIFY(!answers.texts.contains(OfferEditorDocument::SavedMessage));
        }
        QCOMPARE(f.count(u"select count(*) from scm_business_offer"_s), 0);
    }

    void additionalNumberOutOfItsRangeIsRefusedInTheField()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        Test::EdFixture f{db};
        f.buyer(u"ПОКУП"_s, u"ООО Покупатель"_s);
        Session s(db);
        QVERIFY(Shell::FormActivationRegistry::instance().open(160, 0));
        TedBuisinesOffer* ed = s.editor();
        Test::activate(&s.main);
        Test::toFront(ed);
        auto* dop = child<QLineEdit>(ed, u"edDopNomer"_s);
        dop->setFocus();
        dop->selectAll();
        {
            Test::BoxAnswers answers({QMessageBox::Ok});
            Test::typeText(dop, u"9999999999"_s);
            QTRY_COMPARE(answers.texts, QStringList{OfferEditorDocument::BadAdditionalNumberMessage});
        }
        QCOMPARE(dop->text(), u"999999999"_s);

        auto* person = child<QComboBox>(ed, u"cbPerson"_s);
        person->setFocus();
        Test::press(person, Qt::Key_Down);
        {
            Test::BoxAnswers none({QMessageBox::Ok});
            Test::press(person, Qt::Key_S, Qt::ControlModifier);
            QCoreApplication::processEvents();
            QVERIFY(none.texts.isEmpty());
        }
        QVERIFY(ed->document().isSaved());
        QCOMPARE(f.value(u"select bof_dopnomer from scm_business_offer where bof_id = ?"_s, {ed->document().bofId()})
                     .toLongLong(),
                 999999999LL);
    }

    void counterpartyRegisteredElsewhereSavesWithoutAnError()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        Test::EdFixture f{db};
        f.warehouseCounterparty(u"W77"_s, u"Склад-клиент"_s);
        auto other = t.connectAgain();

        Session s(db);
        QVERIFY(Shell::FormActivationRegistry::instance().open(160, 0));
        TedBuisinesOffer* ed = s.editor();
        Test::activate(&s.main);
        Test::toFront(ed);
        auto* person = child<QComboBox>(ed, u"cbPerson"_s);
        person->setFocus();
        Test::press(person, Qt::Key_Down);
        QCOMPARE(person->currentText(), u"Склад-клиент"_s);
        // Another workstation registers the counterparty (a card saved, a request of its own).
        other->exec(u"insert into scm_partner (par_nuser) values ('W77')"_s);
        {
            Test::BoxAnswers none({QMessageBox::Ok});
            Test::press(person, Qt::Key_S, Qt::ControlModifier);
            QCoreApplication::processEvents();
            QVERIFY2(none.texts.isEmpty(), qPrintable(none.texts.join(u" | "_s)));
        }
        QVERIFY(ed->document().isSaved());
        QCOMPARE(f.count(u"select count(*) from scm_partner where par_nuser = 'W77'"_s), 1);
        QCOMPARE(f.value(u"select bof_person from scm_business_offer where bof_id = ?"_s, {ed->document().bofId()})
                     .toLongLong(),
                 f.value(u"select par_ID from scm_partner where par_nuser = 'W77'"_s).toLongLong());
        QCOMPARE(person->currentText(), u"Склад-клиент"_s);
    }

    void keyboardReachesEveryNamedControl()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        Test::EdFixture f{db};
        f.buyer(u"ПОКУП"_s, u"ООО Покупатель"_s);
        f.currency(u"USD"_s, 90, QDate::currentDate());
        db.exec(u"insert into SCM_Library_Urgency (Name, Priority) values ('Срочно', 1)"_s);
        Session s(db);
        QVERIFY(Shell::FormActivationRegistry::instance().open(160, 0));
        TedBuisinesOffer* ed = s.editor();
        Test::activate(ed->window());
        auto* dop = child<QLineEdit>(ed, u"edDopNomer"_s);
        dop->setFocus();
        QCOMPARE(dop->text(), u"1"_s);
        const QList<QWidget*> cycle = Test::tabCycle();
        for (QWidget* w : ed->findChildren<QWidget*>()) {
            if (!(w->focusPolicy() & Qt::TabFocus) || !w->isVisible() || !w->isEnabled() || w->focusProxy())
                continue;
            // Of a group of options Tab visits the chosen one; arrows move inside.
            if (auto* r = qobject_cast<QRadioButton*>(w); r && !r->isChecked())
                continue;
            QVERIFY2(cycle.contains(w), qPrintable(u"Tab never reaches "_s + w->objectName()));
            QVERIFY2(Test::isNamed(w), qPrintable(u"no name for "_s + w->objectName()));
        }
        const int urgency = cycle.indexOf(child<QWidget>(ed, u"cbUrgency"_s));
        const int person = cycle.indexOf(child<QWidget>(ed, u"cbPerson"_s));
        const int grid = cycle.indexOf(ed->grid());
        const int exit = cycle.indexOf(child<QWidget>(ed, u"btnExit"_s));
        QVERIFY(urgency < person && person < grid && grid < exit);

        // Delete clears the currency back to roubles (and asks first).
        auto* currency = child<QComboBox>(ed, u"cbCurrency"_s);
        {
            Test::BoxAnswers answers({QMessageBox::Yes, QMessageBox::Yes});
            currency->setFocus();
            Test::press(currency, Qt::Key_Down);
            QCOMPARE(ed->document().header().string(u"bof_cod_valut"_s), u"USD"_s);
            Test::press(currency, Qt::Key_Delete);
            QCOMPARE(answers.texts.size(), 2);
        }
        QCOMPARE(ed->document().header().string(u"bof_cod_valut"_s), QString());
        QCOMPARE(currency->currentIndex(), 0);

        // Delete clears the urgency and a plan date.
        auto* urgencyBox = child<QComboBox>(ed, u"cbUrgency"_s);
        urgencyBox->setFocus();
        Test::press(urgencyBox, Qt::Key_Down);
        QCOMPARE(urgencyBox->currentText(), u"Срочно"_s);
        QVERIFY(!ed->document().header().isNull(u"Urgency_ID"_s));
        Test::press(urgencyBox, Qt::Key_Delete);
        QVERIFY(ed->document().header().isNull(u"Urgency_ID"_s));
        QCOMPARE(urgencyBox->currentIndex(), 0);
        auto* planStart = child<QDateEdit>(ed, u"dePlanStart"_s);
        planStart->setDate(QDate(2027, 1, 10));
        QCOMPARE(ed->document().header().value(u"bof_plan_start"_s).toDateTime().date(), QDate(2027, 1, 10));
        Test::press(planStart, Qt::Key_Delete);
        QVERIFY(ed->document().header().isNull(u"bof_plan_start"_s));
    }
};

QTEST_MAIN(OfferEditorWindowTest)
#include "tst_offereditorwindow.moc"
