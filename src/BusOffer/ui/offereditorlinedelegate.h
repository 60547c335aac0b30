#pragma once

#include <QColor>
#include <QStyledItemDelegate>
#include <functional>

namespace Tarvo::BusOffer {

// The cells of the request lines: the input side of the conversion and the computed side in
// their two colours, the delivery date edited with a "..." button (also Alt+Down) that opens
// the calendar, and every validated value reported by field name.
class OfferEditorLineDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    // Field name of a model column.
    using FieldOf = std::function<QString(int column)>;
    // The background of a column, or an invalid colour for the default.
    using ColourOf = std::function<QColor(const QString& field)>;

    // `dateField` is the lines' delivery date, edited with the calendar button.
    OfferEditorLineDelegate(FieldOf fieldOf, ColourOf colourOf, QObject* parent = nullptr,
                            QString dateField = DateField, QString dateCaption = QStringLiteral("План. дата доставки"));

    // Colour 0 (the side the user types) and colour 1 (the side computed from it).
    static QColor inputColour() { return QColor(255, 255, 204); }
    static QColor computedColour() { return QColor(221, 235, 247); }

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;

    static const QString DateField;

Q_SIGNALS:
    // The user validated a value of this field.
    void fieldEdited(const QString& field);
    // The "..." of the delivery date was pressed (the editor is closed first).
    void dateEllipsis();

protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

private:
    FieldOf m_fieldOf;
    ColourOf m_colourOf;
    QString m_dateField;
    QString m_dateCaption;
};

} // namespace Tarvo::BusOffer
