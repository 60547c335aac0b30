#include "widgets/comboaccessible.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QLineEdit>

namespace Tarvo::Widgets {

ComboAccessible::ComboAccessible(QComboBox* combo) : QAccessibleWidget(combo, QAccessible::ComboBox) {}

QAccessibleInterface* ComboAccessible::factory(const QString& className, QObject* object)
{
    if (className == QLatin1String("QComboBox") && object && object->isWidgetType())
        if (auto* combo = qobject_cast<QComboBox*>(object))
            return new ComboAccessible(combo);
    return nullptr;
}

QComboBox* ComboAccessible::combo() const
{
    return static_cast<QComboBox*>(widget());
}

QString ComboAccessible::text(QAccessible::Text t) const
{
    if (t == QAccessible::Value)
        return combo()->isEditable() && combo()->lineEdit() ? combo()->lineEdit()->text() : combo()->currentText();
    // The accessible name, else the label's text.
    return QAccessibleWidget::text(t);
}

int ComboAccessible::childCount() const
{
    return combo()->isEditable() && combo()->lineEdit() ? 2 : 1;
}

QAccessibleInterface* ComboAccessible::child(int index) const
{
    if (index == 0)
        return QAccessible::queryAccessibleInterface(combo()->view());
    if (index == 1 && combo()->isEditable() && combo()->lineEdit())
        return QAccessible::queryAccessibleInterface(combo()->lineEdit());
    return nullptr;
}

int ComboAccessible::indexOfChild(const QAccessibleInterface* child) const
{
    if (!child)
        return -1;
    if (child->object() == combo()->view())
        return 0;
    if (combo()->lineEdit() && child->object() == combo()->lineEdit())
        return 1;
    return -1;
}

QStringList ComboAccessible::actionNames() const
{
    return {QAccessibleActionInterface::showMenuAction(), QAccessibleActionInterface::pressAction()};
}

void ComboAccessible::doAction(const QString& actionName)
{
    if (actionName == QAccessibleActionInterface::showMenuAction() ||
        actionName == QAccessibleActionInterface::pressAction())
        combo()->showPopup();
}

} // namespace Tarvo::Widgets
