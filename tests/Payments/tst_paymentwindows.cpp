// A payment plan and a payment made through the windows from the main menu on the demo company,
// shown by the proforma list, handed on to the warehouse accounting and deleted.
#include "Payments/paymentexport.h"
#include "Payments/paymentlist.h"
#include "Payments/tdmeditpayplan.h"
#include "Payments/tdmeditpayment.h"
#include "Payments/ui/partnerfield.h"
#include "Payments/ui/tedpaymentplan.h"
#include "Payments/ui/tfrmedpayment.h"
#include "Payments/ui/tfselectpf.h"
#include "Payments/ui/tviewpayments.h"
#include "Proformas/proformalist.h"
#include "Proformas/ui/tvproformainvoice.h"
#include "SupplierOrders/ui/tselectsupplier.h"
#include "BusOffer/ourpricechooser.h"
#include "catalog/boxanswers.h"
#include "support/typetext.h"
#include "data/engine/query.h"
#include "messaging/tmessageserver.h"
#include "shell/commandlineswitches.h"
#include "shell/ui/mainwindow.h"
#include "support/chaincheck.h"
#include "support/griddriver.h"
#include "support/menuwalk.h"
#include "support/testdatabase.h"
#include "support/testenvironment.h"
#include "support/widgetdriver.h"
#include "widgets/tdatagrid.h"

#include <QComboBox>
#include <QLineEdit>
#include <QToolButton>
#include <QMdiArea>
#include <QMenu>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using namespace Tarvo;
using namespace Tarvo::Payments;
using namespace Qt::Literals::StringLiterals;

namespace {

using Test::cell;
using Test::cellOf;
using Test::choose;
using Test::frameOf;
using Test::rowOf;
using Test::typeField;
using Test::typeInto;

QStringList rows(Data::Database& db, const QString& sql, const QVariantList& params = {})
{
    Data::Query q(db, sql);
    q.bindAll(params).exec();
    QStringList r;
    while (q.next()) {
        QStringList v;
        for (int i = 0; i < q.columnCount(); ++i)
            v << (q.value(i).userType() == qMetaTypeId<Money>() ? q.money(i).toString(2)
                  : q.isNull(i)                                  ? u"null"_s
                                                                 : q.value(i).toString());
        r << v.join(u' ');
    }
    return r;
}

// Runs `inside` on the chooser once it is shown; a chooser still open afterwards is closed, so a
// failed check fails instead of waiting for ever.
void withChooser(const std::function<void(TfSelectPf*)>& inside)
{
    QTimer::singleShot(0, [inside] {
        auto* chooser = qobject_cast<TfSelectPf*>(QApplication::activeModalWidget());
        if (!chooser) {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* c = qobject_cast<TfSelectPf*>(w); c && c->isVisible())
                    chooser = c;
        }
        if (chooser) {
            inside(chooser);
            if (chooser->isVisible())
                chooser->reject();
        }
    });
}

} // namespace

class PaymentWindowsTest : public QObject
{
    Q_OBJECT
    QTemporaryDir m_home;

private slots:
    void initTestCase() { Test::isolateUserFolders(m_home.path()); }

    void planAndPaymentThroughTheWindows()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        Test::startDemoCompanyAsAdmin(db);
        Messaging::TMessageServer::instance().setUpdateMode(Messaging::IChangeReceiver::RefreshWindows);
        const QDateTime today(QDate::currentDate(), QTime(0, 0));
        const qint64 usd = db.scalar(u"select par_id from scm_partner where par_nuser = 'GLOBTOOL'"_s).toLongLong();
        const qint64 ours = db.scalar(u"select p.par_id from scm_partner p join _partner n on n.N_USER = p.par_nuser "
                                      "where n.MY_ORGANIZ = 'Я'"_s)
                                .toLongLong();
        db.exec(u"delete from cotirval where codvalut = 'USD' and datecotir = ?"_s, {today});
        db.exec(u"insert into cotirval (codvalut, datecotir, valcotir) values ('USD', ?, 90)"_s, {today});
        const auto proforma = [&](const char* sum) {
            return db.insertReturning(u"insert into scm_Proforma (pf_dopnomer, pf_snomer, pf_supplier, pf_sum, pf_date, "
                                      "pf_cod_valut) values (900, 'ГР-1', ?, ?, ?, 'USD')"_s,
                                      u"pf_id"_s, {usd, Money::parse(QString::fromLatin1(sum))->toVariant(), today});
        };
        // A second organisation of ours, and the name the preset one shows.
        db.exec(u"insert into _partner (N_USER, NAME_USER, MY_ORGANIZ) values ('ВТОРАЯ', 'ООО Вторая', 'Я')"_s);
        const qint64 second =
            db.insertReturning(u"insert into scm_partner (par_nuser) values ('ВТОРАЯ')"_s, u"par_ID"_s);
        const QString oursName = db.scalar(u"select n.NAME_USER from scm_partner p join _partner n on n.N_USER = "
                                           "p.par_nuser where p.par_id = ?"_s,
                                           {ours})
                                     .toString();
        const qint64 thousand = proforma("1000"), byPercent = proforma("1000"), six = proforma("600");

