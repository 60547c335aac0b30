#pragma once

#include <QColor>
#include <QPalette>
#include <QStyledItemDelegate>

namespace Tarvo::Widgets {
class TDataGrid;
}

namespace Tarvo::BusOffer {

// Paints the register's rows in the colours of their flags: approved rows in black, others in
// red (on maroon when selected); a marked request on aqua (maroon when selected).
class OfferListDelegate : public QStyledItemDelegate
{
public:
    struct Look
    {
        QColor text;
        QColor background; // invalid: the grid's own
    };
    static Look look(bool approved, bool marked, bool selected, const QPalette& palette);

    explicit OfferListDelegate(Widgets::TDataGrid* grid);

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

private:
    Widgets::TDataGrid* m_grid;
};

} // namespace Tarvo::BusOffer
