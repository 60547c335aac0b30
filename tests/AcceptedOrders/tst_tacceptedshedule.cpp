#include "AcceptedOrders/accfixture.h"
#include "AcceptedOrders/ui/acceptedlinedelegate.h"
#include "AcceptedOrders/ui/tacceptedshedule.h"
#include "BusOffer/ui/offereditordatedialog.h"
#include "BusOffer/ourpricechooser.h"
#include "catalog/boxanswers.h"
#include "support/typetext.h"
#include "shell/commandlineswitches.h"
#include "shell/formactivationregistry.h"
#include "shell/ui/mainwindow.h"
#include "support/chaincheck.h"
#include "support/griddriver.h"
#include "support/testdatabase.h"
#include "support/testenvironment.h"
#include "support/widgetdriver.h"
#include "support/windowsession.h"
#include "widgets/tdatagrid.h"

#include <QCalendarWidget>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QToolBar>
#include <QtTest>

using namespace Tarvo;
using namespace Tarvo::AcceptedOrders;
using namespace Qt::Literals::StringLiterals;

using F = Test::AccFixture;
using namespace Tarvo::Test::AccShed;

namespace {

// The main window around the editor, as the program shows it.
struct Session : Test::WindowSession
{
    explicit Session(Data::Database& d) : WindowSession(d, {}, {QMessageBox::No, QMessageBox::No}) {}
};

void clickCommand(TAcceptedShedule* ed, const QString& name)
{
    auto* bar = ed->findChild<QToolBar*>(u"toolbar"_s);
    QAction* a = ed->findChild<QAction*>(name);
    QVERIFY(bar && a);
    auto* button = qobject_cast<QAbstractButton*>(bar->widgetForAction(a));
    QVERIFY(button);
    button->click();
}

using Test::cellOf;

// Types a number into a cell and leaves the cell, as a user does.
void typeInto(Widgets::TDataGrid* grid, int row, const QString& field, Qt::Key digit)
{
    grid->setFocus();
    grid->setCurrentIndex(cellOf(grid, row, field));
    Test::press(grid, digit);
    QWidget* editor = QApplication::focusWidget();
    QVERIFY(editor && editor != grid);
    Test::press(editor, Qt::Key_Return);
}

// Picks a date in the calendar the "..." of the row's shipping date opens.
void pickDate(Widgets::TDataGrid* grid, int row, const QDate& date)
{
    const QRect cell = grid->visualRect(cellOf(grid, row, u"soa_deliverydate"_s));
    const QPoint at = AcceptedLineDelegate::buttonRect(cell).center();
    QTest::mousePress(grid->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseRelease(grid->viewport(), Qt::LeftButton, {}, at);
    // The calendar opens on the editor's next turn.
    Test::whenModal<BusOffer::OfferEditorDateDialog>([date](BusOffer::OfferEditorDateDialog* d) {
        d->calendar()->setSelectedDate(date);
        Test::press(d->calendar(), Qt::Key_Return);
    });
}

int rowOf(TdmAccShed& doc, const QString& articul, const QDateTime& date)
{
    auto c = doc.soAccepted.clone();
    c->setSort(doc.soAccepted.sort());
    for (c->first(); !c->eof(); c->next())
        if (c->string(u"pr_articul"_s) == articul && c->value(u"soa_deliverydate"_s).toDateTime() == date)
            return c->recNo();
    return -1;
}

} // namespace

class AcceptedSheduleWindowTest : public QObject
{
    Q_OBJECT
    QTemporaryDir m_home;

private slots:
    void initTestCase() { Test::isolateUserFolders(m_home.path()); }

