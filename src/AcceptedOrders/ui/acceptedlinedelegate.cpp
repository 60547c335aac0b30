#include "AcceptedOrders/ui/acceptedlinedelegate.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QStyleOptionButton>

namespace Tarvo::AcceptedOrders {

AcceptedLineDelegate::AcceptedLineDelegate(IsDateColumn isDate, QObject* parent)
    : QStyledItemDelegate(parent), m_isDate(std::move(isDate))
{}

QRect AcceptedLineDelegate::buttonRect(const QRect& cell)
{
    const int w = qMin(cell.height(), 22);
    return QRect(cell.right() - w + 1, cell.top(), w, cell.height());
}

void AcceptedLineDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    QStyledItemDelegate::paint(painter, option, index);
    if (!m_isDate(index.column()))
        return;
    QStyleOptionButton b;
    b.rect = buttonRect(option.rect);
    b.text = QStringLiteral("…");
    b.state = QStyle::State_Enabled;
    const QWidget* w = option.widget;
    (w ? w->style() : QApplication::style())->drawControl(QStyle::CE_PushButton, &b, painter, w);
}

bool AcceptedLineDelegate::editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                                       const QModelIndex& index)
{
    if (event->type() == QEvent::MouseButtonRelease && m_isDate(index.column())) {
        auto* me = static_cast<QMouseEvent*>(event);
        if (me->button() == Qt::LeftButton && buttonRect(option.rect).contains(me->position().toPoint())) {
            emit dateEllipsis(index);
            return true;
        }
    }
    return QStyledItemDelegate::editorEvent(event, model, option, index);
}

} // namespace Tarvo::AcceptedOrders
