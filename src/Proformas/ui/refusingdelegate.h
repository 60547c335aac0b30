#pragma once

#include <QStyledItemDelegate>

namespace Tarvo::Proformas {

// Cells whose values the document may refuse: the refusal is shown once the editor has been
// committed, never thrown through the view (which would keep the editor from committing again),
// and the old value stays.
class RefusingDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;
};

} // namespace Tarvo::Proformas
