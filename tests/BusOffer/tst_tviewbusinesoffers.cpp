#include "BusOffer/listfixture.h"
#include "BusOffer/offerdetailswriter.h"
#include "BusOffer/offerlist.h"
#include "BusOffer/ui/offerlistdelegate.h"
#include "BusOffer/ui/offerlistregistration.h"
#include "BusOffer/ui/tofferdetailspanel.h"
#include "BusOffer/ui/tset_urgency_level_.h"
#include "BusOffer/ui/tviewbusinesoffers.h"
#include "catalog/boxanswers.h"
#include "messaging/changeevents.h"
#include "messaging/tmessageserver.h"
#include "otbor/tglobalotbors.h"
#include "otbor/tvarbool.h"
#include "security/rights.h"
#include "shell/commandlineswitches.h"
#include "shell/formactivationregistry.h"
#include "shell/ui/mainwindow.h"
#include "shell/ui/twindowactivator.h"
#include "support/testdatabase.h"
#include "support/testenvironment.h"
#include "support/widgetdriver.h"
#include "widgets/tdatagrid.h"

#include <QAction>
#include <QComboBox>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QTemporaryDir>
#include <QtTest>

using namespace Tarvo;
using namespace Tarvo::BusOffer;
using namespace Qt::Literals::StringLiterals;

namespace {

TviewBusinesOffers* openRegister()
{
    registerOfferRegister();
    Shell::FormActivationRegistry::instance().open(TviewBusinesOffers::FormType, 0);
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* r = qobject_cast<TviewBusinesOffers*>(w); r && r->isVisible()) {
            if (!QTest::qWaitForWindowActive(r))
                return nullptr;
            r->grid()->setFocus();
            return r;
        }
    return nullptr;
}

} // namespace

class OfferRegisterWindowTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    std::unique_ptr<Test::TestDatabase> m_t;
    std::unique_ptr<Test::ListFixture> m_f;
    qint64 m_buyer = 0;
    QList<qint64> m_offers;
    QList<int> m_editorOpened;

    void useRights(const QList<int>& extra)
    {
        m_f->currentUser(QList<int>{Security::Right::ViewOthersOffers, Security::Right::ViewOtherDepartments} + extra);
    }

