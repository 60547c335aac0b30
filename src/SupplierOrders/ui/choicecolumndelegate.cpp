#include "SupplierOrders/ui/choicecolumndelegate.h"

#include <QComboBox>

namespace Tarvo::SupplierOrders {

ChoiceColumnDelegate::ChoiceColumnDelegate(Choices choices, Current current, Choose choose, QObject* parent)
    : QStyledItemDelegate(parent), m_choices(std::move(choices)), m_current(std::move(current)),
      m_choose(std::move(choose))
{
}

QWidget* ChoiceColumnDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex&) const
{
    auto* box = new QComboBox(parent);
    box->setObjectName(QStringLiteral("choiceEditor"));
    for (const Choice& c : m_choices())
        box->addItem(c.text, c.key);
    return box;
}

void ChoiceColumnDelegate::setEditorData(QWidget* editor, const QModelIndex&) const
{
    auto* box = static_cast<QComboBox*>(editor);
    const int at = box->findData(m_current());
    if (at >= 0)
        box->setCurrentIndex(at);
}

void ChoiceColumnDelegate::setModelData(QWidget* editor, QAbstractItemModel*, const QModelIndex&) const
{
    auto* box = static_cast<QComboBox*>(editor);
    if (box->currentIndex() < 0)
        return;
    const QVariant key = box->currentData();
    if (key != m_current())
        m_choose(key);
}

} // namespace Tarvo::SupplierOrders
