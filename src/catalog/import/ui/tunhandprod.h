#pragma once

#include <QDialog>
#include <memory>

class QComboBox;
class QTreeWidget;

namespace Tarvo::Data {
class Database;
}

namespace Tarvo::Catalog {

class TfAnalogSelection;

// "Разбор прайс-листов": the articles price-list runs put aside, by supplier, read a batch at a
// time. Each is matched to a product, made a new product, or deleted.
class TUnHandProd : public QDialog
{
    Q_OBJECT
public:
    explicit TUnHandProd(Data::Database& db, QWidget* parent = nullptr);
    ~TUnHandProd() override;

    QComboBox* suppliers() const { return m_suppliers; }
    QTreeWidget* list() const { return m_list; }
    TfAnalogSelection* selection();

    void matchCurrent();
    void newProduct();
    void removeCurrent();
    void matchByArticle();

    static constexpr int Batch = 1000;

private:
    void reload();
    void readMore();
    qint64 currentRow() const;
    qint64 supplier() const;
    void after(bool changed);

    Data::Database& m_db;
    QComboBox* m_suppliers;
    QTreeWidget* m_list;
    std::unique_ptr<TfAnalogSelection> m_selection;
    qint64 m_lastKey = 0;
    bool m_more = false;
};

} // namespace Tarvo::Catalog