private slots:
    void initTestCase()
    {
        Test::isolateUserFolders(m_home.path());
        // The editor's activator: records what it was asked to open.
        Shell::FormActivationRegistry::instance().add(std::make_unique<Shell::TWindowActivator>(
            TviewBusinesOffers::EditorFormType, [] { return new QWidget; }, Shell::TWindowActivator::Restore::ShowOnly,
            [this](QWidget* w, int id) {
                m_editorOpened << id;
                w->close();
            }));
    }
    void init()
    {
        m_t = std::make_unique<Test::TestDatabase>();
        Data::Database& db = m_t->db();
        Data::Database::setMain(&db);
        m_f = std::make_unique<Test::ListFixture>(Test::ListFixture{db});
        useRights({});
        Otbor::TGlobalOtbors::instance().switchAllOff();
        Messaging::TMessageServer::instance().setUpdateMode(Messaging::IChangeReceiver::RefreshWindows);
        m_buyer = m_f->partner(u"B1"_s, u"ООО Покупатель"_s);
        m_offers.clear();
        for (int i = 0; i < 5; ++i)
            m_offers << m_f->request(m_buyer);
        m_editorOpened.clear();
    }
    void cleanup()
    {
        for (QWidget* w : QApplication::topLevelWidgets())
            if (qobject_cast<TviewBusinesOffers*>(w))
                w->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        m_f.reset();
        Data::Database::setMain(nullptr);
        m_t.reset();
    }

    void keyboardDrivesTheRegister()
    {
        TviewBusinesOffers* w = openRegister();
        QVERIFY(w);
        QCOMPARE(w->windowTitle(), u"Заявка покупателя"_s);
        QCOMPARE(w->list().recordCount(), 5);
        Widgets::TDataGrid* grid = w->grid();
        QVERIFY(QTest::qWaitForWindowActive(w));
        grid->setFocus();
        QCOMPARE(w->list().currentOffer(), m_offers[0]);
        QSignalSpy moved(w, &TviewBusinesOffers::currentOfferChanged);
        QTest::keyClick(grid, Qt::Key_Down);
        QTest::keyClick(grid, Qt::Key_Down);
        QCOMPARE(w->list().currentOffer(), m_offers[2]);
        QCOMPARE(moved.count(), 2);
        QCOMPARE(moved.last().at(0).toLongLong(), m_offers[2]);
        QCOMPARE(w->details()->offer(), int(m_offers[2]));
        QTest::keyClick(grid, Qt::Key_Return);
        QTest::keyClick(grid, Qt::Key_F4);
        QTest::keyClick(grid, Qt::Key_F4, Qt::ShiftModifier);
        QCOMPARE(m_editorOpened, (QList<int>{int(m_offers[2]), int(m_offers[2]), 0}));

        // F5 reads the list again and comes back to the same request, also when rows before it went.
        auto other = m_t->connectAgain();
        other->exec(u"delete from scm_business_offer where bof_id = ?"_s, {m_offers[0]});
        const qint64 added = Test::ListFixture{*other}.request(m_buyer);
        QTest::keyClick(grid, Qt::Key_F5);
        QCOMPARE(w->list().recordCount(), 5);
        QCOMPARE(w->list().currentOffer(), m_offers[2]);
        QCOMPARE(w->grid()->currentIndex().row(), 1);
        QVERIFY(w->list().locateOffer(added));

        // Ctrl+H and the pop-up's commands are reachable by keys.
        QCOMPARE(w->action(u"actUrgency"_s)->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_H));
        QCOMPARE(w->action(u"actRefresh"_s)->shortcut(), QKeySequence(Qt::Key_F5));
        QStringList popup;
        for (QAction* a : w->requestMenu()->actions())
            if (!a->isSeparator())
                popup << a->text();
        QCOMPARE(popup, (QStringList{u"Создать заявку"_s, u"Редактировать заявку"_s, u"Одобрить/Отклонить"_s,
                                     u"Отметить/снять отметку"_s, u"Установить срочность"_s, u"Найти"_s,
                                     u"Упорядочить по"_s, u"Настроить колонки"_s}));
        grid->setFocus();
        Test::checkTabReachesEveryControl(w);
    }

    void columnsShowTheirTitlesInOrderWithTheUsersSettings()
    {
        m_t->db().exec(u"update scm_business_offer set bof_accepted = 1, bof_otmetka = 1 where bof_id = ?"_s,
                       {m_offers[1]});
        TviewBusinesOffers* w = openRegister();
        QVERIFY(w);
        const auto titles = [&w] {
            QStringList t;
            for (int c : w->grid()->columnsInDisplayOrder())
                if (w->grid()->isColumnShown(c))
                    t << w->grid()->columnCaption(c);
            return t;
        };
        QStringList expected{u"Срочность"_s,     u"Приоритет"_s,   u"№ заявки"_s,      u"Дата"_s,
                             u"Состояние"_s,     u"Сумма"_s,       u"Дата создания"_s, u"Дата коррекции"_s,
                             u"Для кого"_s,      u"Валюта"_s,      u"Вал сумма"_s,     u"Описание"_s,
                             u"Одобрен"_s,       u"Этап договора"_s, u"Менеджер"_s,    u"Доп.номер 2"_s,
                             u"Доп.номер"_s,     u"Отметка"_s,     u"Заказано клиентом"_s, u"В заказах"_s,
                             u"Подтверждено"_s,  u"Отправлено"_s,  u"Выполнено"_s,     u"План с"_s,
                             u"План по"_s};
        QCOMPARE(titles(), expected);
        const auto shown = [w](int row, const QString& field) {
            return w->grid()->model()->index(row, w->grid()->fieldColumn(field)).data().toString();
        };
        QCOMPARE(shown(0, u"bof_accepted"_s), u"Нет"_s);
        QCOMPARE(shown(1, u"bof_accepted"_s), u"Да"_s);
        QCOMPARE(shown(0, u"bof_otmetka"_s), QString());
        QCOMPARE(shown(1, u"bof_otmetka"_s), u"Отмечен"_s);
        QCOMPARE(shown(0, u"bof_state_name"_s), u"Выполнено"_s);

        // The user's choice: a column hidden, one moved first, one renamed; F5 keeps it, and the
        // next opening of the window restores it.
        Widgets::TDataGrid* g = w->grid();
        g->setColumnShown(g->fieldColumn(u"Priority"_s), false);
        g->moveColumnTo(g->fieldColumn(u"name_user"_s), 0);
        g->setColumnTitle(g->fieldColumn(u"bof_sum"_s), u"Сумма, руб."_s);
        expected.removeOne(u"Приоритет"_s);
        expected.removeOne(u"Для кого"_s);
        expected.prepend(u"Для кого"_s);
        expected.replace(expected.indexOf(u"Сумма"_s), u"Сумма, руб."_s);
        QCOMPARE(titles(), expected);
        QTest::keyClick(g, Qt::Key_F5);
        QCOMPARE(titles(), expected);
        w->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        w = openRegister();
        QVERIFY(w);
        QCOMPARE(titles(), expected);
        QCOMPARE(w->list().recordCount(), 5);
    }

    void aLineDeleteSaysWhichRightIsMissingAndFollowsAGrantAtOnce()
    {
        const qint64 me = m_f->currentUser({Security::Right::ViewOthersOffers, Security::Right::ViewOtherDepartments});
        m_f->line(m_offers[0], m_f->product(u"P1"_s), 1);
        m_f->line(m_offers[0], m_f->product(u"P2"_s), 2);
        const auto lineCount = [this] {
            return m_t->db().scalar(u"select count(*) from scm_bp_delivery where bpd_bof_id = ?"_s, {m_offers[0]}).toInt();
        };
        TviewBusinesOffers* w = openRegister();
        QVERIFY(w);
        TOfferDetailsPanel* d = w->details();
        QCOMPARE(d->offer(), int(m_offers[0]));
        Widgets::TDataGrid* lines = d->linesGrid();
        lines->setFocus();
        QCOMPARE(d->lines().recordCount(), 2);
        {
            Test::BoxAnswers answers({QMessageBox::Ok});
            QTest::keyClick(lines, Qt::Key_Delete);
            QCOMPARE(answers.texts.size(), 1);
            QVERIFY2(answers.texts[0].contains(u"«Административное редактирование реестров» (100013)"_s),
                     qPrintable(answers.texts[0]));
        }
        QCOMPARE(lineCount(), 2);
        // The box took the activation away.
        QApplication::setActiveWindow(w);
        QVERIFY(QTest::qWaitForWindowActive(w));
        lines->setFocus();

        // Granted meanwhile by the administrator: the same request, the next Delete asks and deletes.
        auto admin = m_t->connectAgain();
        admin->exec(u"insert into CRM_SECURITY (SC_ID, SC_DESCR) values (?, ?) on conflict do nothing"_s,
                    {Security::Right::AdminEditing, u"Административное редактирование реестров"_s});
        admin->exec(u"insert into CRM_USERS_SECURITY (USC_SC_ID, USC_US_ID) values (?, ?)"_s,
                    {Security::Right::AdminEditing, me});
        {
            Test::BoxAnswers answers({QMessageBox::Ok});
            QTest::keyClick(lines, Qt::Key_Delete);
            QCOMPARE(answers.texts, QStringList{OfferDetailsWriter::ConfirmDeleteLine});
        }
        QCOMPARE(lineCount(), 1);
        QCOMPARE(d->offer(), int(m_offers[0]));
        // Entering a distribution grid follows the right as it stands: taken away, it is read-only.
        QApplication::setActiveWindow(w);
        QVERIFY(QTest::qWaitForWindowActive(w));
        d->orderedGrid()->setFocus();
        QVERIFY(d->editable());
        admin->exec(u"delete from CRM_USERS_SECURITY where USC_SC_ID = ? and USC_US_ID = ?"_s,
                    {Security::Right::AdminEditing, me});
        lines->setFocus();
        d->orderedGrid()->setFocus();
        QVERIFY(!d->editable());
        QCOMPARE(d->orderedGrid()->editTriggers(), QAbstractItemView::EditTriggers(QAbstractItemView::NoEditTriggers));
    }

    // "Удалить" and "Одобрить/Отклонить" ask for their right when given: without it they say
    // which right is missing; one granted or taken away meanwhile counts at once, without F5.
    void deleteAndApprovalSayWhichRightIsMissingAndFollowAChangeAtOnce()
    {
        const qint64 me = m_f->currentUser({Security::Right::ViewOthersOffers, Security::Right::ViewOtherDepartments});
        TviewBusinesOffers* w = openRegister();
        QVERIFY(w);
        const auto accepted = [this] {
            return m_t->db().scalar(u"select bof_accepted from scm_business_offer where bof_id = ?"_s, {m_offers[1]}).toInt();
        };
        const auto listed = [this] { return m_t->db().scalar(u"select count(*) from scm_business_offer"_s).toInt(); };
        const auto refocus = [w] {
            // A box took the activation away.
            QApplication::setActiveWindow(w);
            QVERIFY(QTest::qWaitForWindowActive(w));
            w->grid()->setFocus();
        };
        QTest::keyClick(w->grid(), Qt::Key_Down);
        QCOMPARE(w->list().currentOffer(), m_offers[1]);
        QVERIFY(w->action(u"actDelete"_s)->isEnabled());
        QVERIFY(w->action(u"actApprove"_s)->isEnabled());
        {
            Test::BoxAnswers answers({QMessageBox::Ok});
            QTest::keyClick(w->grid(), Qt::Key_Delete, Qt::ControlModifier);
            QCOMPARE(answers.texts,
                     QStringList{u"Удаление заявки: у Вас нет права «Удаление документов — Заявка покупателя» (100005)."_s});
        }
        refocus();
        {
            Test::BoxAnswers answers({QMessageBox::Ok});
            w->action(u"actApprove"_s)->trigger();
            QCOMPARE(answers.texts,
                     QStringList{u"Одобрение заявки: у Вас нет права «Одобрение — Заявка покупателя» (100010)."_s});
        }
        refocus();
        QCOMPARE(accepted(), 0);
        QCOMPARE(listed(), 5);

        // The administrator grants both meanwhile: the next commands act, with no F5 between.
        auto admin = m_t->connectAgain();
        for (int right : {Security::Right::DeleteBusinessOffer, Security::Right::ApproveBusinessOffer}) {
            admin->exec(u"insert into CRM_SECURITY (SC_ID, SC_DESCR) values (?, ?) on conflict do nothing"_s,
                        {right, QString::number(right)});
            admin->exec(u"insert into CRM_USERS_SECURITY (USC_SC_ID, USC_US_ID) values (?, ?)"_s, {right, me});
        }
        w->action(u"actApprove"_s)->trigger();
        QCOMPARE(accepted(), 1);
        w->action(u"actMark"_s)->trigger();
        QCOMPARE(m_t->db().scalar(u"select bof_otmetka from scm_business_offer where bof_id = ?"_s, {m_offers[1]}).toInt(), 1);

        // Taken away again: refused at once, nothing written.
        admin->exec(u"delete from CRM_USERS_SECURITY where USC_SC_ID = ? and USC_US_ID = ?"_s,
                    {Security::Right::ApproveBusinessOffer, me});
        {
            Test::BoxAnswers answers({QMessageBox::Ok});
            w->action(u"actApprove"_s)->trigger();
            QCOMPARE(answers.texts.size(), 1);
            QVERIFY(answers.texts[0].contains(u"(100010)"_s));
        }
        refocus();
        QCOMPARE(accepted(), 1);

        // Cancel keeps the request; OK deletes it and the next one becomes current.
        {
            Test::BoxAnswers answers({QMessageBox::Cancel});
            QTest::keyClick(w->grid(), Qt::Key_Delete, Qt::ControlModifier);
            QCOMPARE(answers.texts, QStringList{u"Удалить заявку?"_s});
        }
        refocus();
        QCOMPARE(w->list().recordCount(), 5);
        {
            Test::BoxAnswers answers({QMessageBox::Ok});
            w->action(u"actDelete"_s)->trigger();
            QCOMPARE(answers.texts, QStringList{u"Удалить заявку?"_s});
        }
        QCOMPARE(w->list().recordCount(), 4);
        QCOMPARE(w->list().currentOffer(), m_offers[2]);
        QCOMPARE(m_t->db().scalar(u"select count(*) from scm_business_offer where bof_id = ?"_s, {m_offers[1]}).toInt(), 0);
    }

    void refusedDeleteSaysWhy()
    {
        useRights({Security::Right::DeleteBusinessOffer});
        Test::ListFixture& f = *m_f;
        const qint64 supplier = f.partner(u"S1"_s, u"Поставщик"_s);
        const qint64 p = f.product(u"P1"_s);
        const qint64 suo = f.order(supplier);
        f.line(m_offers[0], p, 2);
        const auto inv = f.invoice(supplier, false);
        f.shipped(m_offers[0], p, suo, inv, 2);
        f.received(m_offers[0], p, suo, inv, 2);
        TviewBusinesOffers* w = openRegister();
        QVERIFY(w);
        Test::BoxAnswers answers({QMessageBox::Ok, QMessageBox::Ok});
        w->action(u"actDelete"_s)->trigger();
        QCOMPARE(answers.texts, (QStringList{u"Удалить заявку?"_s,
                                             u"Товар доставлен. Существуют приходные накладные\r\nУдаление заявки невозможно"_s}));
        QCOMPARE(w->list().recordCount(), 5);
        QCOMPARE(w->list().currentOffer(), m_offers[0]);
    }

    void filtersAndNoticesReopenTheList()
    {
        TviewBusinesOffers* w = openRegister();
        QVERIFY(w);
        QTest::keyClick(w->grid(), Qt::Key_Down);
        QTest::keyClick(w->grid(), Qt::Key_Down);
        QTest::keyClick(w->grid(), Qt::Key_Down);
        QCOMPARE(w->list().currentOffer(), m_offers[3]);
        m_t->db().exec(u"update scm_business_offer set bof_otmetka = 1 where bof_id in (?, ?)"_s,
                       {m_offers[1], m_offers[3]});
        Otbor::TMarkedOtbor* mark = Otbor::TGlobalOtbors::instance().mark(Otbor::OtborVar::OfferMark);
        mark->setValue(true);
        mark->setActive(true);
        QTRY_COMPARE(w->list().recordCount(), 2);
        QCOMPARE(w->windowTitle(), u"Заявка покупателя отмеченные"_s);
        QCOMPARE(w->list().currentOffer(), m_offers[3]);
        mark->setActive(false);
        QTRY_COMPARE(w->list().recordCount(), 5);
        QCOMPARE(w->windowTitle(), u"Заявка покупателя"_s);

        // Refresh mode: a notice re-reads and keeps the current request.
        auto& notices = Messaging::TMessageServer::instance();
        const qint64 added = Test::ListFixture{*m_t->connectAgain()}.request(m_buyer);
        notices.receive(Messaging::ChangeEvents::BusinessOffers);
        notices.flush();
        QCOMPARE(w->list().recordCount(), 6);
        QCOMPARE(w->list().currentOffer(), m_offers[3]);
        QVERIFY(w->statusText().isEmpty());
        // Message mode: the window says so without a box and without reading.
        notices.setUpdateMode(Messaging::IChangeReceiver::ShowMessage);
        m_t->db().exec(u"delete from scm_business_offer where bof_id = ?"_s, {added});
        notices.receive(Messaging::ChangeEvents::BusinessOffers);
        notices.flush();
        QVERIFY(!QApplication::activeModalWidget());
        QVERIFY(!w->statusText().isEmpty());
        QCOMPARE(w->list().recordCount(), 6);
        QTest::keyClick(w->grid(), Qt::Key_F5);
        QCOMPARE(w->list().recordCount(), 5);
        QVERIFY(w->statusText().isEmpty());
    }

    void functionsSayWhatIsMissing()
    {
        TviewBusinesOffers* w = openRegister();
        QVERIFY(w);
        Test::BoxAnswers answers({QMessageBox::Ok, QMessageBox::Ok, QMessageBox::Ok});
        for (const char* name : {"actFormOrders", "actProcessOffer", "actChooseSuppliers"})
            w->action(QLatin1String(name))->trigger();
        QCOMPARE(answers.texts.size(), 3);
        QCOMPARE(answers.texts[0], u"Не зарегистрировано действие для формирования заказов"_s);
        QCOMPARE(answers.texts[1], u"Не зарегистрировано действие для обработки заявки"_s);
        QCOMPARE(answers.texts[2], u"Нет заявок для составления заказов"_s); // none approved here
    }

    void urgencyIsSetByCtrlH()
    {
        const qint64 urgent = m_t->db().insertReturning(
            u"insert into SCM_Library_Urgency (Name, Priority) values (?, 1)"_s, u"Urgency_ID"_s, {u"Срочно"_s});
        TviewBusinesOffers* w = openRegister();
        QVERIFY(w);
        QTest::keyClick(w->grid(), Qt::Key_Down);
        bool shown = false;
        Test::whenModal<TSet_Urgency_Level_>([&](TSet_Urgency_Level_* d) {
            shown = true;
            QComboBox* box = d->urgencyBox();
            box->setCurrentIndex(box->findText(u"Срочно"_s));
            QTest::keyClick(box, Qt::Key_Return);
        });
        QTest::keyClick(w->grid(), Qt::Key_H, Qt::ControlModifier);
        QVERIFY(shown);
        QCOMPARE(m_t->db().scalar(u"select Urgency_ID from scm_business_offer where bof_id = ?"_s, {m_offers[1]})
                     .toLongLong(),
                 urgent);
        QCOMPARE(w->list().currentOffer(), m_offers[1]);
        QCOMPARE(w->list().string(u"Urgency_Name"_s), u"Срочно"_s);
        // Esc leaves the request as it was.
        Test::whenModal<TSet_Urgency_Level_>([](TSet_Urgency_Level_* d) { QTest::keyClick(d, Qt::Key_Escape); });
        QTest::keyClick(w->grid(), Qt::Key_H, Qt::ControlModifier);
        QCOMPARE(w->list().string(u"Urgency_Name"_s), u"Срочно"_s);
    }

    void menuItemOpensTheRegisterInTheMainWindow()
    {
        Shell::MainWindow main(Shell::CommandLineSwitches({u"tarvo-scm"_s}));
        main.show();
        registerOfferRegister();
        main.refreshMenus();
        QAction* item = main.menuItem(u"itemBusinessOffers"_s);
        QVERIFY(item->isEnabled());
        item->trigger();
        QMdiSubWindow* sub = main.mdiArea()->activeSubWindow();
        QVERIFY(sub);
        auto* w = qobject_cast<TviewBusinesOffers*>(sub->widget());
        QVERIFY(w);
        QCOMPARE(w->list().recordCount(), 5);
        // A second activation shows the same window, back from the minimised state.
        sub->showMinimized();
        item->trigger();
        QCOMPARE(main.mdiArea()->subWindowList().size(), 1);
        QVERIFY(!sub->isMinimized());
        sub->close();
    }

    void rowColoursFollowTheFlags()
    {
        QPalette p;
        using D = OfferListDelegate;
        QCOMPARE(D::look(true, false, false, p).text, QColor(Qt::black));
        QCOMPARE(D::look(false, false, false, p).text, QColor(Qt::red));
        QVERIFY(!D::look(true, false, false, p).background.isValid());
        QCOMPARE(D::look(false, true, false, p).background, QColor(0, 255, 255));
        QCOMPARE(D::look(true, false, true, p).background, p.color(QPalette::Highlight));
        QCOMPARE(D::look(false, false, true, p).background, QColor(128, 0, 0));
        QCOMPARE(D::look(true, true, true, p).background, QColor(128, 0, 0));
        QCOMPARE(D::look(true, true, true, p).text, p.color(QPalette::HighlightedText));
    }
};

QTEST_MAIN(OfferRegisterWindowTest)
#include "tst_tviewbusinesoffers.moc"
