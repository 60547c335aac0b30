#include "shell/ui/mainwindow.h"

#include "data/engine/database.h"
#include "shell/formactivationregistry.h"
#include "shell/menumnemonics.h"
#include "shell/ui/menuhooks.h"
#include "shell/ui/taboutform.h"
#include "shell/ui/tfrmparams.h"
#include "shell/ui/tnetintervaldlg.h"
#include "shell/ui/tsetupdialog.h"
#include "widgets/fieldnames.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMdiArea>
#include <QMenuBar>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

namespace Tarvo::Shell {

namespace {
MainWindow* g_instance = nullptr;

const char* const FormTypeProperty = "tarvoFormType";
const char* const BuiltinProperty = "tarvoBuiltin";

constexpr int RightUsers = 100003;
constexpr int RightSecurity = 100002;
constexpr int ReportGroup = 1001;

// Gives the items of one menu (or the menu bar) unique Alt-letters.
void assignMnemonics(const QList<QAction*>& actions)
{
    QList<QAction*> items;
    QStringList captions;
    for (QAction* a : actions)
        if (!a->isSeparator()) {
            items << a;
            captions << a->text();
        }
    const QStringList marked = MenuMnemonics::assign(captions);
    for (int i = 0; i < items.size(); ++i)
        if (items[i]->text() != marked[i])
            items[i]->setText(marked[i]);
}

// The main connection, or nullptr before connecting.
Data::Database* connection()
{
    try {
        return Data::Database::main();
    } catch (const Exception&) {
        return nullptr;
    }
}
} // namespace

const QString MainWindow::ExitQuestion = QStringLiteral("Вы хотите выйти из программы ?");

MainWindow::MainWindow(const CommandLineSwitches& switches, QWidget* parent)
    : QMainWindow(parent), m_mdi(new QMdiArea(this)), m_switches(switches), m_refreshTimer(new QTimer(this))
{
    g_instance = this;
    // Every window opened from here names its labelled fields by their labels.
    Widgets::FieldNames::install();
    setWindowTitle(QStringLiteral("Управление цепочками поставок"));
    setCentralWidget(m_mdi);
    buildMenu();
    connect(m_refreshTimer, &QTimer::timeout, this, [this] { MenuHooks::refreshTick(m_refreshMode); });
    m_refreshTimer->start(1000);
}

MainWindow::~MainWindow()
{
    if (g_instance == this)
        g_instance = nullptr;
}

MainWindow* MainWindow::instance()
{
    return g_instance;
}

QMenu* MainWindow::addMenu(QMenu* parent, const QString& key, const QString& caption)
{
    QMenu* m = parent ? parent->addMenu(caption) : menuBar()->addMenu(caption);
    m->setObjectName(key);
    m->menuAction()->setObjectName(key);
    if (!parent)
        connect(m, &QMenu::aboutToShow, this, &MainWindow::refreshMenus);
    return m;
}

QAction* MainWindow::addItem(QMenu* menu, const QString& key, const QString& caption, int formType)
{
    QAction* a = menu ? menu->addAction(caption) : menuBar()->addAction(caption);
    a->setObjectName(key);
    if (formType)
        a->setProperty(FormTypeProperty, formType);
    connect(a, &QAction::triggered, this, [this, a] { run(a); });
    return a;
}

QAction* MainWindow::addBuiltin(QMenu* menu, const QString& key, const QString& caption,
                                void (MainWindow::*slot)())
{
    QAction* a = menu->addAction(caption);
    a->setObjectName(key);
    a->setProperty(BuiltinProperty, true);
    connect(a, &QAction::triggered, this, slot);
    return a;
}

void MainWindow::buildMenu()
{
    QMenu* refs = addMenu(nullptr, QStringLiteral("menuReferences"), QStringLiteral("&Справочники"));
    addItem(refs, QStringLiteral("itemForeignPrice"), QStringLiteral("Прайс-листы поставщиков"));
    addItem(refs, QStringLiteral("itemPriceNames"), QStringLiteral("Условия поставки (Виды цен)..."));
    addItem(refs, QStringLiteral("itemManufactures"), QStringLiteral("Производители..."));
    addItem(refs, QStringLiteral("itemStations"), QStringLiteral("Станции отправления..."));
    addItem(refs, QStringLiteral("itemShippers"), QStringLiteral("Грузоотправители..."));
    addItem(refs, QStringLiteral("itemPhrases"), QStringLiteral("Этапы..."));
    addItem(refs, QStringLiteral("itemEquivalents"), QStringLiteral("Группы эквивалентов..."));
    addItem(refs, QStringLiteral("itemPartners"), QStringLiteral("Контрагенты"))
        ->setVisible(m_switches.admin());
    addItem(refs, QStringLiteral("itemOrganisations"), QStringLiteral("Организации"));
    addItem(refs, QStringLiteral("itemUrgencyTypes"), QStringLiteral("Типы срочности документов"));
    addItem(refs, QStringLiteral("itemCurrencies"), QStringLiteral("Справочник валют"));
    refs->addSeparator();
    addItem(refs, QStringLiteral("itemProductPurposes"), QStringLiteral("Назначения товаров"));
    refs->addSeparator();
    addItem(refs, QStringLiteral("itemImportGoods"),
            QStringLiteral("Прием товаров из склада в каталог товаров"));

    QMenu* regs = addMenu(nullptr, QStringLiteral("menuRegisters"), QStringLiteral("&Реестры"));
    addItem(regs, QStringLiteral("itemBusinessOffers"), QStringLiteral("Заявки покупателей"), 113)
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_1));
    addItem(regs, QStringLiteral("itemSupplierOrders"), QStringLiteral("Заказы поставщику"), 129)
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_2));
    addItem(regs, QStringLiteral("itemAcceptedOrders"), QStringLiteral("Подтвержденные заказы"), 215)
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_3));
    QMenu* delivery = addMenu(regs, QStringLiteral("menuDelivery"), QStringLiteral("Доставка"));
    addItem(delivery, QStringLiteral("itemWayBills"), QStringLiteral("Посылки"), 58)
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_4));
    addItem(delivery, QStringLiteral("itemInvoices"), QStringLiteral("Инвойсы"));
    addItem(delivery, QStringLiteral("itemTransports"), QStringLiteral("Транспорты"));
    regs->addSeparator();
    addItem(regs, QStringLiteral("itemProformas"), QStringLiteral("Счета поставщиков"));
    addItem(regs, QStringLiteral("itemPayments"), QStringLiteral("Платежи"));

    QMenu* docs = addMenu(nullptr, QStringLiteral("menuDocuments"), QStringLiteral("&Документы"));
    addItem(docs, QStringLiteral("itemNewBusinessOffer"), QStringLiteral("Заявка покупателя"), 160)
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_1));
    addItem(docs, QStringLiteral("itemNewSupplierOrder"), QStringLiteral("Заказ поставщику"), 78)
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_2));
    addItem(docs, QStringLiteral("itemNewWayBill"), QStringLiteral("Посылка/Инвойс"), 93)
        ->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_4));

    // Ctrl+F is every grid's "Найти...": a second window-wide Ctrl+F would make both ambiguous.
    // The menu bar does not draw keys, so the item tells its key on hover.
    QAction* otbors = addItem(nullptr, QStringLiteral("itemOtbors"), QStringLiteral("Отборы"));
    otbors->setShortcut(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F));
    const QString otborsTip =
        QStringLiteral("Настройка отборов (%1)").arg(otbors->shortcut().toString(QKeySequence::NativeText));
    otbors->setToolTip(otborsTip);
    otbors->setStatusTip(otborsTip);

    QMenu* reports = addMenu(nullptr, QStringLiteral("menuReports"), QStringLiteral("&Отчеты"));
    addItem(reports, QStringLiteral("itemProductReport"),
            QStringLiteral("Отчет по товарам (активные документы)"));
    addItem(reports, QStringLiteral("itemOrderReport"), QStringLiteral("Отчет по заказам"));
    addItem(reports, QStringLiteral("itemSupplierSettlement"), QStringLiteral("Расчет с поставщиками"));
    reports->addSeparator();
    addItem(reports, QStringLiteral("itemReportDesigner"), QStringLiteral("Разработка отчетов"));
    addMenu(reports, QStringLiteral("menuRunReports"), QStringLiteral("Выполнение отчетов"));

    QMenu* setup = addMenu(nullptr, QStringLiteral("menuSetup"), QStringLiteral("&Настройка"));
    addItem(setup, QStringLiteral("itemActionSettings"), QStringLiteral("Настройка действий программы"));
    addItem(setup, QStringLiteral("itemModuleSettings"), QStringLiteral("Настройка модулей расширения"));
    addItem(setup, QStringLiteral("itemPriceImports"), QStringLiteral("Импорты прайс-листов поставщиков"));
    setup->addSeparator();
    addBuiltin(setup, QStringLiteral("itemParams"), QStringLiteral("Настройка параметров модулей расширения"),
               &MainWindow::openParameters);
    setup->addSeparator();
    addItem(setup, QStringLiteral("itemUsers"), QStringLiteral("Пользователи"));
    addItem(setup, QStringLiteral("itemSecurity"), QStringLiteral("Права доступа"));
    setup->addSeparator();
    addBuiltin(setup, QStringLiteral("itemSetup"), QStringLiteral("Параметры программы"),
               &MainWindow::openSetupDialog);
    addItem(setup, QStringLiteral("itemRenameColumns"), QStringLiteral("Настройка имен колонок"));
    addBuiltin(setup, QStringLiteral("itemNetInterval"), QStringLiteral("Обновления реестров"),
               &MainWindow::openRefreshSettings);

    QMenu* actions = addMenu(nullptr, QStringLiteral("menuActions"), QStringLiteral("Действия"));
    QMenu* freeSale =
        addMenu(actions, QStringLiteral("menuFreeSale"), QStringLiteral("Заказ под свободную продажу"));
    addItem(freeSale, QStringLiteral("itemWilson"), QStringLiteral("Расчет оптимального заказа"));
    QMenu* weekly =
        addMenu(freeSale, QStringLiteral("menuWeeklySales"), QStringLiteral("Анализ продаж по неделям"));
    addItem(weekly, QStringLiteral("itemOrderGoods"), QStringLiteral("Заказ товаров"));
    addItem(weekly, QStringLiteral("itemReorderGoods"), QStringLiteral("Дозаказ товаров"));
    actions->addSeparator();
    addItem(actions, QStringLiteral("itemImportOrderFile"), QStringLiteral("Импорт заказа из файла"));
    addItem(actions, QStringLiteral("itemUnhandledProducts"), QStringLiteral("Разбор прайс-листов"));
    actions->addSeparator();
    addMenu(actions, QStringLiteral("menuRunModules"), QStringLiteral("Выполнение простых модулей"));

    QMenu* help = addMenu(nullptr, QStringLiteral("menuHelp"), QStringLiteral("&Помощь"));
    addBuiltin(help, QStringLiteral("itemAbout"), QStringLiteral("О программе..."), &MainWindow::openAbout)
        ->setShortcut(QKeySequence(Qt::Key_F1));

    QAction* exit = menuBar()->addAction(QStringLiteral("Выход"));
    exit->setObjectName(QStringLiteral("itemExit"));
    exit->setShortcut(QKeySequence(Qt::ALT | Qt::Key_X));
    exit->setShortcutContext(Qt::ApplicationShortcut);
    connect(exit, &QAction::triggered, this, &QWidget::close);

    QMenu* rt = addMenu(nullptr, QStringLiteral("menuRt"), QStringLiteral("rt"));
    QMenu* rtPartners = addMenu(rt, QStringLiteral("menuRtPartners"), QStringLiteral("контрагенты"));
    addItem(rtPartners, QStringLiteral("itemRtPartnerOne"), QStringLiteral("Выбор одного"));
    addItem(rtPartners, QStringLiteral("itemRtPartnerMany"), QStringLiteral("Выбор нескольких"));
    QMenu* rtUrgency = addMenu(rt, QStringLiteral("menuRtUrgency"), QStringLiteral("титпы срочности"));
    addItem(rtUrgency, QStringLiteral("itemRtUrgencyOne"), QStringLiteral("Выбор одного"));
    addItem(rtUrgency, QStringLiteral("itemRtUrgencyMany"), QStringLiteral("Выбор нескольких"));
    rt->menuAction()->setVisible(m_switches.admin());

    // Shortcuts work before any menu has been opened.
    refreshMenus();
}

