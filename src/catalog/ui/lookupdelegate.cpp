#include "catalog/ui/lookupdelegate.h"

#include "data/engine/query.h"

#include <QComboBox>

namespace Tarvo::Catalog {

namespace {

QString keyText(const QVariant& v)
{
    return v.isNull() ? QString() : v.toString().trimmed();
}

} // namespace

LookupDelegate::LookupDelegate(Data::Database& db, const QString& sql, QObject* parent)
    : QStyledItemDelegate(parent), m_db(db), m_sql(sql)
{
    reload();
}

void LookupDelegate::reload()
{
    m_items.clear();
    Data::Query q(m_db, m_sql);
    q.exec();
    while (q.next())
        m_items.append({q.value(0), q.string(1).trimmed()});
}

QString LookupDelegate::displayText(const QVariant& value, const QLocale& locale) const
{
    const QString key = keyText(value);
    if (key.isEmpty())
        return {};
    for (const auto& item : m_items) {
        if (keyText(item.first) == key)
            return item.second;
    }
    return QStyledItemDelegate::displayText(value, locale);
}

void LookupDelegate::initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const
{
    QStyledItemDelegate::initStyleOption(option, index);
    option->displayAlignment = Qt::AlignLeft | Qt::AlignVCenter;
}

QWidget* LookupDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&, const QModelIndex&) const
{
    auto* box = new QComboBox(parent);
    box->setAccessibleName(QStringLiteral("Выбор из списка"));
    box->addItem(QString(), QVariant());
    for (const auto& item : m_items)
        box->addItem(item.second, item.first);
    return box;
}

void LookupDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    auto* box = static_cast<QComboBox*>(editor);
    const QString key = keyText(index.data(Qt::EditRole));
    for (int i = 0; i < box->count(); ++i) {
        if (keyText(box->itemData(i)) == key) {
            box->setCurrentIndex(i);
            return;
        }
    }
    box->setCurrentIndex(0);
}

void LookupDelegate::setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const
{
    auto* box = static_cast<QComboBox*>(editor);
    model->setData(index, box->currentData(), Qt::EditRole);
}

} // namespace Tarvo::Catalog
