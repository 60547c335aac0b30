// A proforma made, edited and deleted through the windows, from the main menu, on the demo company.
#include "AcceptedOrders/acceptedorderlist.h"
#include "AcceptedOrders/ui/tvwaccorders.h"
#include "BusOffer/ourpricechooser.h"
#include "Proformas/proformalist.h"
#include "Proformas/tdmeditproforma.h"
#include "Proformas/ui/tedproformainvoice.h"
#include "Proformas/ui/tvproformainvoice.h"
#include "catalog/boxanswers.h"
#include "support/typetext.h"
#include "messaging/tmessageserver.h"
#include "shell/commandlineswitches.h"
#include "shell/ui/mainwindow.h"
#include "support/chaincheck.h"
#include "support/griddriver.h"
#include "support/menuwalk.h"
#include "support/testdatabase.h"
#include "support/testenvironment.h"
#include "widgets/tdatagrid.h"

#include <QLineEdit>
#include <QMenu>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTemporaryDir>
#include <QtTest>

using namespace Tarvo;
using namespace Tarvo::Proformas;
using namespace Qt::Literals::StringLiterals;

using Test::cell;
using Test::cellOf;
using Test::rowWhere;
using Test::typeField;
using Test::typeInto;

class ProformaWindowsTest : public QObject
{
    Q_OBJECT
    QTemporaryDir m_home;

    // "date amount pf" of every line of the order (pf: "pf" for this proforma, "-" free, else "other").
    static QStringList lines(Data::Database& db, qint64 suo, qint64 pf)
    {
        const QDate first = db.scalar(u"select min(soa_deliverydate) from scm_so_accepted where soa_suo_id = ?"_s, {suo})
                                .toDateTime()
                                .date();
        Data::Query q(db, u"select pr_articul, soa_deliverydate, soa_amount, soa_pf_id from scm_so_accepted "
                          "join crm_product on pr_id = soa_pr_id where soa_suo_id = ? order by 1, 2"_s);
        q.bindAll({suo}).exec();
        QStringList r;
        while (q.next())
            r << u"%1 +%2 %3 %4"_s.arg(q.value(0).toString())
                     .arg(first.daysTo(q.dateTime(1).date()))
                     .arg(q.money(2).toString(0),
                          q.isNull(3) ? u"-"_s : q.integer(3) == pf ? u"pf"_s : u"other"_s);
        return r;
    }
    // "+days bof amount" of the order's request rows, invoiced (soi) and not (boa).
    static QStringList requestRows(Data::Database& db, qint64 suo)
    {
        QStringList r;
        const QDate first = db.scalar(u"select min(soa_deliverydate) from scm_so_accepted where soa_suo_id = ?"_s, {suo})
                                .toDateTime()
                                .date();
        for (const QString& sql :
             {u"select 'i', pr_articul, soi_soa_deliverydate, soi_amount from scm_offer_invoice join crm_product "
              "on pr_id = soi_pr_id where soi_suo_id = ? order by 2, 3"_s,
              u"select 'a', pr_articul, boa_soa_deliverydate, boa_amount from scm_bo_accepted join crm_product "
              "on pr_id = boa_pr_id where boa_suo_id = ? order by 2, 3"_s}) {
            Data::Query q(db, sql);
            q.bindAll({suo}).exec();
            while (q.next())
                r << u"%1 %2 +%3 %4"_s.arg(q.value(0).toString(), q.value(1).toString())
                         .arg(first.daysTo(q.dateTime(2).date()))
                         .arg(q.money(3).toString(0));
        }
        return r;
    }
    // Placed amounts of every request and confirmed totals of every order: a proforma moves neither.
    static QStringList totals(Data::Database& db)
    {
        QStringList r;
        for (const QString& sql : {u"select bpd_bof_id, bpd_pr_id, bpd_placed from scm_bp_delivery order by 1, 2"_s,
                                   u"select soa_suo_id, sum(soa_amount), sum(soa_sum) from scm_so_accepted "
                                   "group by soa_suo_id order by 1"_s}) {
            Data::Query q(db, sql);
            q.exec();
            while (q.next())
                r << u"%1 %2 %3"_s.arg(q.value(0).toString(), q.value(1).toString(),
                                       q.value(2).userType() == qMetaTypeId<Money>() ? q.money(2).toString()
                                                                                     : q.value(2).toString());
        }
        return r;
    }

private slots:
    void initTestCase() { Test::isolateUserFolders(m_home.path()); }