        Shell::MainWindow main(Shell::CommandLineSwitches({u"tarvo-scm"_s}));
        main.show();
        main.refreshMenus();
        Test::activate(&main);
        QVERIFY(main.menuItem(u"itemPayments"_s)->isEnabled());
        main.menuItem(u"itemProformas"_s)->trigger();
        auto* proformas = Test::mdiWindow<Proformas::TvProformaInvoice>(main.mdiArea());
        QVERIFY(proformas);
        const auto openPlan = [&](qint64 pf) -> TedPaymentPlan* {
            proformas->list().fetchAll();
            if (rowOf(proformas->grid(), u"pf_id"_s, pf) < 0)
                return nullptr;
            Test::pick(proformas->grid(), rowOf(proformas->grid(), u"pf_id"_s, pf), u"pf_id"_s);
            proformas->action(u"actPaymentPlan"_s)->trigger();
            return Test::mdiWindow<TedPaymentPlan>(main.mdiArea());
        };

        // 300 and 700; a third refused; 300 → 250 and the proposed 50.
        TedPaymentPlan* plan = openPlan(thousand);
        QVERIFY(plan);
        QCOMPARE(plan->document().proformaId(), thousand);
        QCOMPARE(plan->findChild<QLineEdit*>(u"editSum"_s)->text(), u"1\u00A0000,00"_s);
        auto* grid = plan->grid();
        QAction* add = plan->findChild<QAction*>(u"actAdd"_s);
        add->trigger();
        QCOMPARE(grid->model()->rowCount(), 1);
        typeInto(grid, 0, u"sps_sum"_s, u"300"_s);
        QTRY_COMPARE(Money::fromVariant(cell(grid, 0, u"sps_sum"_s)), Money(300));
        QCOMPARE(Money::fromVariant(cell(grid, 0, u"prcnt"_s)), Money(30));
        add->trigger();
        QCOMPARE(Money::fromVariant(cell(grid, 1, u"sps_sum"_s)), Money(700));
        {
            Test::BoxAnswers ok({QMessageBox::Ok});
            add->trigger();
            QTRY_COMPARE(ok.texts, QStringList{TdmEditPayPlan::AllDistributedMessage});
        }
        typeInto(grid, 0, u"sps_sum"_s, u"250"_s);
        QTRY_COMPARE(Money::fromVariant(cell(grid, 0, u"sps_sum"_s)), Money(250));
        add->trigger();
        QCOMPARE(grid->model()->rowCount(), 3);
        QCOMPARE(Money::fromVariant(cell(grid, 2, u"sps_sum"_s)), Money(50));
        plan->findChild<QAction*>(u"actSave"_s)->trigger();
        QVERIFY(!plan->document().modified());
        QCOMPARE(rows(db, u"select sps_sum from scm_payshedule where sps_pf_id = ? order by sps_date"_s, {thousand}),
                 (QStringList{u"250.00"_s, u"700.00"_s, u"50.00"_s}));
        QCOMPARE(db.scalar(u"select min(sps_date) from scm_payshedule where sps_pf_id = ?"_s, {thousand})
                     .toDateTime()
                     .date(),
                 QDate::currentDate());
        frameOf(plan)->close();

