#pragma once

#include <QList>
#include <QPair>
#include <QStyledItemDelegate>

namespace Tarvo::Data {
class Database;
}

namespace Tarvo::Catalog {

// A key column of a grid shown by the name it points to and edited with a drop-down list of
// the names ("" clears the key).
class LookupDelegate : public QStyledItemDelegate
{
    Q_OBJECT
public:
    // The statement reads key and name, in the order to offer.
    LookupDelegate(Data::Database& db, const QString& sql, QObject* parent = nullptr);

    QString displayText(const QVariant& value, const QLocale& locale) const override;
    // A name, so aligned as text even though the key is a number.
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;
    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;

    void reload();
    const QList<QPair<QVariant, QString>>& items() const { return m_items; }

private:
    Data::Database& m_db;
    QString m_sql;
    QList<QPair<QVariant, QString>> m_items;
};

} // namespace Tarvo::Catalog