    void proformaThroughTheWindows()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        Test::startDemoCompanyAsAdmin(db);
        Messaging::TMessageServer::instance().setUpdateMode(Messaging::IChangeReceiver::RefreshWindows);
        const qint64 suo =
            db.scalar(u"select suo_id from scm_supplier_order where suo_description like '%без счета'"_s).toLongLong();
        QVERIFY(suo > 0);
        const QStringList before = totals(db);
        const QStringList loadedLines = lines(db, suo, 0);
        QCOMPARE(loadedLines.size(), 3);

        Shell::MainWindow main(Shell::CommandLineSwitches({u"tarvo-scm"_s}));
        main.show();
        main.refreshMenus();
        Test::activate(&main);
        main.menuItem(u"itemAcceptedOrders"_s)->trigger();
        auto* orders = Test::mdiWindow<AcceptedOrders::TvwAccOrders>(main.mdiArea());
        QVERIFY(orders);
        const auto orderRow = [&] { return Test::rowOf(orders->grid(), u"suo_id"_s, suo); };
        QVERIFY(orderRow() >= 0);
        QCOMPARE(cell(orders->grid(), orderRow(), u"State"_s).toString(), QString());
        Test::pick(orders->grid(), orderRow(), u"suo_id"_s);
        QCOMPARE(orders->selectedOrders(), QList<qint64>{suo});
        orders->action(u"actLoadToProforma"_s)->trigger();
        auto* editor = Test::mdiWindow<TedProformaInvoice>(main.mdiArea());
        QVERIFY(editor);
        QCOMPARE(editor->windowTitle(), u"Создание нового счета"_s);
        QCOMPARE(editor->modeText(), u"Новый"_s);
        QCOMPARE(editor->productsGrid()->model()->rowCount(), 3);
        QCOMPARE(editor->findChild<QAction*>(u"actSumFromProducts"_s)->toolTip(),
                 u"Вычислить сумму счета из сумм товаров"_s);
        auto* products = editor->productsGrid();
        auto* parts = editor->partsGrid();
        const QString a1 = cell(products, 0, u"pr_articul"_s).toString();
        const QString a2 = cell(products, 1, u"pr_articul"_s).toString();

