#pragma once

#include <QColor>
#include <QStyledItemDelegate>

namespace Tarvo::BusOffer {

// Paints the request lines: complete lines in green (black otherwise); a selected cell has the
// highlight text colour on the highlight colour, on maroon when the line is complete.
class OfferDetailsLineDelegate : public QStyledItemDelegate
{
public:
    struct Colours
    {
        QColor text;
        QColor background; // invalid: the view's own
    };

    // `completedColumn`: the model column holding the completion flag.
    OfferDetailsLineDelegate(int completedColumn, QObject* parent);

    static Colours colours(bool completed, bool selected, const QPalette& palette);
    void setCompletedColumn(int column) { m_column = column; }

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    int m_column;
};

} // namespace Tarvo::BusOffer
