#include "security/ui/tfusers.h"

#include "data/engine/database.h"
#include "security/tdmusers.h"
#include "security/ui/useractions.h"
#include "shell/tinistorage.h"
#include "widgets/mdihost.h"
#include "shell/ui/tdmallbuttons.h"
#include "widgets/tdatagrid.h"
#include "widgets/toolbarmenubutton.h"

#include <QActionGroup>
#include <QLabel>
#include <QMenu>
#include <QPointer>
#include <QStatusBar>
#include <QStyle>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

namespace Tarvo::Security {

namespace {

const char* const StyleKey = "ToolbarStyle";

} // namespace

TfUsers::TfUsers(QWidget* parent)
    : TSaveForm(parent), m_users(std::make_unique<TdmUsers>(*Data::Database::main()))
{
    setWindowTitle(QStringLiteral("Сотрудники"));
    setObjectName(QStringLiteral("TfUsers"));
    m_toolbar = new QToolBar(this);
    m_toolbar->setAccessibleName(QStringLiteral("Панель инструментов"));
    m_grid = new Widgets::TDataGrid(this);
    m_grid->setObjectName(QStringLiteral("gridUsers"));
    m_grid->setAccessibleName(QStringLiteral("Сотрудники"));
    m_grid->setRowSet(&m_users->userQuery());
    m_grid->setColumns({{QStringLiteral("US_LOGIN"), QStringLiteral("Логин"), 0},
                        {QStringLiteral("US_NAME"), QStringLiteral("ФИО"), 0},
                        {QStringLiteral("US_DEP"), QStringLiteral("Отдел"), 0},
                        {QStringLiteral("US_POSITION"), QStringLiteral("Должность"), 0},
                        {QStringLiteral("US_DESCR"), QStringLiteral("Описание"), 0},
                        {QStringLiteral("US_EMAILINSIDE"), QStringLiteral("Почта (внут)"), 0},
                        {QStringLiteral("US_EMAIL"), QStringLiteral("Почта"), 0},
                        {QStringLiteral("US_PHONEINSIDE"), QStringLiteral("Телефон (внут)"), 0},
                        {QStringLiteral("US_PHONE"), QStringLiteral("Телефон (дом)"), 0},
                        {QStringLiteral("US_PHONE_MOB"), QStringLiteral("Телефон (моб)"), 0},
                        {QStringLiteral("US_ROOMNUM"), QStringLiteral("Комната"), 0},
                        {QStringLiteral("US_DATEBRD"), QStringLiteral("Дата рождения"), 0},
                        {QStringLiteral("US_DATEIN"), QStringLiteral("Дата приёма"), 0},
                        {QStringLiteral("US_DATEOUT"), QStringLiteral("Дата увольнения"), 0},
                        {QStringLiteral("US_NOTE"), QStringLiteral("Примечание"), 0}});
    m_grid->setColumnsSection(QStringLiteral("TfUsersUsers"));
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);

