#include "Proformas/ui/refusingdelegate.h"

#include "core/exception.h"

#include <QMessageBox>
#include <QPointer>
#include <QTimer>
#include <QWidget>

namespace Tarvo::Proformas {

void RefusingDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const
{
    try {
        QStyledItemDelegate::setModelData(editor, model, index);
    } catch (const Abort&) {
        model->revert();
    } catch (const Exception& e) {
        model->revert();
        QPointer<QWidget> window = editor->window();
        const QString text = e.message();
        QTimer::singleShot(0, window, [window, text] {
            if (window)
                QMessageBox::warning(window, window->windowTitle(), text);
        });
    }
}

} // namespace Tarvo::Proformas
