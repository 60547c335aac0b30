#include "core/apppaths.h"
#include "shell/formactivationregistry.h"
#include "shell/menumnemonics.h"
#include "shell/qttranslation.h"
#include "shell/programparameters.h"
#include "shell/tformsfile.h"
#include "shell/ui/mainwindow.h"
#include "shell/ui/taboutform.h"
#include "shell/ui/menuhooks.h"
#include "shell/ui/tdmallbuttons.h"
#include "shell/ui/tfstatusmessage.h"
#include "shell/ui/thostform.h"
#include "shell/ui/tnetintervaldlg.h"
#include "shell/ui/tsaveform.h"
#include "shell/ui/tsetupdialog.h"
#include "shell/ui/tstatusmessage.h"
#include "shell/ui/twindowactivator.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLineEdit>
#include <QRadioButton>
#include <QTranslator>
#include <QLabel>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QMessageBox>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include "support/testenvironment.h"

#include "support/widgetdriver.h"

#include <QtTest>

using namespace Tarvo;
using namespace Tarvo::Shell;

namespace {

// One line per menu entry: "Menu/Item", "Menu/-" for a separator, "(hidden)" suffix when not visible.
QStringList describe(const QList<QAction*>& actions, const QString& prefix)
{
    QStringList r;
    for (QAction* a : actions) {
        const QString caption = a->text().remove(QLatin1Char('&'));
        const QString path = prefix.isEmpty() ? caption : prefix + QLatin1Char('/') + caption;
        if (a->isSeparator()) {
            r << prefix + QStringLiteral("/-");
            continue;
        }
        r << path + (a->isVisible() ? QString() : QStringLiteral(" (hidden)"));
        if (a->menu())
            r << describe(a->menu()->actions(), path);
    }
    return r;
}

// Answers the next modal dialog once it is up, with `act` on the dialog.
using Test::clickButton;
using Test::whenModal;

class TPlacedForm : public TSaveForm
{
    Q_OBJECT
public:
    // Frameless: the offscreen platform moves framed windows by their frame width.
    TPlacedForm() : TSaveForm(nullptr, Qt::FramelessWindowHint) { resize(200, 150); }
};

const QStringList TableOfMenus{
    "Справочники",
    "Справочники/Прайс-листы поставщиков",
    "Справочники/Условия поставки (Виды цен)...",
    "Справочники/Производители...",
    "Справочники/Станции отправления...",
    "Справочники/Грузоотправители...",
    "Справочники/Этапы...",
    "Справочники/Группы эквивалентов...",
    "Справочники/Контрагенты (hidden)",
    "Справочники/Организации",
    "Справочники/Типы срочности документов",
    "Справочники/Справочник валют",
    "Справочники/-",
    "Справочники/Назначения товаров",
    "Справочники/-",
    "Справочники/Прием товаров из склада в каталог товаров",
    "Реестры",
    "Реестры/Заявки покупателей",
    "Реестры/Заказы поставщику",
    "Реестры/Подтвержденные заказы",
    "Реестры/Доставка",
    "Реестры/Доставка/Посылки",
    "Реестры/Доставка/Инвойсы",
    "Реестры/Доставка/Транспорты",
    "Реестры/-",
    "Реестры/Счета поставщиков",
    "Реестры/Платежи",
    "Документы",
    "Документы/Заявка покупателя",
    "Документы/Заказ поставщику",
    "Документы/Посылка/Инвойс",
    "Отборы",
    "Отчеты",
    "Отчеты/Отчет по товарам (активные документы)",
    "Отчеты/Отчет по заказам",
    "Отчеты/Расчет с поставщиками",
    "Отчеты/-",
    "Отчеты/Разработка отчетов (hidden)",
    "Отчеты/Выполнение отчетов (hidden)",
    "Настройка",
    "Настройка/Настройка действий программы",
    "Настройка/Настройка модулей расширения",
    "Настройка/Импорты прайс-листов поставщиков",
    "Настройка/-",
    "Настройка/Настройка параметров модулей расширения",
    "Настройка/-",
    "Настройка/Пользователи",
    "Настройка/Права доступа",
    "Настройка/-",
    "Настройка/Параметры программы",
    "Настройка/Настройка имен колонок",
    "Настройка/Обновления реестров",
    "Действия",
    "Действия/Заказ под свободную продажу",
    "Действия/Заказ под свободную продажу/Расчет оптимального заказа",
    "Действия/Заказ под свободную продажу/Анализ продаж по неделям",
    "Действия/Заказ под свободную продажу/Анализ продаж по неделям/Заказ товаров",
    "Действия/Заказ под свободную продажу/Анализ продаж по неделям/Дозаказ товаров",
    "Действия/-",
    "Действия/Импорт заказа из файла",
    "Действия/Разбор прайс-листов",
    "Действия/-",
    "Действия/Выполнение простых модулей",
    "Помощь",
    "Помощь/О программе...",
    "Выход",
    "rt (hidden)",
    "rt/контрагенты",
    "rt/контрагенты/Выбор одного",
    "rt/контрагенты/Выбор нескольких",
    "rt/титпы срочности",
    "rt/титпы срочности/Выбор одного",
    "rt/титпы срочности/Выбор нескольких",
};

} // namespace

class MainWindowTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        Test::isolateUserFolders(m_home.path());
    }

    void cleanup()
    {
        FormActivationRegistry::instance().clear();
        MenuHooks::clear();
    }

    void menuFollowsTheTable()
    {
        MainWindow w(CommandLineSwitches({QStringLiteral("tarvo-scm")}));
        QCOMPARE(w.windowTitle(), QStringLiteral("Управление цепочками поставок"));
        QCOMPARE(describe(w.menuBar()->actions(), QString()), TableOfMenus);
    }

    void adminModeShowsCounterpartiesAndTestMenu()
    {
        MainWindow w(CommandLineSwitches({QStringLiteral("tarvo-scm"), QStringLiteral("/Admin")}));
        QStringList expected = TableOfMenus;
        expected.replaceInStrings(QStringLiteral("Контрагенты (hidden)"), QStringLiteral("Контрагенты"));
        expected.replaceInStrings(QStringLiteral("rt (hidden)"), QStringLiteral("rt"));
        QCOMPARE(describe(w.menuBar()->actions(), QString()), expected);
    }

    void itemsWithoutWindowsAreDisabledUntilTheirFeatureRegisters()
    {
        MainWindow w(CommandLineSwitches({QStringLiteral("x")}));
        QVERIFY(!w.menuItem(QStringLiteral("itemForeignPrice"))->isEnabled());
        QVERIFY(!w.menuItem(QStringLiteral("itemBusinessOffers"))->isEnabled());
        QVERIFY(w.menuItem(QStringLiteral("itemSetup"))->isEnabled());
        QVERIFY(w.menuItem(QStringLiteral("itemAbout"))->isEnabled());

        int opened = 0;
        MenuHooks::setHandler(QStringLiteral("itemForeignPrice"), [&] { ++opened; });
        MenuHooks::setHandler(QStringLiteral("itemUsers"), [&] { ++opened; });
        MenuHooks::setRightsCheck([](int right) { return right != 100003; });
        MenuHooks::setTableCaption([](const QString& table) {
            return table == QLatin1String("bof_headers") ? QStringLiteral("Заявки клиентов") : QString();
        });
        w.refreshMenus();
        QVERIFY(w.menuItem(QStringLiteral("itemForeignPrice"))->isEnabled());
        QVERIFY(!w.menuItem(QStringLiteral("itemUsers"))->isEnabled()); // no right 100003
        const auto caption = [&](const char* key) {
            return MenuMnemonics::plain(w.menuItem(QLatin1String(key))->text());
        };
        QCOMPARE(caption("itemBusinessOffers"), QStringLiteral("Заявки клиентов"));
        QCOMPARE(caption("itemNewBusinessOffer"), QStringLiteral("Заявки клиентов"));
        QCOMPARE(caption("itemNewSupplierOrder"), QStringLiteral("Заказ поставщику"));
        w.menuItem(QStringLiteral("itemForeignPrice"))->trigger();
        QCOMPARE(opened, 1);
    }

    void closeAsksAndOnlyOkCloses()
    {
        MainWindow w(CommandLineSwitches({QStringLiteral("x")}));
        w.show();
        QString asked;
        whenModal<QMessageBox>([&](QMessageBox* box) {
            asked = box->text();
            box->button(QMessageBox::Cancel)->click();
        });
        QVERIFY(!w.close());
        QCOMPARE(asked, QStringLiteral("Вы хотите выйти из программы ?"));
        QVERIFY(w.isVisible());

        // Esc is "Cancel"; "Выход" goes through the same question, and Enter is "OK".
        whenModal<QMessageBox>([](QMessageBox* box) {
            QVERIFY(QTest::qWaitForWindowActive(box));
            QTest::keyClick(Test::focused(), Qt::Key_Escape);
        });
        QVERIFY(!w.close());
        QVERIFY(w.isVisible());
        whenModal<QMessageBox>([](QMessageBox* box) {
            QVERIFY(QTest::qWaitForWindowActive(box));
            QTest::keyClick(Test::focused(), Qt::Key_Return);
        });
        w.menuItem(QStringLiteral("itemExit"))->trigger();
        QVERIFY(!w.isVisible());
    }

    void setupDialogWritesAndRereadsScmCfg()
    {
        MainWindow w(CommandLineSwitches({QStringLiteral("x")}));
        whenModal<TSetupDialog>([](TSetupDialog* d) {
            QCOMPARE(d->windowTitle(), QStringLiteral("Настройка"));
            d->quantityDecimals()->setValue(3);
            d->roubleDecimals()->setValue(0);
            d->currencyDecimals()->setValue(9); // beyond the range: stays at 4
            d->paintOrdersInColor()->setChecked(true);
            clickButton(d, QStringLiteral("Ok"));
        });
        w.menuItem(QStringLiteral("itemSetup"))->trigger();
        const ProgramParameters p = ProgramParameters::readFrom(AppPaths::userFolder() + "scm_cfg.ini");
        QCOMPARE(p.quantityDecimals, 3);
        QCOMPARE(p.roubleDecimals, 0);
        QCOMPARE(p.currencyDecimals, 4);
        QVERIFY(p.paintOrdersInColor);
        QVERIFY(!p.paritetImportArtc);
        QCOMPARE(ProgramParameters::current(), p);

        // The dialog shows the current values; "Отмена" changes nothing.
        whenModal<TSetupDialog>([](TSetupDialog* d) {
            QCOMPARE(d->quantityDecimals()->value(), 3);
            QVERIFY(d->paintOrdersInColor()->isChecked());
            d->quantityDecimals()->setValue(1);
            clickButton(d, QStringLiteral("Отмена"));
        });
        w.menuItem(QStringLiteral("itemSetup"))->trigger();
        QCOMPARE(ProgramParameters::readFrom(AppPaths::userFolder() + "scm_cfg.ini").quantityDecimals, 3);
    }

    void refreshPeriodZeroStopsTheTimer()
    {
        MainWindow w(CommandLineSwitches({QStringLiteral("x")}));
        QVERIFY(w.refreshTimer()->isActive());
        QCOMPARE(w.refreshTimer()->interval(), 1000);
        whenModal<TNetIntervalDlg>([](TNetIntervalDlg* d) {
            QCOMPARE(d->windowTitle(), QStringLiteral("Настройка обновлений"));
            QCOMPARE(d->periodBox()->value(), 1);
            d->periodBox()->setValue(0);
            clickButton(d, QStringLiteral("&Обновлять окна"));
            clickButton(d, QStringLiteral("OK"));
        });
        w.menuItem(QStringLiteral("itemNetInterval"))->trigger();
        QVERIFY(!w.refreshTimer()->isActive());
        QCOMPARE(w.refreshMode(), int(TNetIntervalDlg::RefreshWindows));

        whenModal<TNetIntervalDlg>([](TNetIntervalDlg* d) {
            d->periodBox()->setValue(30);
            clickButton(d, QStringLiteral("OK"));
        });
        w.menuItem(QStringLiteral("itemNetInterval"))->trigger();
        QVERIFY(w.refreshTimer()->isActive());
        QCOMPARE(w.refreshTimer()->interval(), 30000);
    }

    void setupDialogIsUsedByKeyboard()
    {
        MainWindow w(CommandLineSwitches({QStringLiteral("x")}));
        w.show();
        const QString cfg = AppPaths::userFolder() + QStringLiteral("scm_cfg.ini");
        // Type a value, Tab past "Отмена" and press Enter: the dialog is confirmed.
        whenModal<TSetupDialog>([](TSetupDialog* d) {
            QVERIFY(QTest::qWaitForWindowActive(d));
            QCOMPARE(Test::focused(), d->quantityDecimals()); // the first field
            QSpinBox* spin = d->quantityDecimals();
            QVERIFY2(spin->width() <= spin->sizeHint().width() && spin->width() < d->width() / 3,
                     qPrintable(QString::number(spin->width())));
            Test::checkTabReachesEveryControl(d);
            QVERIFY(Test::tabTo(spin));
            QTest::keyClick(spin, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(spin, QStringLiteral("1"));
            QWidget* cancel = Test::button(d, QStringLiteral("Отмена"));
            QVERIFY(Test::tabTo(cancel));
            QTest::keyClick(cancel, Qt::Key_Tab);
            QVERIFY(Test::focused() != cancel);
            QTest::keyClick(Test::focused(), Qt::Key_Return);
        });
        w.menuItem(QStringLiteral("itemSetup"))->trigger();
        QCOMPARE(ProgramParameters::readFrom(cfg).quantityDecimals, 1);

        // Enter on "Отмена" itself still means "Ok".
        whenModal<TSetupDialog>([](TSetupDialog* d) {
            QVERIFY(QTest::qWaitForWindowActive(d));
            QTest::keyClick(d->quantityDecimals(), Qt::Key_Up);
            QVERIFY(Test::tabTo(Test::button(d, QStringLiteral("Отмена"))));
            QTest::keyClick(Test::focused(), Qt::Key_Return);
        });
        w.menuItem(QStringLiteral("itemSetup"))->trigger();
        QCOMPARE(ProgramParameters::readFrom(cfg).quantityDecimals, 2);

        // Esc cancels.
        whenModal<TSetupDialog>([](TSetupDialog* d) {
            QVERIFY(QTest::qWaitForWindowActive(d));
            QTest::keyClick(d->quantityDecimals(), Qt::Key_Up);
            QTest::keyClick(Test::focused(), Qt::Key_Escape);
        });
        w.menuItem(QStringLiteral("itemSetup"))->trigger();
        QCOMPARE(ProgramParameters::readFrom(cfg).quantityDecimals, 2);
    }

    void refreshDialogIsUsedByKeyboard()
    {
        MainWindow w(CommandLineSwitches({QStringLiteral("x")}));
        w.show();
        whenModal<TNetIntervalDlg>([](TNetIntervalDlg* d) {
            QVERIFY(QTest::qWaitForWindowActive(d));
            auto* message = qobject_cast<QRadioButton*>(Test::focused());
            QVERIFY(message && message->isChecked());
            QVERIFY(d->periodBox()->width() <= d->periodBox()->sizeHint().width());
            Test::checkTabReachesEveryControl(d);
            QVERIFY(Test::tabTo(message));
            QTest::keyClick(message, Qt::Key_Down); // the other choice
            QVERIFY(Test::tabTo(d->periodBox()));
            QTest::keyClick(d->periodBox(), Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(d->periodBox(), QStringLiteral("7"));
            QTest::keyClick(d->periodBox(), Qt::Key_Tab);
            QTest::keyClick(Test::focused(), Qt::Key_Return);
        });
        w.menuItem(QStringLiteral("itemNetInterval"))->trigger();
        QCOMPARE(w.refreshMode(), int(TNetIntervalDlg::RefreshWindows));
        QCOMPARE(w.refreshTimer()->interval(), 7000);

        // It opens on the checked choice; Esc changes nothing.
        whenModal<TNetIntervalDlg>([](TNetIntervalDlg* d) {
            QVERIFY(QTest::qWaitForWindowActive(d));
            auto* refresh = qobject_cast<QRadioButton*>(Test::focused());
            QVERIFY(refresh && refresh->isChecked());
            QVERIFY(refresh->text().contains(QStringLiteral("Обновлять")));
            QTest::keyClick(refresh, Qt::Key_Up);
            QTest::keyClick(Test::focused(), Qt::Key_Escape);
        });
        w.menuItem(QStringLiteral("itemNetInterval"))->trigger();
        QCOMPARE(w.refreshMode(), int(TNetIntervalDlg::RefreshWindows));
    }

    void aboutBoxClosesWithEnterAndEsc()
    {
        MainWindow w(CommandLineSwitches({QStringLiteral("x")}));
        w.show();
        for (const Qt::Key key : {Qt::Key_Return, Qt::Key_Escape}) {
            bool open = false;
            whenModal<TAboutForm>([&](TAboutForm* d) {
                QVERIFY(QTest::qWaitForWindowActive(d));
                open = true;
                Test::checkTabReachesEveryControl(d);
                QTest::keyClick(Test::focused(), key);
            });
            w.menuItem(QStringLiteral("itemAbout"))->trigger();
            QVERIFY(open);
            QVERIFY(!QApplication::activeModalWidget());
        }
    }

    void everyMenuHasUniqueAltLetters()
    {
        MainWindow w(CommandLineSwitches({QStringLiteral("x"), QStringLiteral("-admin")}));
        MenuHooks::setTableCaption([](const QString& table) {
            return table == QLatin1String("su_orders") ? QStringLiteral("Заказы & поставки") : QString();
        });
        w.refreshMenus();
        QList<QList<QAction*>> menus{w.menuBar()->actions()};
        for (QMenu* m : w.menuBar()->findChildren<QMenu*>())
            menus << m->actions();
        for (const QList<QAction*>& items : std::as_const(menus)) {
            QSet<QChar> letters;
            for (QAction* a : items) {
                if (a->isSeparator())
                    continue;
                const QChar m = MenuMnemonics::mnemonic(a->text());
                QVERIFY2(!m.isNull(), qPrintable(a->text()));
                QVERIFY2(!letters.contains(m), qPrintable(a->text()));
                letters.insert(m);
            }
        }
        QCOMPARE(w.menu(QStringLiteral("menuReferences"))->title(), QStringLiteral("&Справочники"));
    }

    void registerWindowsComeBackFromMinimised()
    {
        MainWindow w(CommandLineSwitches({QStringLiteral("x")}));
        w.show();
        int created = 0;
        auto factory = [&] {
            ++created;
            return new QLabel(QStringLiteral("реестр"));
        };
        auto* offers = new TWindowActivator(113, factory, TWindowActivator::Restore::ToNormal);
        auto* accepted = new TWindowActivator(215, factory, TWindowActivator::Restore::ShowOnly);
        FormActivationRegistry::instance().add(std::unique_ptr<TFormActivation>(offers));
        FormActivationRegistry::instance().add(std::unique_ptr<TFormActivation>(accepted));
        w.refreshMenus();
        QVERIFY(w.menuItem(QStringLiteral("itemBusinessOffers"))->isEnabled());
        QVERIFY(!w.menuItem(QStringLiteral("itemSupplierOrders"))->isEnabled());

        w.menuItem(QStringLiteral("itemBusinessOffers"))->trigger();
        QCOMPARE(created, 1);
        QCOMPARE(w.mdiArea()->subWindowList().size(), 1);
        offers->frame()->showMinimized();
        QVERIFY(offers->frame()->isMinimized());
        w.menuItem(QStringLiteral("itemBusinessOffers"))->trigger();
        QCOMPARE(created, 1); // one instance per register
        QVERIFY(!offers->frame()->isMinimized());

        w.menuItem(QStringLiteral("itemAcceptedOrders"))->trigger();
        accepted->frame()->showMinimized();
        w.menuItem(QStringLiteral("itemAcceptedOrders"))->trigger();
        QCOMPARE(created, 2);
        QVERIFY(accepted->frame()->isMinimized()); // 215 only shows its window

        // An unregistered number is a silent cancel.
        w.menuItem(QStringLiteral("itemSupplierOrders"))->trigger();
        QCOMPARE(w.mdiArea()->subWindowList().size(), 2);
        w.mdiArea()->closeAllSubWindows();
    }

    void placementSurvivesRestartIncludingOffLeftEdge()
    {
        {
            TPlacedForm f;
            f.setGeometry(-60, 40, 320, 210);
            f.show();
            QVERIFY(QTest::qWaitForWindowExposed(&f));
            QCOMPARE(f.geometry(), QRect(-60, 40, 320, 210));
            f.close();
        }
        QCOMPARE(TFormsFile().readString(QStringLiteral("DESKTOP"), QStringLiteral("TPlacedForm")),
                 QStringLiteral("-60 40 320 210 0"));
        {
            TPlacedForm f;
            f.show();
            QCOMPARE(f.geometry(), QRect(-60, 40, 320, 210));
        }

        // A damaged value leaves the designed size alone.
        TFormsFile().writeString(QStringLiteral("DESKTOP"), QStringLiteral("TPlacedForm"),
                                 QStringLiteral("1 2 x"));
        TPlacedForm f;
        f.setSizeable(true);
        f.show();
        QCOMPARE(f.size(), QSize(200, 150));
    }

    void mdiPlacementKeepsTheNormalRectangle()
    {
        MainWindow w(CommandLineSwitches({QStringLiteral("x")}));
        w.resize(1200, 860);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        const auto openChild = [&] {
            auto* form = new TPlacedForm;
            form->setAttribute(Qt::WA_DeleteOnClose);
            QMdiSubWindow* sub = w.mdiArea()->addSubWindow(form);
            sub->setAttribute(Qt::WA_DeleteOnClose);
            sub->show();
            return sub;
        };
        for (const int state : {FormPlacement::Maximized, FormPlacement::Minimized}) {
            QMdiSubWindow* sub = openChild();
            sub->setGeometry(30, 40, 420, 310);
            if (state == FormPlacement::Maximized)
                sub->showMaximized();
            else
                sub->showMinimized();
            QVERIFY(sub->size() != QSize(420, 310));
            sub->close();
            QCOMPARE(TFormsFile().readString(QStringLiteral("DESKTOP"), QStringLiteral("TPlacedForm")),
                     QStringLiteral("30 40 420 310 %1").arg(state));

            // Back in the same state, and "restore" gives the saved rectangle.
            QMdiSubWindow* again = openChild();
            QCOMPARE(again->isMaximized(), state == FormPlacement::Maximized);
            QCOMPARE(again->isMinimized(), state == FormPlacement::Minimized);
            again->showNormal();
            QCOMPARE(again->geometry(), QRect(30, 40, 420, 310));
            again->close();
        }
    }

    void qtTextsAreRussian()
    {
        QVERIFY(QtTranslation::install());
        const auto remove = qScopeGuard([] {
            for (QTranslator* t : qApp->findChildren<QTranslator*>())
                QCoreApplication::removeTranslator(t);
        });
        QDialogButtonBox box(QDialogButtonBox::Cancel | QDialogButtonBox::Yes);
        QCOMPARE(box.button(QDialogButtonBox::Cancel)->text().remove(QLatin1Char('&')), QStringLiteral("Отмена"));
        QLineEdit edit(QStringLiteral("текст"));
        std::unique_ptr<QMenu> menu(edit.createStandardContextMenu());
        QStringList items;
        for (QAction* a : menu->actions())
            items << a->text().remove(QLatin1Char('&'));
        QVERIFY2(items.join(QLatin1Char(',')).contains(QStringLiteral("Копировать")), qPrintable(items.join(',')));
    }

    void hostFormShowsOnePageAtATime()
    {
        THostForm host;
        auto* first = new QLabel(QStringLiteral("первая"));
        auto* second = new QLabel(QStringLiteral("вторая"));
        host.host(first);
        host.host(second);
        host.show();
        QCOMPARE(host.currentPage(), second);
        QVERIFY(second->isVisible());
        QVERIFY(!first->isVisible());
        host.host(first);
        QCOMPARE(host.pages().size(), 2);
        QVERIFY(first->isVisible());
        QVERIFY(!second->isVisible());
        host.hide();
        QVERIFY(!first->isVisible());
        host.show();
        QVERIFY(first->isVisible());
    }

    void statusMessageUpdatesAtOnce()
    {
        TStatusMessage status;
        status.setCaption(QStringLiteral("Импорт прайс-листа"));
        status.setStatus(QStringLiteral("Чтение файла"));
        status.setStatus1(QStringLiteral("строка 10"));
        status.setMaximum(500);
        status.setPosition(10);
        status.show();
        TfStatusMessage* w = status.window();
        QCOMPARE(w->windowTitle(), QStringLiteral("Импорт прайс-листа"));
        QCOMPARE(w->lStatus->text(), QStringLiteral("Чтение файла"));
        QCOMPARE(w->lStatus1->text(), QStringLiteral("строка 10"));
        QCOMPARE(w->sb->maximum(), 500);
        QCOMPARE(w->sb->value(), 10);
        QVERIFY(w->width() >= 377 && w->height() >= 91);
        QVERIFY(!(w->windowFlags() & Qt::WindowCloseButtonHint));
    }

    void everyToolbarActionHasAnIcon()
    {
        for (int a = TdmAllButtons::New; a <= TdmAllButtons::Help; ++a)
            QVERIFY2(
                !TdmAllButtons::icon(TdmAllButtons::Action(a)).pixmap(TdmAllButtons::smallSize()).isNull(),
                qPrintable(QString::number(a)));
    }

    // The menu drops down under its title; TARVO_SCREENSHOT=<file> saves the picture.
    void openMenuDropsUnderItsTitle()
    {
        MainWindow w(CommandLineSwitches({QStringLiteral("x"), QStringLiteral("-admin")}));
        MenuHooks::setHandler(QStringLiteral("itemForeignPrice"), [] {});
        w.resize(1000, 640);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QMenu* setup = w.menu(QStringLiteral("menuSetup"));
        const QRect title = w.menuBar()->actionGeometry(setup->menuAction());
        w.menuBar()->setActiveAction(setup->menuAction());
        QTRY_VERIFY(setup->isVisible());
        const QPoint at = w.mapFromGlobal(setup->pos());
        QCOMPARE(at.x(), w.menuBar()->mapTo(&w, title.bottomLeft()).x());
        QVERIFY(at.y() >= w.menuBar()->geometry().bottom() - 2);

        QImage image = w.grab().toImage();
        {
            QPainter painter(&image);
            painter.drawPixmap(at, setup->grab());
        }
        QVERIFY(!image.isNull());
        const QString file = qEnvironmentVariable("TARVO_SCREENSHOT");
        if (!file.isEmpty())
            QVERIFY(image.save(file));
        setup->hide();
    }

private:
    QTemporaryDir m_home;
};

QTEST_MAIN(MainWindowTest)
#include "tst_mainwindow.moc"
