#pragma once

#include <QColor>
#include <QPalette>
#include <QStyledItemDelegate>

#include <functional>
#include <optional>

namespace Tarvo::Data {
class TRowSet;
struct RowSetRow;
}
namespace Tarvo::Widgets {
class TDataGrid;
}

namespace Tarvo::BusOffer {

// Paints a register's rows in the colours of their flags: approved rows in black, others in
// red (on maroon when selected); a marked document on aqua (maroon when selected). A register may
// add a highlight of its own (yellow) for rows its test picks out.
class OfferListDelegate : public QStyledItemDelegate
{
public:
    struct Look
    {
        QColor text;
        QColor background; // invalid: the grid's own
    };
    static Look look(bool approved, bool marked, bool selected, const QPalette& palette);

    explicit OfferListDelegate(Widgets::TDataGrid* grid, const QString& acceptedColumn = QStringLiteral("bof_accepted"),
                               const QString& markedColumn = QStringLiteral("bof_otmetka"));
    using Highlight = std::function<bool(const Data::TRowSet& rows, const Data::RowSetRow& row)>;
    void setHighlight(Highlight highlight) { m_highlight = std::move(highlight); }
    static QColor highlightColor();
    // How the grid's row is painted; none for a row without the flag columns.
    std::optional<Look> lookOf(int gridRow, bool selected, const QPalette& palette) const;

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

private:
    Widgets::TDataGrid* m_grid;
    QString m_accepted;
    QString m_marked;
    Highlight m_highlight;
};

} // namespace Tarvo::BusOffer
