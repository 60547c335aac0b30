#include "BusOffer/ui/offerlistdelegate.h"

#include "data/rowset/trowset.h"
#include "widgets/tdatagrid.h"

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::BusOffer {

namespace {
const QColor Maroon(128, 0, 0);
const QColor Aqua(0, 255, 255);
} // namespace

OfferListDelegate::Look OfferListDelegate::look(bool approved, bool marked, bool selected, const QPalette& palette)
{
    if (selected)
        return {palette.color(QPalette::HighlightedText),
                approved && !marked ? palette.color(QPalette::Highlight) : Maroon};
    return {approved ? QColor(Qt::black) : QColor(Qt::red), marked ? Aqua : QColor()};
}

OfferListDelegate::OfferListDelegate(Widgets::TDataGrid* grid, const QString& acceptedColumn,
                                     const QString& markedColumn)
    : QStyledItemDelegate(grid), m_grid(grid), m_accepted(acceptedColumn), m_marked(markedColumn)
{}

QColor OfferListDelegate::highlightColor()
{
    return QColor(255, 255, 128);
}

std::optional<OfferListDelegate::Look> OfferListDelegate::lookOf(int gridRow, bool selected,
                                                                  const QPalette& palette) const
{
    const Data::TRowSet* rs = m_grid->rowSet();
    if (!rs)
        return std::nullopt;
    const int accepted = rs->fieldIndex(m_accepted);
    const int marked = rs->fieldIndex(m_marked);
    const Data::RowSetRow* row = rs->rowAt(m_grid->rowSetRow(gridRow));
    if (!row || accepted < 0 || marked < 0)
        return std::nullopt;
    const bool isMarked = row->values.at(marked).toInt() == 1;
    Look l = look(row->values.at(accepted).toInt() == 1, isMarked, selected, palette);
    if (!selected && !isMarked && m_highlight && m_highlight(*rs, *row))
        l.background = highlightColor();
    return l;
}

void OfferListDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    const bool selected = option->state & QStyle::State_Selected;
    const std::optional<Look> l = lookOf(index.row(), selected, option->palette);
    if (!l)
        return;
    if (selected) {
        option->palette.setColor(QPalette::Highlight, l->background);
        option->palette.setColor(QPalette::HighlightedText, l->text);
    } else {
        option->palette.setColor(QPalette::Text, l->text);
        if (l->background.isValid())
            option->backgroundBrush = l->background;
    }
}

} // namespace Tarvo::BusOffer
