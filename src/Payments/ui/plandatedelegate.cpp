#include "Payments/ui/plandatedelegate.h"

#include <QDateTimeEdit>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Payments {

QWidget* PlanDateDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                        const QModelIndex& index) const
{
    QWidget* editor = RefusingDelegate::createEditor(parent, option, index);
    if (auto* date = qobject_cast<QDateTimeEdit*>(editor)) {
        date->setCalendarPopup(true);
        date->setDisplayFormat(u"dd.MM.yyyy"_s);
    }
    return editor;
}

} // namespace Tarvo::Payments