        // 40 % on another proforma is 400.
        plan = openPlan(byPercent);
        QVERIFY(plan);
        QCOMPARE(plan->document().proformaId(), byPercent);
        plan->findChild<QAction*>(u"actAdd"_s)->trigger();
        typeInto(plan->grid(), 0, u"prcnt"_s, u"40"_s);
        QTRY_COMPARE(Money::fromVariant(cell(plan->grid(), 0, u"sps_sum"_s)), Money(400));
        {
            // Closing asks to save; Yes saves.
            Test::BoxAnswers yes({QMessageBox::Yes});
            frameOf(plan)->close();
            QTRY_COMPARE(yes.texts, QStringList{TedPaymentPlan::CloseQuestion});
        }
        QCOMPARE(rows(db, u"select sps_sum from scm_payshedule where sps_pf_id = ?"_s, {byPercent}),
                 QStringList{u"400.00"_s});

        // A new payment: the payer preset, 90000 roubles at 90 = 1000 dollars, 600 and 400.
        main.menuItem(u"itemPayments"_s)->trigger();
        auto* list = Test::mdiWindow<TViewPayments>(main.mdiArea());
        QVERIFY(list);
        list->action(u"actNew"_s)->trigger();
        auto* editor = Test::mdiWindow<TfrmEdPayment>(main.mdiArea());
        QVERIFY(editor);
        {
            // A new payment nobody typed into closes without a question.
            Test::BoxAnswers none({QMessageBox::No, QMessageBox::Ok});
            frameOf(editor)->close();
            QCOMPARE(none.texts, QStringList());
        }
        QTRY_VERIFY(!Test::mdiWindow<TfrmEdPayment>(main.mdiArea()));
        list->action(u"actNew"_s)->trigger();
        editor = Test::mdiWindow<TfrmEdPayment>(main.mdiArea());
        QVERIFY(editor);
        QCOMPARE(editor->modeText(), u"Новый"_s);
        // The payer preset; another of ours picked by keyboard: F3 in the field, a part of its name,
        // Enter. The picker offers our organisations only.
        PartnerField* payer = editor->payerField();
        QCOMPARE(editor->document().qData.value(u"spm_payer"_s).toLongLong(), ours);
        QCOMPARE(payer->edit()->text(), oursName);
        QCOMPARE(payer->edit()->accessibleName(), u"От кого"_s);
        int suppliersListed = -1, secondListed = -1;
        Test::whenModal<SupplierOrders::TselectSupplier>([&](SupplierOrders::TselectSupplier* d) {
            QCOMPARE(d->windowTitle(), u"Выбор своей организации"_s);
            Test::typeText(d->findEdit(), u"Global"_s);
            suppliersListed = d->dataSet().recordCount();
            d->findEdit()->clear();
            Test::typeText(d->findEdit(), u"Втор"_s);
            secondListed = d->dataSet().recordCount();
            Test::press(d->findEdit(), Qt::Key_Return);
        });
        payer->edit()->setFocus();
        Test::press(payer->edit(), Qt::Key_F3);
        QCOMPARE(suppliersListed, 0);
        QCOMPARE(secondListed, 1);
        QCOMPARE(editor->document().qData.value(u"spm_payer"_s).toLongLong(), second);
        QCOMPARE(payer->edit()->text(), u"ООО Вторая"_s);
        // The recipient: Tab reaches its field from the payer's, Ctrl+Enter opens the suppliers.
        PartnerField* recipient = editor->recipientField();
        Test::activate(editor->window());
        QCOMPARE(Test::focused(), payer->edit());
        QVERIFY(Test::tabTo(payer->button()));
        QVERIFY(Test::tabTo(recipient->edit()));
        int oursListed = -1;
        Test::whenModal<SupplierOrders::TselectSupplier>([&](SupplierOrders::TselectSupplier* d) {
            QCOMPARE(d->windowTitle(), u"Выбор поставщика"_s);
            Test::typeText(d->findEdit(), u"Втор"_s);
            oursListed = d->dataSet().recordCount();
            d->findEdit()->clear();
            Test::typeText(d->findEdit(), u"Global"_s);
            Test::press(d->findEdit(), Qt::Key_Return);
        });
        Test::press(recipient->edit(), Qt::Key_Return, Qt::ControlModifier);
        QCOMPARE(oursListed, 0);
        QCOMPARE(editor->document().qData.value(u"spm_recipient"_s).toLongLong(), usd);
        QCOMPARE(recipient->edit()->text(), u"Global Tools Ltd."_s);
        choose(editor->findChild<QComboBox*>(u"comboCurrency2"_s), u"USD"_s);
        typeField(editor->findChild<QLineEdit*>(u"editSum"_s), u"90000"_s);
        typeField(editor->findChild<QLineEdit*>(u"editNumber"_s), u"77"_s);
        typeField(editor->findChild<QLineEdit*>(u"editExtraNumber"_s), u"ПП-77"_s);
        QCOMPARE(editor->document().qData.money(u"spm_sum2"_s), Money(1000));
        QAction* addPf = editor->findChild<QAction*>(u"actAddProforma"_s);
        QStringList offered;
        withChooser([&](TfSelectPf* chooser) {
            auto* g = chooser->grid();
            QVERIFY(rowOf(g, u"pf_id"_s, six) >= 0);
            Test::pick(g, rowOf(g, u"pf_id"_s, six), u"pf_id"_s);
            Test::press(g, Qt::Key_Return);
            QVERIFY(rowOf(g, u"pf_id"_s, six) < 0); // held by the payment now
            g->setCurrentIndex(cellOf(g, rowOf(g, u"pf_id"_s, thousand), u"pf_id"_s));
            chooser->findChild<QPushButton*>(u"btnChoose"_s)->click();
            offered << u"done"_s;
        });
        addPf->trigger();
        QCOMPARE(offered, QStringList{u"done"_s});
        QCOMPARE(editor->grid()->model()->rowCount(), 2);
        QCOMPARE(Money::fromVariant(cell(editor->grid(), 0, u"spp_sum"_s)), Money(600));
        QCOMPARE(Money::fromVariant(cell(editor->grid(), 1, u"spp_sum"_s)), Money(400));
        {
            Test::BoxAnswers ok({QMessageBox::Ok});
            addPf->trigger();
            QTRY_COMPARE(ok.texts, QStringList{TdmEditPayment::AllSpentMessage});
        }
        {
            // Distributed: the recipient's picker stays closed, by key or by its button.
            Test::BoxAnswers ok({QMessageBox::Ok, QMessageBox::Ok});
            recipient->edit()->setFocus();
            Test::press(recipient->edit(), Qt::Key_F3);
            QTRY_COMPARE(ok.texts, QStringList{TdmEditPayment::DistributedMessage});
            recipient->button()->click();
            QTRY_COMPARE(ok.texts, (QStringList{TdmEditPayment::DistributedMessage, TdmEditPayment::DistributedMessage}));
        }
        QCOMPARE(recipient->edit()->text(), u"Global Tools Ltd."_s);
        editor->findChild<QAction*>(u"actSave"_s)->trigger();
        const qint64 spm = editor->document().paymentId();
        QVERIFY(spm > 0);
        QCOMPARE(editor->modeText(), u"Редактирование"_s);
        QCOMPARE(rows(db, u"select spm_payer, spm_recipient, spm_sum, spm_cod_valut, spm_sum2, spm_cod_valut2, spm_inum, "
                          "spm_snum, spm_nal from scm_payments where spm_id = ?"_s,
                      {spm}),
                 QStringList{u"%1 %2 90000.00  1000.00 USD 77 ПП-77 0"_s.arg(second).arg(usd)});
        QCOMPARE(rows(db, u"select spp_pf_id, spp_sum from scm_pfpayment where spp_spm_id = ? order by spp_sum"_s, {spm}),
                 (QStringList{u"%1 400.00"_s.arg(thousand), u"%1 600.00"_s.arg(six)}));
        frameOf(editor)->close();

