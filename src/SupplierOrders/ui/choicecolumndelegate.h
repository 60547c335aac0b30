#pragma once

#include <QStyledItemDelegate>
#include <QVariant>

#include <functional>

namespace Tarvo::SupplierOrders {

// A grid column edited by choosing from a list: the editor is a combo box of the choices of the
// current row, and the choice goes to `choose` (not to the model), whose refusal the grid shows.
class ChoiceColumnDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    struct Choice
    {
        QVariant key;
        QString text;
    };
    using Choices = std::function<QList<Choice>()>;
    using Current = std::function<QVariant()>;
    using Choose = std::function<void(const QVariant& key)>;

    ChoiceColumnDelegate(Choices choices, Current current, Choose choose, QObject* parent = nullptr);

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;

private:
    Choices m_choices;
    Current m_current;
    Choose m_choose;
};

} // namespace Tarvo::SupplierOrders
