#pragma once

#include <QDialog>
#include <memory>

class QTabWidget;

namespace Tarvo::Data {
class Database;
class TUpdatedADODataSet;
} // namespace Tarvo::Data
namespace Tarvo::Widgets {
class TDataGrid;
}

namespace Tarvo::Catalog {

// "Коды Валют": the currencies ("Коды валют") and the quotations of the current one
// ("Котировки", newest first). Buttons act on the page shown.
class TFormCodValut : public QDialog
{
    Q_OBJECT
public:
    explicit TFormCodValut(Data::Database& db, QWidget* parent = nullptr);
    ~TFormCodValut() override;

    Data::TUpdatedADODataSet& currencies() const { return *m_currencies; }
    Data::TUpdatedADODataSet& quotations() const { return *m_quotations; }
    QTabWidget* pages() const { return m_pages; }
    Widgets::TDataGrid* currencyGrid() const { return m_currencyGrid; }
    Widgets::TDataGrid* quotationGrid() const { return m_quotationGrid; }

    void addRecord();
    void saveRecord();
    void deleteRecord();
    void accept() override;
    void reject() override;

    static const QString CurrencyUsed;
    static const QString QuotationExists;

private:
    Data::TUpdatedADODataSet& current() const;
    Widgets::TDataGrid* currentGrid() const;

    Data::Database& m_db;
    std::unique_ptr<Data::TUpdatedADODataSet> m_currencies;
    std::unique_ptr<Data::TUpdatedADODataSet> m_quotations;
    QTabWidget* m_pages;
    Widgets::TDataGrid* m_currencyGrid;
    Widgets::TDataGrid* m_quotationGrid;
};

} // namespace Tarvo::Catalog
