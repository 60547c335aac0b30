#include "BusOffer/offerdetailswriter.h"
#include "BusOffer/ui/offerdetailslinedelegate.h"
#include "BusOffer/ui/tofferdetailspanel.h"
#include "BusOffer/detfixture.h"
#include "catalog/boxanswers.h"
#include "data/modules/tupdatedadodataset.h"
#include "support/griddriver.h"
#include "support/testdatabase.h"
#include "support/testenvironment.h"
#include "support/widgetdriver.h"
#include "widgets/gridproxymodel.h"
#include "widgets/tdatagrid.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QSplitter>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QtTest>

using namespace Tarvo;
using namespace Tarvo::BusOffer;
using Test::DetFixture;

using Test::shown;
using Test::typeInto;

class OfferDetailsPanelTest : public QObject
{
    Q_OBJECT
    QTemporaryDir m_home;

private slots:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        Test::isolateUserFolders(m_home.path());
    }

    void aUserSelectsALineEditsItsOrderAndDeletesLinesByKeyboard()
    {
        Test::TestDatabase t;
        DetFixture f(t.db());
        const qint64 bof = f.request(), suo = f.order();
        const qint64 a = f.product(QStringLiteral("A-1")), b = f.product(QStringLiteral("B-2"));
        f.line(bof, a, "10");
        f.line(bof, b, "6");
        f.ordered(bof, a, suo, "2");
        f.ordered(bof, b, suo, "1");
        const qint64 swb = f.waybill(true), sde = f.invoice(swb, true);
        f.shipped(bof, b, suo, DetFixture::day(3), sde, swb, "3");
        f.received(bof, b, suo, DetFixture::day(3), sde, swb, "2", QStringLiteral("ПН-7"));

        TOfferDetailsPanel panel;
        QSignalSpy changed(&panel, &TOfferDetailsPanel::offerChanged);
        panel.resize(900, 600);
        panel.show();
        panel.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&panel));
        QVERIFY(panel.editable());
        panel.setOffer(int(bof));
        QCOMPARE(panel.offer(), int(bof));

        Widgets::TDataGrid* lines = panel.linesGrid();
        QCOMPARE(lines->model()->rowCount(), 2);
        QCOMPARE(shown(lines, 0, QStringLiteral("pr_articul")), QStringLiteral("A-1"));
        QCOMPARE(panel.orderedGrid()->model()->rowCount(), 1);
        QCOMPARE(shown(panel.orderedGrid(), 0, QStringLiteral("bpo_amount")), QStringLiteral("2"));
        QCOMPARE(shown(panel.orderedGrid(), 0, QStringLiteral("par_nuser")), QStringLiteral("ПОСТ"));

        // The second line: its own order share; its shipment sits on an arrived waybill, so the
        // "Отправленные" tab has nothing, while the completed invoice makes the line green.
        lines->setFocus();
        QTest::keyClick(lines, Qt::Key_Down);
        QCOMPARE(panel.lines().string(QStringLiteral("pr_articul")), QStringLiteral("B-2"));
        QCOMPARE(shown(panel.orderedGrid(), 0, QStringLiteral("bpo_amount")), QStringLiteral("1"));
        QCOMPARE(panel.shippedGrid()->model()->rowCount(), 0);
        QCOMPARE(shown(lines, 1, QStringLiteral("complited_amount")), QStringLiteral("3"));
        QCOMPARE(shown(lines, 1, QStringLiteral("arrived")), QStringLiteral("2"));

        // The state page: the receipt with its document and dates.
        Widgets::TDataGrid* state = panel.stateGrid();
        int received = -1;
        for (int r = 0; r < state->model()->rowCount(); ++r)
            if (shown(state, r, QStringLiteral("st_name")) == QStringLiteral("Получено"))
                received = r;
        QVERIFY(received >= 0);
        QCOMPARE(shown(state, received, QStringLiteral("pr_articul")), QStringLiteral("B-2"));
        QCOMPARE(shown(state, received, QStringLiteral("amount")), QStringLiteral("2"));
        QCOMPARE(shown(state, received, QStringLiteral("numdocm_pr")), QStringLiteral("ПН-7"));
        QCOMPARE(shown(state, received, QStringLiteral("date_predm")), QStringLiteral("25.02.2026"));
        QCOMPARE(shown(state, received, QStringLiteral("soa_date")), QStringLiteral("03.02.2026"));
        QCOMPARE(shown(state, received, QStringLiteral("sde_invoice_num")), QStringLiteral("INV-1"));

        // The amount typed in the "Этап заказа" tab is written at once and announced.
        Test::OfferNotices notices;
        panel.stageTabs()->setCurrentIndex(0);
        typeInto(panel.orderedGrid(), 0, QStringLiteral("bpo_amount"), QStringLiteral("1,5"));
        QCOMPARE(f.sum(QStringLiteral("select bpo_amount from scm_bo_ordered where bpo_pr_id = ?"), {b}),
                 *Money::parse(u"1.5"));
        QCOMPARE(notices.heard, 1);
        QTRY_COMPARE(changed.count(), 1);
        // The panel re-reads and keeps the line.
        QTRY_COMPARE(shown(panel.orderedGrid(), 0, QStringLiteral("bpo_amount")), QStringLiteral("1,5"));
        QCOMPARE(panel.lines().string(QStringLiteral("pr_articul")), QStringLiteral("B-2"));

        // A new row of the tab, by Insert: it belongs to the current line and offers the rest.
        const qint64 suo2 = f.order();
        f.orderLine(suo2, b);
        panel.orderedGrid()->setFocus();
        QTest::keyClick(panel.orderedGrid(), Qt::Key_Insert);
        QCOMPARE(panel.ordered().state(), Data::RowSetState::Insert);
        const int newRow = panel.ordered().recordCount();
        QCOMPARE(shown(panel.orderedGrid(), newRow, QStringLiteral("bpo_amount")), QStringLiteral("1,5"));
        typeInto(panel.orderedGrid(), newRow, QStringLiteral("bpo_suo_id"), QString::number(suo2));
        QCOMPARE(f.sum(QStringLiteral("select bpo_amount from scm_bo_ordered where bpo_suo_id = ? and "
                                      "bpo_bof_id = ? and bpo_pr_id = ?"),
                       {suo2, bof, b}),
                 *Money::parse(u"1.5"));
        QTRY_COMPARE(panel.orderedGrid()->model()->rowCount(), 2);

        // Delete on the first line asks, then removes it with its distribution.
        Test::BoxAnswers answers({QMessageBox::Ok});
        lines->setFocus();
        QTest::keyClick(lines, Qt::Key_Up);
        QCOMPARE(panel.lines().string(QStringLiteral("pr_articul")), QStringLiteral("A-1"));
        QTest::keyClick(lines, Qt::Key_Delete);
        QCOMPARE(answers.texts, QStringList{OfferDetailsWriter::ConfirmDeleteLine});
        QCOMPARE(f.count(QStringLiteral("select count(*) from scm_bp_delivery where bpd_pr_id = ?"), {a}), 0);
        QCOMPARE(f.count(QStringLiteral("select count(*) from scm_bo_ordered where bpo_pr_id = ?"), {a}), 0);
        QCOMPARE(lines->model()->rowCount(), 1);
        QVERIFY(changed.count() >= 3);

        // The last line is refused with a message, nothing asked.
        Test::BoxAnswers last({QMessageBox::Ok});
        panel.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&panel));
        lines->setFocus();
        QTest::keyClick(lines, Qt::Key_Delete);
        QCOMPARE(last.texts, QStringList{OfferDetailsWriter::LastLineMessage});
        QCOMPARE(f.count(QStringLiteral("select count(*) from scm_bp_delivery where bpd_bof_id = ?"), {bof}), 1);

        // Delete drops a new row the user changed their mind about.
        panel.orderedGrid()->setFocus();
        QTest::keyClick(panel.orderedGrid(), Qt::Key_Insert);
        QTest::keyClick(panel.orderedGrid(), Qt::Key_Delete);
        QCOMPARE(panel.ordered().state(), Data::RowSetState::Browse);

        panel.setOffer(0);
        QCOMPARE(lines->model()->rowCount(), 0);
        QCOMPARE(panel.orderedGrid()->model()->rowCount(), 0);
        QCOMPARE(panel.stateGrid()->model()->rowCount(), 0);
    }

    void confirmedAndShippedAmountsAreTypedInTheirTabs()
    {
        Test::TestDatabase t;
        DetFixture f(t.db());
        const auto [bof, suo, a, b] = f.twoLineRequest();
        TOfferDetailsPanel panel;
        panel.resize(900, 600);
        panel.show();
        panel.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&panel));
        panel.setOffer(int(bof));
        QCOMPARE(panel.lines().string(QStringLiteral("pr_articul")), QStringLiteral("A-1"));

        panel.stageTabs()->setCurrentWidget(panel.acceptedGrid());
        QCOMPARE(shown(panel.acceptedGrid(), 0, QStringLiteral("boa_soa_deliverydate")), QStringLiteral("03.02.2026"));
        typeInto(panel.acceptedGrid(), 0, QStringLiteral("boa_amount"), QStringLiteral("2,25"));
        QCOMPARE(f.sum(QStringLiteral("select boa_amount from scm_bo_accepted where boa_pr_id = ?"), {a}),
                 *Money::parse(u"2.25"));

        panel.stageTabs()->setCurrentWidget(panel.shippedGrid());
        QCOMPARE(shown(panel.shippedGrid(), 0, QStringLiteral("sde_invoice_num")), QStringLiteral("INV-1"));
        QCOMPARE(shown(panel.shippedGrid(), 0, QStringLiteral("swb_consignor")), QStringLiteral("ООО Отправитель"));
        typeInto(panel.shippedGrid(), 0, QStringLiteral("soi_amount"), QStringLiteral("2"));
        QCOMPARE(f.sum(QStringLiteral("select soi_sdp_amount from scm_offer_invoice where soi_pr_id = ?"), {a}),
                 *Money::parse(u"2"));
        // The line's undistributed rest follows: 10 - 1 - 2.25 - 2.
        panel.pages()->setCurrentIndex(1);
        QTRY_VERIFY(panel.state().locate({QStringLiteral("st_name"), QStringLiteral("pr_id")},
                                         {QStringLiteral("Не распределено"), a}));
        QCOMPARE(Money::fromVariant(panel.state().value(QStringLiteral("amount"))), *Money::parse(u"4.75"));
    }

    void withoutTheRightEverythingIsReadOnly()
    {
        Test::TestDatabase t;
        DetFixture f(t.db());
        const qint64 bof = f.twoLineRequest().bof;
        f.revokeEditing();

        TOfferDetailsPanel panel;
        panel.show();
        panel.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&panel));
        panel.setOffer(int(bof));
        QVERIFY(!panel.editable());
        for (Widgets::TDataGrid* g : {panel.orderedGrid(), panel.acceptedGrid(), panel.shippedGrid(), panel.linesGrid()})
            QCOMPARE(g->editTriggers(), QAbstractItemView::NoEditTriggers);
        QVERIFY(panel.ordered().readOnly());
        QVERIFY(!(panel.orderedGrid()->model()->flags(panel.orderedGrid()->model()->index(0, 0)) &
                  Qt::ItemIsEditable));
        panel.orderedGrid()->setFocus();
        QTest::keyClick(panel.orderedGrid(), Qt::Key_F2);
        QCOMPARE(QApplication::focusWidget(), panel.orderedGrid());
        // The commands are refused, saying which right they need.
        Test::BoxAnswers answers({QMessageBox::Ok, QMessageBox::Ok});
        QTest::keyClick(panel.orderedGrid(), Qt::Key_Insert);
        QCOMPARE(panel.ordered().state(), Data::RowSetState::Browse);
        panel.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&panel));
        panel.linesGrid()->setFocus();
        QTest::keyClick(panel.linesGrid(), Qt::Key_Delete);
        QCOMPARE(f.count(QStringLiteral("select count(*) from scm_bp_delivery")), 2);
        QCOMPARE(answers.texts.size(), 2);
        for (const QString& text : answers.texts)
            QVERIFY2(text.contains(QStringLiteral("«Административное редактирование реестров» (100013)")),
                     qPrintable(text));
    }

    void theRightIsAskedAgainOnEachAttempt()
    {
        Test::TestDatabase t;
        DetFixture f(t.db());
        const qint64 bof = f.request();
        f.line(bof, f.product(QStringLiteral("A-1")), "10");
        f.line(bof, f.product(QStringLiteral("B-2")), "4");
        TOfferDetailsPanel panel;
        panel.setOffer(int(bof));
        QVERIFY(panel.editable());
        f.revokeEditing(); // by an administrator at another workstation
        Test::BoxAnswers answers({QMessageBox::Ok});
        panel.deleteLine();
        QCOMPARE(answers.texts.size(), 1);
        QVERIFY2(answers.texts[0].startsWith(QStringLiteral("Товар не удален: у Вас нет права «Административное "
                                                            "редактирование реестров» (100013)")),
                 qPrintable(answers.texts[0]));
        QVERIFY(!panel.editable());
        QCOMPARE(f.count(QStringLiteral("select count(*) from scm_bp_delivery")), 2);
        panel.refresh();
        QVERIFY(!panel.editable());
    }

    void tabReachesEveryControlAndTheLayoutIsKept()
    {
        Test::TestDatabase t;
        DetFixture f(t.db());
        const qint64 bof = f.request();
        f.line(bof, f.product(QStringLiteral("A-1")), "10");
        f.line(bof, f.product(QStringLiteral("B-2")), "4");
        {
            TOfferDetailsPanel panel;
            panel.resize(900, 600);
            panel.show();
            panel.activateWindow();
            QVERIFY(QTest::qWaitForWindowActive(&panel));
            panel.setOffer(int(bof));
            panel.pages()->tabBar()->setFocus();
            Test::checkTabReachesEveryControl(&panel);
            panel.pages()->setCurrentIndex(1);
            QCOMPARE(panel.stateGrid()->model()->rowCount(), 2);
            panel.pages()->tabBar()->setFocus();
            Test::checkTabReachesEveryControl(&panel);

            panel.pages()->setCurrentIndex(0);
            auto* split = panel.findChild<QSplitter*>(QStringLiteral("VSplit"));
            QVERIFY(split);
            split->setSizes({150, 400});
            panel.linesGrid()->sortBy(panel.linesGrid()->fieldColumn(QStringLiteral("pr_articul")),
                                      Qt::DescendingOrder);
            panel.saveSettings();
        }
        TOfferDetailsPanel panel;
        panel.resize(900, 600);
        panel.show();
        panel.setOffer(int(bof));
        panel.restoreSettings();
        auto* split = panel.findChild<QSplitter*>(QStringLiteral("VSplit"));
        QVERIFY2(qAbs(split->sizes().value(0) - 150) <= 10, qPrintable(QString::number(split->sizes().value(0))));
        QCOMPARE(panel.linesGrid()->proxyModel()->sortOrder(), Qt::DescendingOrder);
        QCOMPARE(shown(panel.linesGrid(), 0, QStringLiteral("pr_articul")), QStringLiteral("B-2"));
    }

    void completeLinesAreGreenAndMaroonWhenSelected()
    {
        QPalette palette;
        palette.setColor(QPalette::Highlight, Qt::blue);
        palette.setColor(QPalette::HighlightedText, Qt::white);
        using D = OfferDetailsLineDelegate;
        QCOMPARE(D::colours(true, false, palette).text, QColor(0, 128, 0));
        QCOMPARE(D::colours(false, false, palette).text, QColor(Qt::black));
        QVERIFY(!D::colours(false, false, palette).background.isValid());
        QCOMPARE(D::colours(true, true, palette).background, QColor(128, 0, 0));
        QCOMPARE(D::colours(true, true, palette).text, QColor(Qt::white));
        QCOMPARE(D::colours(false, true, palette).background, QColor(Qt::blue));
    }
};

QTEST_MAIN(OfferDetailsPanelTest)
#include "tst_offerdetailspanel.moc"