    auto* edit = new QMenu(this);
    QAction* add =
        edit->addAction(Shell::TdmAllButtons::icon(Shell::TdmAllButtons::New), QStringLiteral("Добавить"));
    add->setObjectName(QStringLiteral("actAdd"));
    add->setShortcut(QKeySequence(Qt::Key_Insert));
    QAction* change =
        edit->addAction(Shell::TdmAllButtons::icon(Shell::TdmAllButtons::Edit), QStringLiteral("Коррекция "));
    change->setObjectName(QStringLiteral("actEdit"));
    change->setShortcut(QKeySequence(Qt::Key_F4));
    QAction* remove =
        edit->addAction(Shell::TdmAllButtons::icon(Shell::TdmAllButtons::Delete), QStringLiteral("Удаление"));
    remove->setObjectName(QStringLiteral("actDelete"));
    remove->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Delete));
    for (QAction* a : {add, change, remove}) {
        a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        addAction(a);
    }
    connect(add, &QAction::triggered, this, &TfUsers::addUser);
    connect(change, &QAction::triggered, this, &TfUsers::editUser);
    connect(remove, &QAction::triggered, this, &TfUsers::deleteUser);
    connect(m_grid, &Widgets::TDataGrid::rowActivated, this, &TfUsers::editUser);
    using Widgets::ToolbarMenuButton;
    ToolbarMenuButton::add(m_toolbar, QStringLiteral("Правка"), Shell::TdmAllButtons::icon(Shell::TdmAllButtons::Edit),
                           edit);
    ToolbarMenuButton::add(m_toolbar, QStringLiteral("Найти"), Shell::TdmAllButtons::icon(Shell::TdmAllButtons::Find),
                           m_grid->searchMenu());

    auto* setup = new QMenu(this);
    auto* styles = new QActionGroup(setup);
    const QList<std::pair<QString, Qt::ToolButtonStyle>> choices{
        {QStringLiteral("Только текст"), Qt::ToolButtonTextOnly},
        {QStringLiteral("Только рисунок"), Qt::ToolButtonIconOnly},
        {QStringLiteral("Текст и рисунок"), Qt::ToolButtonTextBesideIcon}};
    const int saved = Shell::TIniStorage(QStringLiteral("TfUsers"))
                          .readInteger(QLatin1String(StyleKey), Qt::ToolButtonTextBesideIcon);
    for (const auto& [text, style] : choices) {
        QAction* a = setup->addAction(text);
        a->setCheckable(true);
        a->setChecked(style == saved);
        styles->addAction(a);
        connect(a, &QAction::triggered, this, [this, style = style] { setToolbarStyle(style); });
    }
    ToolbarMenuButton::add(m_toolbar, QStringLiteral("Настройка"),
                           Shell::TdmAllButtons::icon(Shell::TdmAllButtons::Help), setup);
    QAction* exit = m_toolbar->addAction(Shell::TdmAllButtons::icon(Shell::TdmAllButtons::Close),
                                         QStringLiteral("Выход"));
    connect(exit, &QAction::triggered, this, &QWidget::close);
    for (QToolButton* b : m_toolbar->findChildren<QToolButton*>())
        b->setFocusPolicy(Qt::TabFocus);
    m_toolbar->setToolButtonStyle(Qt::ToolButtonStyle(saved));

    auto* statusBar = new QStatusBar(this);
    m_status = new QLabel(statusBar);
    statusBar->addWidget(m_status);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(m_toolbar);
    layout->addWidget(m_grid);
    layout->addWidget(statusBar);
    QAbstractItemModel* model = m_grid->model();
    connect(model, &QAbstractItemModel::modelReset, this, &TfUsers::updateStatus);
    connect(model, &QAbstractItemModel::dataChanged, this, &TfUsers::updateStatus);
    updateStatus();
    m_grid->setFocus();
    resize(800, 450);
}

TfUsers::~TfUsers()
{
    // The grid is destroyed after the members: let it go of the list first.
    m_grid->setRowSet(nullptr);
}

QString TfUsers::statusText() const
{
    return m_status->text();
}

void TfUsers::updateStatus()
{
    m_status->setText(QStringLiteral("Всего сотрудников : ") +
                      QString::number(m_users->userQuery().recordCount()));
}

void TfUsers::setToolbarStyle(Qt::ToolButtonStyle style)
{
    m_toolbar->setToolButtonStyle(style);
    Shell::TIniStorage(QStringLiteral("TfUsers")).writeInteger(QLatin1String(StyleKey), int(style));
}

void TfUsers::addUser()
{
    UserActions::add(*m_users, this);
    updateStatus();
}

void TfUsers::editUser()
{
    UserActions::edit(*m_users, this);
    updateStatus();
}

void TfUsers::deleteUser()
{
    UserActions::remove(*m_users, this);
    updateStatus();
}

TfUsers* TfUsers::open()
{
    static QPointer<TfUsers> window;
    if (!window) {
        window = new TfUsers;
        Widgets::MdiHost::adopt(window);
    }
    Widgets::MdiHost::bringForward(window);
    return window;
}

} // namespace Tarvo::Security