    void userConfirmsAnOrder()
    {
        Test::TestDatabase tdb;
        F f(tdb.db());
        // A 10 ordered for three requests 4, 4, 2; B 5 with 2 confirmed for the first, 3 ordered.
        const qint64 suo = f.order(), r1 = f.request(), r2 = f.request(), r3 = f.request();
        const qint64 a = f.product(u"A-1"_s), b = f.product(u"B-2"_s);
        for (qint64 r : {r1, r2, r3}) {
            f.line(r, a, "10");
            f.line(r, b, "10");
        }
        f.orderLine(suo, a, "10", "1000", F::day(5));
        f.orderLine(suo, b, "5", "500", F::day(5));
        f.ordered(r1, a, suo, "4");
        f.ordered(r2, a, suo, "4");
        f.ordered(r3, a, suo, "2");
        f.confirmed(suo, b, F::day(5), "2", "200");
        f.accepted(r1, b, suo, F::day(5), "2");
        f.ordered(r1, b, suo, "3");
        const QStringList stored = f.snapshot();
        const auto placed = [&](qint64 r, qint64 pr) {
            return f.sum(u"select bpd_placed from scm_bp_delivery where bpd_bof_id = ? and bpd_pr_id = ?"_s, {r, pr});
        };

        Session s(f.db);
        TAcceptedShedule* ed = TAcceptedShedule::openOrder(int(suo));
        QVERIFY(ed);
        QCOMPARE(Test::mdiWindow<TAcceptedShedule>(s.main.mdiArea()), ed);
        QCOMPARE(ed->windowTitle(), u"Подтверждение заказа %1[*]"_s.arg(suo).remove(u"[*]"_s));
        QCOMPARE(TAcceptedShedule::openOrder(int(suo)), ed);
        QCOMPARE(s.main.mdiArea()->subWindowList().size(), 1);
        TdmAccShed& doc = ed->document();
        Widgets::TDataGrid* lines = ed->linesGrid();
        QCOMPARE(lines->model()->rowCount(), 1);

        // "Догрузить": the rests, nothing written yet.
        clickCommand(ed, u"actLoadRest"_s);
        QCOMPARE(lines->model()->rowCount(), 3);
        QCOMPARE(f.snapshot(), stored);

        // A lowered 10 → 6 over 4, 4, 2: 4 and 2 stay.
        const int rowA = rowOf(doc, u"A-1"_s, F::day(5));
        QCOMPARE(rowA, 0);
        typeInto(lines, rowA, u"soa_amount"_s, Qt::Key_6);
        QTRY_COMPARE(doc.soAccepted.money(u"soa_amount"_s), Money(6));
        Test::press(lines, Qt::Key_Down);
        lines->setFocus();
        lines->setCurrentIndex(cellOf(lines, rowA, u"pr_articul"_s));
        QCOMPARE(ed->requestsGrid()->model()->rowCount(), 2);
        QCOMPARE(shares(doc), (QList<QPair<qint64, Money>>{{r1, Money(4)}, {r2, Money(2)}}));
        QCOMPARE(f.snapshot(), stored);

        // Duplicated to the 9th, for 4.
        clickCommand(ed, u"actDuplicate"_s);
        QCOMPARE(lines->model()->rowCount(), 4);
        const int copy = lines->currentIndex().row();
        pickDate(lines, copy, QDate(2026, 2, 9));
        QTRY_COMPARE(doc.soAccepted.value(u"soa_deliverydate"_s).toDateTime(), F::day(9));
        const int copyRow = rowOf(doc, u"A-1"_s, F::day(9));
        typeInto(lines, copyRow, u"soa_amount"_s, Qt::Key_4);
        QTRY_COMPARE(doc.soAccepted.money(u"soa_amount"_s), Money(4));
        // B's rest to the 7th (the 5th is taken by its confirmed part), itself only.
        {
            Test::BoxAnswers answers({QMessageBox::No});
            const int restB = rowOf(doc, u"B-2"_s, F::day(5)) + 1;
            lines->setCurrentIndex(cellOf(lines, restB, u"pr_articul"_s));
            QVERIFY(doc.currentIsMerged());
            pickDate(lines, restB, QDate(2026, 2, 7));
            QTRY_COMPARE(doc.soAccepted.value(u"soa_deliverydate"_s).toDateTime(), F::day(7));
            QCOMPARE(answers.texts, QStringList{TAcceptedShedule::AllMergedQuestion});
        }
        QCOMPARE(f.snapshot(), stored);

        // Saved, the order still waiting.
        {
            Test::BoxAnswers answers({QMessageBox::No, QMessageBox::Ok});
            clickCommand(ed, u"actSave"_s);
            QCOMPARE(answers.texts, (QStringList{TAcceptedShedule::StopWaitingQuestion, TAcceptedShedule::SavedMessage}));
        }
        QCOMPARE(f.linesOf(suo, a), (QStringList{u"05.02 00:00 6.0000 600.0000 600.0000"_s,
                                                 u"09.02 00:00 4.0000 400.0000 400.0000"_s}));
        QCOMPARE(f.linesOf(suo, b), (QStringList{u"05.02 00:00 2.0000 200.0000 0.0000"_s,
                                                 u"07.02 00:00 3.0000 300.0000 0.0000"_s}));
        QCOMPARE(f.shareOf(r1, a, suo, F::day(5)), Money(4));
        QCOMPARE(f.shareOf(r2, a, suo, F::day(5)), Money(2));
        QCOMPARE(f.count(u"select count(*) from scm_bo_accepted where boa_bof_id = ? and boa_pr_id = ?"_s, {r3, a}), 0);
        QCOMPARE(f.shareOf(r1, b, suo, F::day(7)), Money(3));
        QVERIFY(!f.hasOrdered(r1, a, suo));
        QCOMPARE(f.orderedOf(r2, a, suo), Money(2));
        QCOMPARE(f.orderedOf(r3, a, suo), Money(2));
        QVERIFY(!f.hasOrdered(r1, b, suo));
        QVERIFY(f.waiting(suo));
        // The requests count the same amounts, now confirmed instead of ordered.
        QCOMPARE(placed(r1, a), Money(4));
        QCOMPARE(placed(r2, a), Money(4));
        QCOMPARE(placed(r3, a), Money(2));
        QCOMPARE(placed(r1, b), Money(5));
        TARVO_CHECK_CHAIN(f.db);

        // Saved again with the waiting ended: nothing else changes.
        const QStringList first = f.snapshot();
        {
            Test::BoxAnswers answers({QMessageBox::Yes, QMessageBox::Ok});
            clickCommand(ed, u"actSave"_s);
            QCOMPARE(answers.texts, (QStringList{TAcceptedShedule::StopWaitingQuestion, TAcceptedShedule::SavedMessage}));
        }
        QVERIFY(!f.waiting(suo));
        QStringList expected = first;
        for (QString& row : expected)
            if (row == u"%1 1"_s.arg(suo))
                row = u"%1 0"_s.arg(suo);
        QCOMPARE(f.snapshot(), expected);
        TARVO_CHECK_CHAIN(f.db);

        // Unchanged now: it closes without a question.
        QVERIFY(ed->close());
        QTRY_VERIFY(!TAcceptedShedule::editorOf(int(suo)));
    }

