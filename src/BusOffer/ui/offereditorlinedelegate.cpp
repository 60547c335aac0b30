#include "BusOffer/ui/offereditorlinedelegate.h"

#include <QDateEdit>
#include <QHBoxLayout>
#include <QShortcut>
#include <QToolButton>

namespace Tarvo::BusOffer {

const QString OfferEditorLineDelegate::DateField = QStringLiteral("bpd_deliverydate");

OfferEditorLineDelegate::OfferEditorLineDelegate(FieldOf fieldOf, ColourOf colourOf, QObject* parent,
                                                 QString dateField, QString dateCaption)
    : QStyledItemDelegate(parent), m_fieldOf(std::move(fieldOf)), m_colourOf(std::move(colourOf)),
      m_dateField(std::move(dateField)), m_dateCaption(std::move(dateCaption))
{}

void OfferEditorLineDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    const QColor c = m_colourOf(m_fieldOf(index.column()));
    if (c.isValid()) {
        option->backgroundBrush = c;
        option->palette.setColor(QPalette::Text, Qt::black);
    }
}

QWidget* OfferEditorLineDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                                               const QModelIndex& index) const
{
    if (m_fieldOf(index.column()).compare(m_dateField, Qt::CaseInsensitive) != 0)
        return QStyledItemDelegate::createEditor(parent, option, index);
    auto* box = new QWidget(parent);
    box->setObjectName(QStringLiteral("deliveryDateEditor"));
    box->setAutoFillBackground(true);
    auto* layout = new QHBoxLayout(box);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    auto* edit = new QDateEdit(box);
    edit->setObjectName(QStringLiteral("deliveryDateEdit"));
    edit->setAccessibleName(m_dateCaption);
    edit->setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    edit->setFrame(false);
    auto* ellipsis = new QToolButton(box);
    ellipsis->setObjectName(QStringLiteral("deliveryDateEllipsis"));
    ellipsis->setText(QStringLiteral("..."));
    ellipsis->setAccessibleName(QStringLiteral("Выбрать дату в календаре"));
    ellipsis->setFocusPolicy(Qt::NoFocus);
    layout->addWidget(edit, 1);
    layout->addWidget(ellipsis);
    box->setFocusProxy(edit);
    auto* self = const_cast<OfferEditorLineDelegate*>(this);
    auto pressed = [self, box] {
        // The typed date is kept, then the calendar takes over.
        Q_EMIT self->commitData(box);
        Q_EMIT self->closeEditor(box, QAbstractItemDelegate::NoHint);
        Q_EMIT self->dateEllipsis();
    };
    connect(ellipsis, &QToolButton::clicked, box, pressed);
    auto* key = new QShortcut(QKeySequence(Qt::ALT | Qt::Key_Down), box, pressed);
    key->setContext(Qt::WidgetWithChildrenShortcut);
    return box;
}

void OfferEditorLineDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    if (auto* edit = editor->findChild<QDateEdit*>(QStringLiteral("deliveryDateEdit"))) {
        const QDate d = index.data(Qt::EditRole).toDateTime().date();
        edit->setDate(d.isValid() ? d : QDate::currentDate());
        return;
    }
    QStyledItemDelegate::setEditorData(editor, index);
}

void OfferEditorLineDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const
{
    if (auto* edit = editor->findChild<QDateEdit*>(QStringLiteral("deliveryDateEdit"))) {
        const QDateTime value(edit->date(), QTime(0, 0));
        if (model->data(index, Qt::EditRole).toDateTime() != value)
            model->setData(index, value, Qt::EditRole);
        return;
    }
    const QVariant before = model->data(index, Qt::EditRole);
    QStyledItemDelegate::setModelData(editor, model, index);
    if (model->data(index, Qt::EditRole) != before)
        Q_EMIT const_cast<OfferEditorLineDelegate*>(this)->fieldEdited(m_fieldOf(index.column()));
}

} // namespace Tarvo::BusOffer
