// A buyer request from first keystroke to deletion, through the windows the menu opens.
#include "BusOffer/edfixture.h"
#include "BusOffer/listfixture.h"
#include "BusOffer/offerlist.h"
#include "BusOffer/ourpricechooser.h"
#include "BusOffer/ui/offereditorregistration.h"
#include "BusOffer/ui/offerlistregistration.h"
#include "BusOffer/ui/tedbuisinesoffer.h"
#include "BusOffer/ui/tofferdetailspanel.h"
#include "BusOffer/ui/tset_urgency_level_.h"
#include "BusOffer/ui/tviewbusinesoffers.h"
#include "catalog/boxanswers.h"
#include "support/typetext.h"
#include "messaging/tmessageserver.h"
#include "otbor/tglobalotbors.h"
#include "security/rights.h"
#include "support/testdatabase.h"
#include "support/testenvironment.h"
#include "support/widgetdriver.h"
#include "support/windowsession.h"
#include "widgets/tdatagrid.h"

#include <QAction>
#include <QComboBox>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QTemporaryDir>
#include <QtTest>

using namespace Tarvo;
using namespace Tarvo::BusOffer;
using namespace Qt::Literals::StringLiterals;

class OfferFlowTest : public QObject
{
    Q_OBJECT
    QTemporaryDir m_home;

private slots:
    void initTestCase() { Test::isolateUserFolders(m_home.path()); }

    void requestFromCreationToDeletion()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        Data::Database::setMain(&db);
        Test::EdFixture ed{db};
        Test::ListFixture list{db};
        list.currentUser({Security::Right::ViewOthersOffers, Security::Right::ViewOtherDepartments,
                          Security::Right::DeleteBusinessOffer, Security::Right::ApproveBusinessOffer,
                          Security::Right::AdminEditing});
        Otbor::TGlobalOtbors::instance().switchAllOff();
        ed.buyer(u"ПОКУП"_s, u"ООО Покупатель"_s);
        const qint64 group = ed.catalog().group(u"Крепёж"_s);
        for (const QString& a : {u"B1"_s, u"B2"_s, u"B3"_s}) {
            const qint64 p = ed.catalog().product(a, u"Болт "_s + a, group);
            db.exec(u"insert into crm_ourprice (op_pr_id, ou_price) values (?, 10)"_s, {p});
        }
        ed.currency(u"USD"_s, 100, QDate::currentDate());
        const qint64 urgent = db.insertReturning(u"insert into SCM_Library_Urgency (Name, Priority) values (?, 1)"_s,
                                                 u"Urgency_ID"_s, {u"Срочно"_s});

        Test::WindowSession s(db, [] {
            registerOfferEditor();
            registerOfferRegister();
        }, {});
        Shell::MainWindow& main = s.main;
        Test::activate(&main);

        // "Документы" → "Заявка покупателя": the buyer by keyboard, saved with Ctrl+S.
        main.menuItem(u"itemNewBusinessOffer"_s)->trigger();
        auto* editor = Test::mdiWindow<TedBuisinesOffer>(main.mdiArea());
        QVERIFY(editor);
        auto* person = editor->findChild<QComboBox*>(u"cbPerson"_s);
        person->setFocus();
        Test::press(person, Qt::Key_Down);
        Test::press(person, Qt::Key_S, Qt::ControlModifier);
        const qint64 id = editor->document().bofId();
        QVERIFY(id > 0);

        // Three products from the price list.
        editor->findChild<QPushButton*>(u"btnNewProduct"_s)->click();
        auto* chooser = Test::mdiWindow<Catalog::TfViewOurPrice>(main.mdiArea());
        QVERIFY(chooser);
        Test::showAllProducts(chooser);
        for (const QString& a : {u"B1"_s, u"B2"_s, u"B3"_s})
            Test::choose(chooser, a);
        QCOMPARE(ed.count(u"select count(*) from scm_bp_delivery where bpd_bof_id = ?"_s, {id}), 3);