        // The proforma list hears the save: the payment and the plan's coverage.
        Test::toFront(proformas);
        proformas->action(u"actRefresh"_s)->trigger();
        QTRY_VERIFY(rowOf(proformas->grid(), u"pf_id"_s, thousand) >= 0);
        Test::pick(proformas->grid(), rowOf(proformas->grid(), u"pf_id"_s, thousand), u"pf_id"_s);
        QTRY_COMPARE(proformas->paymentsGrid()->model()->rowCount(), 1);
        QCOMPARE(cell(proformas->paymentsGrid(), 0, u"spm_id"_s).toLongLong(), spm);
        QTRY_COMPARE(proformas->planGrid()->model()->rowCount(), 3);
        QCOMPARE(Money::fromVariant(cell(proformas->planGrid(), 0, u"covered"_s)), Money(250));
        QCOMPARE(Money::fromVariant(cell(proformas->planGrid(), 1, u"covered"_s)), Money(150));
        QCOMPARE(Money::fromVariant(cell(proformas->planGrid(), 2, u"covered"_s)), Money());

        // "В склад...": exported, then again under a new number; a cash payment has no bank details.
        Test::toFront(list);
        list->action(u"actRefresh"_s)->trigger();
        QTRY_VERIFY(list->list().locateKey(spm));
        const int before = db.scalar(u"select coalesce(max(UNICUM_PLT), 0) from SCL_PLAT"_s).toInt();
        {
            Test::BoxAnswers ok({QMessageBox::Ok});
            list->action(u"actExport"_s)->trigger();
            QTRY_COMPARE(ok.texts, QStringList{PaymentExport::DoneMessage.arg(before + 1)});
        }
        QCOMPARE(rows(db, u"select spm_unicum_plt from scm_payments where spm_id = ?"_s, {spm}),
                 QStringList{QString::number(before + 1)});
        QCOMPARE(rows(db, u"select SUM_VALT, COD_VALT, TEXT_PLT, BEZNAL from SCL_PLAT where UNICUM_PLT = ?"_s, {before + 1}),
                 QStringList{u"1000.00 USD 90000,00() 1"_s});
        QCOMPARE(rows(db, u"select count(*) from SCL_ADDP where UNICUM_PLT = ?"_s, {before + 1}), QStringList{u"1"_s});
        QVERIFY(list->list().locateKey(spm));
        {
            Test::BoxAnswers answers({QMessageBox::Yes, QMessageBox::Ok});
            list->action(u"actExport"_s)->trigger();
            QTRY_COMPARE(answers.texts, (QStringList{PaymentExport::AgainQuestion.arg(before + 1),
                                                     PaymentExport::DoneMessage.arg(before + 2)}));
        }
        QCOMPARE(rows(db, u"select count(*) from SCL_PLAT where UNICUM_PLT = ?"_s, {before + 1}), QStringList{u"0"_s});
        QCOMPARE(rows(db, u"select count(*) from SCL_ADDP where UNICUM_PLT = ?"_s, {before + 2}), QStringList{u"1"_s});
        // An exported payment opens for viewing.
        QVERIFY(list->list().locateKey(spm));
        list->action(u"actEdit"_s)->trigger();
        editor = Test::mdiWindow<TfrmEdPayment>(main.mdiArea());
        QVERIFY(editor);
        QCOMPARE(editor->modeText(), u"Просмотр"_s);
        frameOf(editor)->close();