    // Closing with changes asks; Cancel keeps the editor, so does Yes with Cancel in the waiting
    // question.
    void closingAsksToSave()
    {
        Test::TestDatabase tdb;
        F f(tdb.db());
        const qint64 suo = f.order(), r = f.request(), a = f.product(u"A-1"_s);
        f.line(r, a, "10");
        f.orderLine(suo, a, "10", "1000", F::day(5));
        f.ordered(r, a, suo, "10");
        Session s(f.db);
        TAcceptedShedule* ed = TAcceptedShedule::openOrder(int(suo));
        QVERIFY(ed);
        clickCommand(ed, u"actLoadRest"_s);
        // Insert in the lower grid begins a request row under the line.
        ed->requestsGrid()->setFocus();
        Test::press(ed->requestsGrid(), Qt::Key_Insert);
        QCOMPARE(ed->document().boAccepted.state(), Data::RowSetState::Insert);
        ed->document().boAccepted.cancel();
        {
            Test::BoxAnswers answers({QMessageBox::Cancel});
            QVERIFY(!ed->close());
            QCOMPARE(answers.texts, QStringList{TAcceptedShedule::CloseQuestion});
        }
        {
            Test::BoxAnswers answers({QMessageBox::Yes, QMessageBox::Cancel});
            QVERIFY(!ed->close());
            QCOMPARE(answers.texts, (QStringList{TAcceptedShedule::CloseQuestion, TAcceptedShedule::StopWaitingQuestion}));
        }
        QCOMPARE(f.count(u"select count(*) from scm_so_accepted"_s), 0);
        {
            Test::BoxAnswers answers({QMessageBox::Yes, QMessageBox::Yes, QMessageBox::Ok});
            QVERIFY(ed->close());
        }
        QCOMPARE(f.linesOf(suo, a), QStringList{u"05.02 00:00 10.0000 1000.0000 0.0000"_s});
        QVERIFY(!f.waiting(suo));
        TARVO_CHECK_CHAIN(f.db);
    }
};

QTEST_MAIN(AcceptedSheduleWindowTest)
#include "tst_tacceptedshedule.moc"
