#pragma once

#include <QStyledItemDelegate>
#include <functional>

namespace Tarvo::AcceptedOrders {

// The confirmed lines' cells: the read-only shipping date carries a "..." button that opens the
// calendar.
class AcceptedLineDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    using IsDateColumn = std::function<bool(int column)>;
    AcceptedLineDelegate(IsDateColumn isDate, QObject* parent = nullptr);

    // Where the "..." button of a date cell is drawn.
    static QRect buttonRect(const QRect& cell);

    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    bool editorEvent(QEvent* event, QAbstractItemModel* model, const QStyleOptionViewItem& option,
                     const QModelIndex& index) override;

Q_SIGNALS:
    void dateEllipsis(const QModelIndex& index);

private:
    IsDateColumn m_isDate;
};

} // namespace Tarvo::AcceptedOrders