        const qint64 cash = db.insertReturning(
            u"insert into scm_payments (spm_payer, spm_recipient, spm_date, spm_sum, spm_cod_valut, spm_sum2, "
            "spm_cod_valut2, spm_inum, spm_snum, spm_nal) values (?, ?, ?, 50, '', 50, '', '78', 'К-78', 1)"_s,
            u"spm_id"_s, {ours, usd, today});
        Test::toFront(list);
        list->action(u"actRefresh"_s)->trigger();
        QTRY_VERIFY(list->list().locateKey(cash));
        {
            Test::BoxAnswers ok({QMessageBox::Ok});
            list->action(u"actExport"_s)->trigger();
            QTRY_COMPARE(ok.texts, QStringList{PaymentExport::DoneMessage.arg(before + 3)});
        }
        QCOMPARE(rows(db, u"select SUM_RUB, BEZNAL from SCL_PLAT where UNICUM_PLT = ?"_s, {before + 3}),
                 QStringList{u"50.00 0"_s});
        QCOMPARE(rows(db, u"select count(*) from SCL_ADDP where UNICUM_PLT = ?"_s, {before + 3}), QStringList{u"0"_s});

        // Deleted with its proforma rows; the warehouse copy stays.
        QVERIFY(list->list().locateKey(spm));
        {
            Test::BoxAnswers yes({QMessageBox::Yes});
            list->action(u"actDelete"_s)->trigger();
            QTRY_COMPARE(yes.texts, QStringList{TViewPayments::DeleteQuestion});
        }
        QCOMPARE(rows(db, u"select count(*) from scm_payments where spm_id = ?"_s, {spm}), QStringList{u"0"_s});
        QCOMPARE(rows(db, u"select count(*) from scm_pfpayment where spp_spm_id = ?"_s, {spm}), QStringList{u"0"_s});
        QCOMPARE(rows(db, u"select count(*) from SCL_PLAT where UNICUM_PLT = ?"_s, {before + 2}), QStringList{u"1"_s});
        TARVO_CHECK_CHAIN(db);
    }
};

QTEST_MAIN(PaymentWindowsTest)
#include "tst_paymentwindows.moc"
