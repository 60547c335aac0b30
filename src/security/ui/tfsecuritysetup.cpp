#include "security/ui/tfsecuritysetup.h"

#include "data/engine/database.h"
#include "security/tdmusers.h"
#include "security/userdeleted.h"
#include "security/ui/useractions.h"
#include "widgets/dialogbuttons.h"
#include "widgets/tdatagrid.h"

#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QSplitter>
#include <QTimer>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace Tarvo::Security {

namespace {

QIcon stateIcon(TRightsTree::State state)
{
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QPen pen(Qt::black);
    pen.setWidth(2);
    switch (state) {
    case TRightsTree::State::Allowed:
        pen.setColor(QColor(0, 140, 0));
        p.setPen(pen);
        p.drawPolyline(QPolygon({QPoint(3, 8), QPoint(7, 12), QPoint(13, 4)}));
        break;
    case TRightsTree::State::Denied:
        pen.setColor(QColor(200, 0, 0));
        p.setPen(pen);
        p.drawLine(4, 4, 12, 12);
        p.drawLine(12, 4, 4, 12);
        break;
    case TRightsTree::State::Mixed:
        p.setPen(QPen(QColor(120, 120, 120)));
        p.setBrush(QColor(230, 180, 0));
        p.drawRect(3, 3, 10, 10);
        break;
    }
    return QIcon(pm);
}

QString stateName(TRightsTree::State state)
{
    switch (state) {
    case TRightsTree::State::Allowed:
        return QStringLiteral("разрешено");
    case TRightsTree::State::Denied:
        return QStringLiteral("запрещено");
    case TRightsTree::State::Mixed:
        return QStringLiteral("частично");
    }
    return {};
}

} // namespace

TfSecuritySetup::TfSecuritySetup(QWidget* parent)
    : QDialog(parent), m_users(std::make_unique<TdmUsers>(*Data::Database::main()))
{
    setWindowTitle(QStringLiteral("Настройка прав доступа"));
    m_grid = new Widgets::TDataGrid(this);
    m_grid->setObjectName(QStringLiteral("gridUsers"));
    m_grid->setAccessibleName(QStringLiteral("Пользователи"));
    m_grid->setRowSet(&m_users->userQuery());
    m_grid->setColumns({{QStringLiteral("US_LOGIN"), QStringLiteral("Логин"), 0},
                        {QStringLiteral("US_NAME"), QStringLiteral("ФИО"), 0}});
    m_grid->setColumnsSection(QStringLiteral("TfSecuritySetupUsers"));
    m_grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    connect(m_grid, &Widgets::TDataGrid::rowActivated, this, [this] { UserActions::edit(*m_users, this); });

    m_tree = new QTreeWidget(this);
    m_tree->setObjectName(QStringLiteral("tvRights"));
    m_tree->setHeaderHidden(true);
    m_tree->setAccessibleName(QStringLiteral("Права доступа"));
    m_tree->setContextMenuPolicy(Qt::ActionsContextMenu);
    auto* allow = new QAction(QStringLiteral("Разрешить доступ"), m_tree);
    allow->setShortcut(QKeySequence(Qt::Key_Plus));
    allow->setShortcutContext(Qt::WidgetShortcut);
    auto* deny = new QAction(QStringLiteral("Запретить доступ"), m_tree);
    deny->setShortcut(QKeySequence(Qt::Key_Minus));
    deny->setShortcutContext(Qt::WidgetShortcut);
    m_tree->addAction(allow);
    m_tree->addAction(deny);
    connect(allow, &QAction::triggered, this, &TfSecuritySetup::allowSelected);
    connect(deny, &QAction::triggered, this, &TfSecuritySetup::denySelected);

    auto* userButtons = new QHBoxLayout;
    auto button = [&](const QString& text, auto slot) {
        auto* b = new QPushButton(text, this);
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, slot);
        userButtons->addWidget(b);
        return b;
    };
    button(QStringLiteral("&Добавить ..."), [this] {
        if (!saveTree())
            return;
        UserActions::add(*m_users, this);
        userChanged();
    });
    button(QStringLiteral("&Правка ..."), [this] { UserActions::edit(*m_users, this); });
    button(QStringLiteral("&Удалить"), [this] {
        // After a refusal the list shows other rows: the administrator chooses again.
        if (!saveTree())
            return;
        UserActions::remove(*m_users, this);
        userChanged();
    });
    button(QStringLiteral("Сменить п&ароль ..."), [this] { UserActions::changePassword(*m_users, this); });
    userButtons->addStretch();

    auto* usersLabel = new QLabel(QStringLiteral("По&льзователи"), this);
    usersLabel->setBuddy(m_grid);
    auto* rightsLabel = new QLabel(QStringLiteral("П&рава (Разрешить: «+», запретить: «-»)"), this);
    rightsLabel->setBuddy(m_tree);
    auto* left = new QWidget(this);
    auto* leftLayout = new QVBoxLayout(left);
    leftLayout->setContentsMargins(0, 0, 0, 0);
    leftLayout->addWidget(usersLabel);
    leftLayout->addWidget(m_grid);
    leftLayout->addLayout(userButtons);
    auto* right = new QWidget(this);
    auto* rightLayout = new QVBoxLayout(right);
    rightLayout->setContentsMargins(0, 0, 0, 0);
    rightLayout->addWidget(rightsLabel);
    rightLayout->addWidget(m_tree);
    auto* splitter = new QSplitter(this);
    splitter->addWidget(left);
    splitter->addWidget(right);

    Widgets::DialogButtons buttons(this, QStringLiteral("Сохранить"), QStringLiteral("Выход"), false);
    connect(buttons.acceptButton(), &QPushButton::clicked, this, &TfSecuritySetup::saveTree);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(splitter);
    layout->addWidget(buttons.box());

    m_userMoved = m_users->userQuery().subscribeScrolled([this] { userChanged(); });
    loadTree();
    resize(820, 500);
    m_grid->setFocus();
}