QAction* MainWindow::menuItem(const QString& key) const
{
    for (QAction* a : menuActions())
        if (a->objectName() == key)
            return a;
    return nullptr;
}

QMenu* MainWindow::menu(const QString& key) const
{
    QAction* a = menuItem(key);
    return a ? a->menu() : nullptr;
}

QList<QAction*> MainWindow::menuActions() const
{
    // Only the menu's own actions: MDI children have actions of their own.
    QList<QAction*> all;
    QList<QAction*> pending = menuBar()->actions();
    while (!pending.isEmpty()) {
        QAction* a = pending.takeFirst();
        all << a;
        if (a->menu())
            pending << a->menu()->actions();
    }
    return all;
}

bool MainWindow::isAvailable(QAction* item) const
{
    if (item->property(BuiltinProperty).toBool())
        return item->objectName() != QLatin1String("itemParams") || connection();
    const int formType = item->property(FormTypeProperty).toInt();
    if (formType)
        return FormActivationRegistry::instance().contains(formType) ||
               bool(MenuHooks::handler(item->objectName()));
    return bool(MenuHooks::handler(item->objectName()));
}

void MainWindow::run(QAction* item)
{
    const int formType = item->property(FormTypeProperty).toInt();
    // An unregistered form type is a silent cancel.
    if (formType && FormActivationRegistry::instance().open(formType, 0))
        return;
    if (const MenuHooks::Handler h = MenuHooks::handler(item->objectName()))
        h();
}