        // The first product's free part cut by one, the second product's invoiced part deleted.
        products->setCurrentIndex(cellOf(products, 0, u"pr_articul"_s));
        const Money product1 = Money::fromVariant(cell(products, 0, u"amount"_s));
        QCOMPARE(parts->model()->rowCount(), 2);
        const int free1 = rowWhere(parts, [&](int r) { return cell(parts, r, u"sde_id"_s).isNull(); });
        QVERIFY(free1 >= 0);
        const Money was = Money::fromVariant(cell(parts, free1, u"Amount"_s));
        {
            // Above the loaded quantity is refused and the old value stays.
            Test::BoxAnswers ok({QMessageBox::Ok});
            typeInto(parts, free1, u"Amount"_s, u"50"_s);
            QTRY_COMPARE(ok.texts, QStringList{TdmEditProforma::GrowBeyondLoadedMessage});
        }
        typeInto(parts, free1, u"Amount"_s, (was - Money(1)).toString(0));
        Test::pick(products, 1, u"pr_articul"_s);
        QCOMPARE(editor->document().dsProductsOrder.state(), Data::RowSetState::Browse);
        QCOMPARE(Money::fromVariant(cell(products, 0, u"amount"_s)), product1 - Money(1));
        const int invoiced2 = rowWhere(parts, [&](int r) { return !cell(parts, r, u"sde_id"_s).isNull(); });
        QVERIFY(invoiced2 >= 0);
        Test::pick(parts, invoiced2, u"Amount"_s);
        Test::press(parts, Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(parts->model()->rowCount(), 1);

        editor->findChild<QAction*>(u"actSumFromProducts"_s)->trigger();
        Money productsSum;
        for (int r = 0; r < products->model()->rowCount(); ++r)
            productsSum += Money::fromVariant(cell(products, r, u"sum"_s));
        auto* sumEdit = editor->findChild<QLineEdit*>(u"editSum"_s);
        QCOMPARE(sumEdit->text(), productsSum.toString(2));
        typeField(editor->findChild<QLineEdit*>(u"editNumber"_s), u"15"_s);
        {
            Test::BoxAnswers ok({QMessageBox::Ok});
            editor->findChild<QAction*>(u"actSave"_s)->trigger();
            QTRY_COMPARE(ok.texts, QStringList{TedProformaInvoice::SavedMessage});
        }
        const qint64 pf = editor->document().proformaId();
        QVERIFY(pf > 0);
        QCOMPARE(editor->windowTitle(), u"Редактирование счета %1"_s.arg(pf));
        QCOMPARE(db.scalar(u"select pf_dopnomer from scm_Proforma where pf_id = ?"_s, {pf}).toInt(), 15);
        QCOMPARE(Money::fromVariant(db.scalar(u"select pf_sum from scm_Proforma where pf_id = ?"_s, {pf})), productsSum);
        const QStringList made = lines(db, suo, pf);
        QCOMPARE(made.size(), 5);
        QVERIFY2(made.contains(u"%1 +1 1 -"_s.arg(a1)), qPrintable(made.join(u" | "_s)));
        QVERIFY2(made.contains(u"%1 +1 3 -"_s.arg(a2)), qPrintable(made.join(u" | "_s)));
        const QStringList rows = requestRows(db, suo);
        QVERIFY2(rows.contains(u"a %1 +1 1"_s.arg(a1)), qPrintable(rows.join(u" | "_s)));
        QVERIFY2(rows.contains(u"i %1 +1 3"_s.arg(a2)), qPrintable(rows.join(u" | "_s)));
        QCOMPARE(totals(db), before);
        // The confirmed-order list heard of it: the order lies partly in a proforma.
        QTRY_COMPARE(cell(orders->grid(), orderRow(), u"State"_s).toString(), u"Ч"_s);
        TARVO_CHECK_CHAIN(db);

        // "Счета поставщиков": the new proforma, edited to release a line.
        main.menuItem(u"itemProformas"_s)->trigger();
        auto* register_ = Test::mdiWindow<TvProformaInvoice>(main.mdiArea());
        QVERIFY(register_);
        QCOMPARE(register_->windowTitle().left(5), u"Счета"_s);
        const auto pfRow = [&](qint64 id) { return Test::rowOf(register_->grid(), u"pf_id"_s, id); };
        QTRY_VERIFY(pfRow(pf) >= 0);
        Test::pick(register_->grid(), pfRow(pf), u"pf_id"_s);
        QCOMPARE(register_->productsGrid()->model()->rowCount(), 3);
        QCOMPARE(cell(register_->grid(), pfRow(pf), u"State"_s).toString(), QString());
        register_->action(u"actEdit"_s)->trigger();
        QCOMPARE(TedProformaInvoice::instance(), editor);
        QCOMPARE(editor->modeText(), u"Редактирование"_s);
        const int third = rowWhere(products, [&](int r) {
            return cell(products, r, u"pr_articul"_s).toString() != a1 && cell(products, r, u"pr_articul"_s).toString() != a2;
        });
        const QString a3 = cell(products, third, u"pr_articul"_s).toString();
        Test::pick(products, third, u"pr_articul"_s);
        Test::press(products, Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(products->model()->rowCount(), 2);
        {
            Test::BoxAnswers ok({QMessageBox::Ok});
            editor->findChild<QAction*>(u"actSave"_s)->trigger();
            QTRY_COMPARE(ok.texts, QStringList{TedProformaInvoice::SavedMessage});
        }
        const QStringList released = lines(db, suo, pf);
        QVERIFY2(released.contains(loadedLines.filter(a3).first()),
                 qPrintable(released.join(u" | "_s)));
        QCOMPARE(totals(db), before);
        TARVO_CHECK_CHAIN(db);
        QTRY_COMPARE(register_->productsGrid()->model()->rowCount(), 2);

        // Deleted: its lines are free again, split lines stay split.
        Test::toFront(register_);
        register_->grid()->setCurrentIndex(cellOf(register_->grid(), pfRow(pf), u"pf_id"_s));
        {
            Test::BoxAnswers yes({QMessageBox::Yes});
            register_->action(u"actDelete"_s)->trigger();
            QTRY_COMPARE(yes.texts, QStringList{u"Удалить счет?"_s});
        }
        QCOMPARE(db.scalar(u"select count(*) from scm_Proforma where pf_id = ?"_s, {pf}).toInt(), 0);
        QCOMPARE(pfRow(pf), -1);
        const QStringList freed = lines(db, suo, pf);
        QCOMPARE(freed.size(), 5);
        QCOMPARE(freed.filter(u" -"_s).size(), 5);
        QCOMPARE(totals(db), before);
        TARVO_CHECK_CHAIN(db);

        // A paid proforma of the demo company is refused, with nothing changed.
        const qint64 paid = db.scalar(u"select min(spp_pf_id) from scm_pfpayment"_s).toLongLong();
        QVERIFY(pfRow(paid) >= 0);
        QCOMPARE(cell(register_->grid(), pfRow(paid), u"State"_s).toString(), u"+"_s);
        register_->grid()->setCurrentIndex(cellOf(register_->grid(), pfRow(paid), u"pf_id"_s));
        QVERIFY(register_->paymentsGrid()->model()->rowCount() > 0);
        QVERIFY(register_->planGrid()->model()->rowCount() > 0);
        {
            Test::BoxAnswers answers({QMessageBox::Yes, QMessageBox::Ok});
            register_->action(u"actDelete"_s)->trigger();
            QTRY_COMPARE(answers.texts, (QStringList{u"Удалить счет?"_s, TdmEditProforma::LinkedPaymentsMessage}));
        }
        QCOMPARE(db.scalar(u"select count(*) from scm_Proforma where pf_id = ?"_s, {paid}).toInt(), 1);
        QVERIFY(db.scalar(u"select count(*) from scm_so_accepted where soa_pf_id = ?"_s, {paid}).toInt() > 0);
        main.mdiArea()->closeAllSubWindows();
    }

    // The one editor asks before it takes another document, and before it closes with changes.
    void editorAsksBeforeLosingChanges()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        Test::startDemoCompanyAsAdmin(db);
        const qint64 suo =
            db.scalar(u"select suo_id from scm_supplier_order where suo_description like '%без счета'"_s).toLongLong();
        const int proformas = db.scalar(u"select count(*) from scm_Proforma"_s).toInt();
        Shell::MainWindow main(Shell::CommandLineSwitches({u"tarvo-scm"_s}));
        main.show();
        main.refreshMenus();
        Test::activate(&main);
        TedProformaInvoice* editor = TedProformaInvoice::openNew({suo});
        QVERIFY(editor);
        // Untouched, a new proforma still counts as changed: it would take the lines whole.
        {
            Test::BoxAnswers cancel({QMessageBox::Cancel});
            QCOMPARE(TedProformaInvoice::openNew({suo}), nullptr);
            QTRY_COMPARE(cancel.texts, QStringList{TedProformaInvoice::SwitchQuestion});
        }
        QCOMPARE(editor->windowTitle(), u"Создание нового счета"_s);
        // "No" goes on without saving: the same lines are loaded again.
        {
            Test::BoxAnswers no({QMessageBox::No});
            QCOMPARE(TedProformaInvoice::openNew({suo}), editor);
            QTRY_COMPARE(no.texts, QStringList{TedProformaInvoice::SwitchQuestion});
        }
        QCOMPARE(db.scalar(u"select count(*) from scm_so_accepted where soa_suo_id = ? and soa_pf_id is not null"_s, {suo})
                     .toInt(),
                 0);
        {
            Test::BoxAnswers cancel({QMessageBox::Cancel});
            editor->parentWidget()->close();
            QTRY_COMPARE(cancel.texts, QStringList{TedProformaInvoice::CloseQuestion});
        }
        QCOMPARE(TedProformaInvoice::instance(), editor);
        {
            Test::BoxAnswers no({QMessageBox::No});
            editor->parentWidget()->close();
            QTRY_COMPARE(no.texts, QStringList{TedProformaInvoice::CloseQuestion});
        }
        QTRY_COMPARE(TedProformaInvoice::instance(), nullptr);
        QCOMPARE(db.scalar(u"select count(*) from scm_Proforma"_s).toInt(), proformas);
    }
};

QTEST_MAIN(ProformaWindowsTest)
#include "tst_proformawindows.moc"