TfSecuritySetup::~TfSecuritySetup()
{
    m_userMoved.reset();
    m_grid->setRowSet(nullptr);
}

QTreeWidgetItem* TfSecuritySetup::item(int rightId) const
{
    for (QTreeWidgetItemIterator it(m_tree); *it; ++it)
        if ((*it)->data(0, Qt::UserRole).toInt() == rightId)
            return *it;
    return nullptr;
}

void TfSecuritySetup::selectUser(int userId)
{
    Data::TRowSet& ds = m_users->userQuery();
    m_moving = true;
    if (!ds.locate({QStringLiteral("US_ID")}, {userId}) && !ds.isEmpty())
        ds.first();
    m_moving = false;
    // Called from the grid's own change of row, which does not follow the list meanwhile: the
    // grid's current row is set once that has finished.
    QTimer::singleShot(0, this, [this] {
        const Data::TRowSet& list = m_users->userQuery();
        if (list.isEmpty() || list.state() != Data::RowSetState::Browse)
            return;
        const int row = m_grid->gridRow(list.recNo());
        if (m_grid->currentIndex().row() != row)
            m_grid->setCurrentIndex(m_grid->model()->index(row, qMax(0, m_grid->currentIndex().column())));
    });
}

void TfSecuritySetup::userChanged()
{
    const int user = m_users->currentUserId();
    if (m_moving || user == m_shownUser || m_users->userQuery().state() != Data::RowSetState::Browse)
        return;
    try {
        if (m_shownUser)
            m_rights.save(m_users->database());
    } catch (const EUserDeleted& e) {
        userDeleted(e.message(), user);
        return;
    } catch (...) {
        // The tree stays the shown user's, and so does the list's row.
        selectUser(m_shownUser);
        throw;
    }
    try {
        loadTree();
    } catch (...) {
        selectUser(m_shownUser);
        throw;
    }
}

void TfSecuritySetup::userDeleted(const QString& message, int nextUser)
{
    if (!message.isEmpty())
        QMessageBox::warning(this, windowTitle(), message);
    m_shownUser = 0;
    m_rights = TRightsTree();
    m_tree->clear();
    m_moving = true;
    try {
        m_users->reread();
    } catch (...) {
        m_moving = false;
        throw;
    }
    m_moving = false;
    selectUser(nextUser);
    loadTree();
}

void TfSecuritySetup::loadTree()
{
    const int user = m_users->currentUserId();
    TRightsTree rights;
    if (user)
        rights.load(m_users->database(), user);
    m_rights = std::move(rights);
    m_shownUser = user;
    m_tree->clear();
    addItems(nullptr, m_rights.roots());
    m_tree->expandAll();
    if (m_tree->topLevelItemCount())
        m_tree->setCurrentItem(m_tree->topLevelItem(0));
    refreshImages();
}

void TfSecuritySetup::addItems(QTreeWidgetItem* parent, const QList<int>& ids)
{
    for (int id : ids) {
        const TRightsTree::Node& n = m_rights.node(id);
        auto* it = parent ? new QTreeWidgetItem(parent) : new QTreeWidgetItem(m_tree);
        it->setText(0, n.description);
        it->setData(0, Qt::UserRole, id);
        addItems(it, n.children);
    }
}

void TfSecuritySetup::refreshImages()
{
    for (QTreeWidgetItemIterator it(m_tree); *it; ++it) {
        const int id = (*it)->data(0, Qt::UserRole).toInt();
        if (!m_rights.contains(id))
            continue;
        const TRightsTree::State s = m_rights.state(id);
        (*it)->setIcon(0, stateIcon(s));
        (*it)->setData(0, Qt::AccessibleTextRole, (*it)->text(0) + QStringLiteral(": ") + stateName(s));
    }
}

void TfSecuritySetup::setSelected(bool allowed)
{
    QTreeWidgetItem* current = m_tree->currentItem();
    if (!current)
        return;
    m_rights.setAllowed(current->data(0, Qt::UserRole).toInt(), allowed);
    refreshImages();
}

bool TfSecuritySetup::saveTree()
{
    if (!m_shownUser)
        return true;
    try {
        m_rights.save(m_users->database());
    } catch (const EUserDeleted& e) {
        userDeleted(e.message(), m_shownUser);
        return false;
    }
    return true;
}

void TfSecuritySetup::done(int result)
{
    // The list is edited only in the card, which posts or cancels before it closes.
    Data::TRowSet& ds = m_users->userQuery();
    if (ds.state() != Data::RowSetState::Browse)
        ds.cancel();
    try {
        if (m_shownUser)
            m_rights.save(m_users->database());
    } catch (const Exception& e) {
        // Whatever stops the save, the window can still be left.
        if (QMessageBox::question(this, windowTitle(),
                                  e.message() + QStringLiteral("\n\nЗакрыть окно без сохранения прав?"),
                                  QMessageBox::Yes | QMessageBox::No, QMessageBox::No) != QMessageBox::Yes) {
            if (dynamic_cast<const EUserDeleted*>(&e))
                userDeleted(QString(), m_shownUser);
            return;
        }
    }
    QDialog::done(result);
}

} // namespace Tarvo::Security