void MainWindow::refreshMenus()
{
    for (QAction* a : menuActions()) {
        if (a->menu() || a->isSeparator() || !a->objectName().startsWith(QLatin1String("item")) ||
            a->objectName() == QLatin1String("itemExit"))
            continue;
        a->setEnabled(isAvailable(a));
    }
    if (QAction* users = menuItem(QStringLiteral("itemUsers")))
        users->setEnabled(users->isEnabled() && MenuHooks::hasRight(RightUsers));
    if (QAction* security = menuItem(QStringLiteral("itemSecurity")))
        security->setEnabled(security->isEnabled() && MenuHooks::hasRight(RightSecurity));

    static const QList<std::pair<const char*, const char*>> registerTables{
        {"itemBusinessOffers", "bof_headers"},
        {"itemSupplierOrders", "su_orders"},
        {"itemAcceptedOrders", "acceptedOrders"},
        {"itemWayBills", "scm_waybill"}};
    // A document item follows its register's name only when the dictionary renamed
    // the register; otherwise it keeps its own name ("Заявка покупателя", not "Заявки").
    static const QList<std::pair<const char*, const char*>> documentOf{
        {"itemBusinessOffers", "itemNewBusinessOffer"},
        {"itemSupplierOrders", "itemNewSupplierOrder"},
        {"itemWayBills", "itemNewWayBill"}};
    for (const auto& [key, table] : registerTables) {
        const QString caption = MenuHooks::tableCaption(QLatin1String(table));
        if (caption.isEmpty())
            continue;
        menuItem(QLatin1String(key))->setText(caption);
        for (const auto& [reg, document] : documentOf)
            if (qstrcmp(reg, key) == 0)
                menuItem(QLatin1String(document))->setText(caption);
    }

    bool designer = false;
    if (Data::Database* db = connection()) {
        try {
            designer = db->isOpen() && db->objectExists(QStringLiteral("FR_MENU"));
        } catch (const Exception&) {
            // A menu must open even when the server does not answer.
        }
    }
    menuItem(QStringLiteral("itemReportDesigner"))->setVisible(designer);

    QMenu* runReports = menu(QStringLiteral("menuRunReports"));
    runReports->clear();
    MenuHooks::fillReportMenu(runReports, ReportGroup);
    // Shown only with a report to run (a disabled "none" item does not count).
    bool anyReport = false;
    for (QAction* a : runReports->actions())
        anyReport = anyReport || (!a->isSeparator() && a->isEnabled());
    runReports->menuAction()->setVisible(anyReport);
    runReports->menuAction()->setEnabled(anyReport);
    QMenu* modules = menu(QStringLiteral("menuRunModules"));
    modules->menuAction()->setEnabled(!modules->isEmpty());

    // Last: captions may have changed above, and submenus may have been filled.
    assignMnemonics(menuBar()->actions());
    for (QAction* a : menuActions())
        if (a->menu())
            assignMnemonics(a->menu()->actions());
}

