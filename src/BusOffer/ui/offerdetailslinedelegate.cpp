#include "BusOffer/ui/offerdetailslinedelegate.h"

#include <QPainter>

namespace Tarvo::BusOffer {

OfferDetailsLineDelegate::OfferDetailsLineDelegate(int completedColumn, QObject* parent)
    : QStyledItemDelegate(parent), m_column(completedColumn)
{}

OfferDetailsLineDelegate::Colours OfferDetailsLineDelegate::colours(bool completed, bool selected,
                                                                    const QPalette& palette)
{
    if (selected)
        return {palette.color(QPalette::HighlightedText),
                completed ? QColor(Qt::darkRed) : palette.color(QPalette::Highlight)};
    return {completed ? QColor(Qt::darkGreen) : QColor(Qt::black), QColor()};
}

void OfferDetailsLineDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                                     const QModelIndex& index) const
{
    const bool completed =
        m_column >= 0 && index.model()->index(index.row(), m_column).data(Qt::EditRole).toInt() == 1;
    const bool selected = option.state & QStyle::State_Selected;
    const Colours c = colours(completed, selected, option.palette);
    QStyleOptionViewItem o(option);
    o.palette.setColor(QPalette::Text, c.text);
    o.palette.setColor(QPalette::HighlightedText, c.text);
    if (c.background.isValid()) {
        o.palette.setColor(QPalette::Highlight, c.background);
        painter->fillRect(o.rect, c.background);
    }
    QStyledItemDelegate::paint(painter, o, index);
}

} // namespace Tarvo::BusOffer