        // Dollars, saying yes to the recomputation.
        Test::toFront(editor);
        auto* currency = editor->findChild<QComboBox*>(u"cbCurrency"_s);
        {
            Test::BoxAnswers yes({QMessageBox::Yes});
            currency->setFocus();
            Test::press(currency, Qt::Key_Down);
            QCOMPARE(yes.texts, QStringList{u"При изменении кода валюты цены изменятся! Продолжить?"_s});
        }
        QCOMPARE(ed.value(u"select bof_cod_valut from scm_business_offer where bof_id = ?"_s, {id}).toString(),
                 u"USD"_s);
        QCOMPARE(ed.money(u"select bof_sum_valut from scm_business_offer where bof_id = ?"_s, {id}),
                 Money::fromRaw(3000));
        {
            Test::BoxAnswers saved({QMessageBox::Ok});
            editor->findChild<QPushButton*>(u"btnExit"_s)->click();
            QTRY_COMPARE(saved.texts, QStringList{u"Заявка сохранена"_s});
        }
        QTRY_VERIFY(!Test::mdiWindow<TedBuisinesOffer>(main.mdiArea()));

        // "Реестры" → "Заявки покупателей": the request is there, in work.
        main.menuItem(u"itemBusinessOffers"_s)->trigger();
        auto* reg = Test::mdiWindow<TviewBusinesOffers>(main.mdiArea());
        QVERIFY(reg);
        Test::toFront(reg);
        QVERIFY(reg->list().locateOffer(id));
        QCOMPARE(reg->list().string(u"bof_state_name"_s), u"В работе"_s);
        QCOMPARE(reg->details()->offer(), int(id));
        QCOMPARE(reg->details()->linesGrid()->model()->rowCount(), 3);

        // Approve, mark, and the urgency through Ctrl+H (the message boxes took the activation).
        Test::activate(&main);
        Test::toFront(reg);
        reg->grid()->setFocus();
        reg->action(u"actApprove"_s)->trigger();
        reg->action(u"actMark"_s)->trigger();
        bool asked = false;
        Test::whenModal<TSet_Urgency_Level_>([&asked](TSet_Urgency_Level_* d) {
            asked = true;
            QComboBox* box = d->urgencyBox();
            box->setCurrentIndex(box->findText(u"Срочно"_s));
            QTest::keyClick(box, Qt::Key_Return);
        });
        QTest::keyClick(reg->grid(), Qt::Key_H, Qt::ControlModifier);
        QVERIFY(asked);
        QCOMPARE(ed.count(u"select bof_accepted from scm_business_offer where bof_id = ?"_s, {id}), 1);
        QCOMPARE(ed.count(u"select bof_otmetka from scm_business_offer where bof_id = ?"_s, {id}), 1);
        QCOMPARE(ed.value(u"select Urgency_ID from scm_business_offer where bof_id = ?"_s, {id}).toLongLong(), urgent);
        QCOMPARE(reg->list().currentOffer(), id);
        QCOMPARE(reg->list().string(u"Urgency_Name"_s), u"Срочно"_s);

        // A line deleted in the lower grid: the totals above follow.
        Widgets::TDataGrid* lines = reg->details()->linesGrid();
        Test::activate(&main);
        lines->setFocus();
        {
            Test::BoxAnswers ok({QMessageBox::Ok});
            QTest::keyClick(lines, Qt::Key_Delete);
            QCOMPARE(ok.texts, QStringList{u"Удалить товар из заявки?"_s});
        }
        QCOMPARE(ed.count(u"select count(*) from scm_bp_delivery where bpd_bof_id = ?"_s, {id}), 2);
        QTRY_COMPARE(reg->list().money(u"bof_sum"_s), Money(20));
        QCOMPARE(reg->list().currentOffer(), id);

        // And the request itself.
        reg->grid()->setFocus();
        {
            Test::BoxAnswers ok({QMessageBox::Ok});
            reg->action(u"actDelete"_s)->trigger();
            QCOMPARE(ok.texts, QStringList{u"Удалить заявку?"_s});
        }
        QCOMPARE(ed.count(u"select count(*) from scm_business_offer where bof_id = ?"_s, {id}), 0);
        QCOMPARE(ed.count(u"select count(*) from scm_bp_delivery where bpd_bof_id = ?"_s, {id}), 0);
        QVERIFY(!reg->list().locateOffer(id));
    }
};

QTEST_MAIN(OfferFlowTest)
#include "tst_offerflow.moc"