void MainWindow::setRefreshPeriod(int seconds)
{
    m_refreshPeriod = qBound(0, seconds, TNetIntervalDlg::MaxPeriod);
    if (m_refreshPeriod == 0)
        m_refreshTimer->stop();
    else
        m_refreshTimer->start(m_refreshPeriod * 1000);
}

bool MainWindow::confirmExit()
{
    QMessageBox box(QMessageBox::Question, QApplication::applicationDisplayName(), ExitQuestion,
                    QMessageBox::Ok | QMessageBox::Cancel, this);
    box.button(QMessageBox::Cancel)->setText(QStringLiteral("Отмена"));
    box.setDefaultButton(QMessageBox::Ok);
    return box.exec() == QMessageBox::Ok;
}

void MainWindow::closeEvent(QCloseEvent* event)
{
    if (!m_exitConfirmed && !confirmExit()) {
        event->ignore();
        return;
    }
    m_exitConfirmed = true;
    m_mdi->closeAllSubWindows();
    if (m_mdi->subWindowList().isEmpty()) {
        event->accept();
    } else {
        m_exitConfirmed = false; // a window refused to close
        event->ignore();
    }
}

void MainWindow::openSetupDialog()
{
    TSetupDialog dialog(this);
    dialog.exec();
}

void MainWindow::openRefreshSettings()
{
    TNetIntervalDlg dialog(m_refreshMode, m_refreshPeriod, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_refreshMode = dialog.mode();
    setRefreshPeriod(dialog.period());
}

void MainWindow::openParameters()
{
    Data::Database* db = connection();
    if (!db)
        return;
    TfrmParams dialog(*db, this);
    dialog.exec();
}

void MainWindow::openAbout()
{
    TAboutForm dialog(this);
    dialog.exec();
}

} // namespace Tarvo::Shell
