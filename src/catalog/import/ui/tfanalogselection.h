#pragma once

#include <QDialog>

class QLineEdit;
class QPushButton;

namespace Tarvo::Data {
class Database;
}

namespace Tarvo::Catalog {

class TfCatalog;
class AnalogProductsView;

// The product choice of a price-list run for an article the supplier's map does not know: the
// catalog's tree and product list, a search by article or name. One window serves a whole run.
class TfAnalogSelection : public QDialog
{
    Q_OBJECT
public:
    enum Answer
    {
        Chosen,   // "Выбрать" (Enter, a double click in the list)
        New,      // "Новая"
        Skip,     // "Пропустить" (Esc)
        DeferAll, // "Отложить все новые"
        Abort     // "Прервать импорт"
    };

    explicit TfAnalogSelection(Data::Database& db, QWidget* parent = nullptr);

    // Shows the window for the article (the product whose article equals it chosen first).
    Answer ask(const QString& article, const QString& name);
    qint64 productId() const { return m_product; }

    TfCatalog* catalog() const { return m_catalog; }
    QLineEdit* searchEdit() const { return m_search; }
    AnalogProductsView* products() const { return m_view; }
    // Puts the current row on the first product whose article, else name, starts with the text.
    bool search(const QString& text);
    bool selectProduct(qint64 productId);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void finish(Answer a);
    void chooseCurrent();

    Data::Database& m_db;
    TfCatalog* m_catalog;
    AnalogProductsView* m_view;
    QLineEdit* m_search;
    qint64 m_product = 0;
    Answer m_answer = Skip;
};

} // namespace Tarvo::Catalog
