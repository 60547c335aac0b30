#pragma once

#include "Proformas/ui/refusingdelegate.h"

namespace Tarvo::Payments {

// Cells the document may refuse, and dates chosen with a calendar button.
class PlanDateDelegate : public Proformas::RefusingDelegate
{
    Q_OBJECT
public:
    using RefusingDelegate::RefusingDelegate;

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

} // namespace Tarvo::Payments
