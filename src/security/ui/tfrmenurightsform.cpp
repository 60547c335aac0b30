#include "security/ui/tfrmenurightsform.h"

#include "security/frmenurights.h"
#include "widgets/dialogbuttons.h"

#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QVBoxLayout>

namespace Tarvo::Security {

TFRMenuRightsForm::TFRMenuRightsForm(Data::Database& db, int menuItem, QWidget* parent)
    : QDialog(parent), m_db(db), m_item(menuItem)
{
    setWindowTitle(QStringLiteral("Права на пункт меню"));
    m_list = new QTreeWidget(this);
    m_list->setObjectName(QStringLiteral("lvUsers"));
    m_list->setRootIsDecorated(false);
    m_list->setHeaderLabels({QStringLiteral("Пользователь"), QStringLiteral("Доступ")});
    auto* label = new QLabel(QStringLiteral("&Пользователи"), this);
    label->setBuddy(m_list);
    for (const FrMenuRights::Entry& e : FrMenuRights::list(m_db, m_item)) {
        auto* it = new QTreeWidgetItem(m_list, {e.login, e.stateText()});
        it->setData(0, Qt::UserRole, e.userId);
    }
    if (m_list->topLevelItemCount())
        m_list->setCurrentItem(m_list->topLevelItem(0));
    m_list->header()->setSectionResizeMode(0, QHeaderView::Stretch);

    Widgets::DialogButtons buttons(this, QStringLiteral("Закрыть"), QString());
    QPushButton* allow = buttons.addButton(QStringLiteral("&Разрешить доступ"));
    QPushButton* deny = buttons.addButton(QStringLiteral("&Запретить доступ"));
    connect(allow, &QPushButton::clicked, this, &TFRMenuRightsForm::allowSelected);
    connect(deny, &QPushButton::clicked, this, &TFRMenuRightsForm::denySelected);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(label);
    layout->addWidget(m_list);
    layout->addWidget(buttons.box());
    m_list->setFocus();
}

void TFRMenuRightsForm::apply(bool allow)
{
    QTreeWidgetItem* it = m_list->currentItem();
    if (!it)
        return;
    const int user = it->data(0, Qt::UserRole).toInt();
    allow ? FrMenuRights::allow(m_db, user, m_item) : FrMenuRights::deny(m_db, user, m_item);
    const FrMenuRights::Entry e = FrMenuRights::entry(m_db, user, m_item);
    it->setText(0, e.login);
    it->setText(1, e.stateText());
}

} // namespace Tarvo::Security
