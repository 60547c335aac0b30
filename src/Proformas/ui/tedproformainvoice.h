#pragma once

#include "Proformas/tdmeditproforma.h"

#include <QWidget>
#include <functional>
#include <memory>

class QDateEdit;
class QFormLayout;
class QLabel;
class QLineEdit;
class QToolBar;

namespace Tarvo::Data {
class Database;
}
namespace Tarvo::Widgets {
class TDataGrid;
}

namespace Tarvo::Proformas {

// The proforma editor: the header's fields above, the products, the parts of confirmed lines
// under the current product and their request parts. One editor serves every proforma: asked
// for another, it offers to save the one it holds first.
class TedProformaInvoice : public QWidget
{
    Q_OBJECT
public:
    enum class Mode
    {
        New,
        Edit,
        View
    };

    static const QString SavedMessage;
    static const QString SwitchQuestion;
    static const QString CloseQuestion;

    // A new proforma of the orders' free lines; nullptr when refused (the refusal is shown) or
    // when the user keeps the open one.
    static TedProformaInvoice* openNew(const QList<qint64>& orderIds);
    static TedProformaInvoice* openProforma(qint64 pfId, Mode mode);
    // The one editor, when open.
    static TedProformaInvoice* instance();

    explicit TedProformaInvoice(Data::Database& db, QWidget* parent = nullptr);
    ~TedProformaInvoice() override;

    TdmEditProforma& document() { return *m_doc; }
    Mode mode() const { return m_mode; }
    QString modeText() const;
    Widgets::TDataGrid* productsGrid() const { return m_products; }
    Widgets::TDataGrid* partsGrid() const { return m_parts; }
    Widgets::TDataGrid* requestsGrid() const { return m_requests; }

    void loadNew(const QList<qint64>& orderIds);
    void loadProforma(qint64 pfId, Mode mode);
    // False when nothing was saved (refused or unchanged).
    bool save();
    void sumFromProducts();
    // Deletes the current product (with its parts) or part (with its request parts).
    void deleteRow(bool product);
    // The document holds unsaved changes (typed header fields included).
    bool isModified();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    bool guarded(const std::function<void()>& action);
    // Asks whether to save before the editor takes another proforma; false: stay as it is.
    bool releaseDocument();
    void applyHeader();
    void showHeader();
    void updateCaption();
    QLineEdit* addField(QFormLayout* form, const QString& name, const QString& label, bool readOnly);

    std::unique_ptr<TdmEditProforma> m_doc;
    Mode m_mode = Mode::New;
    QToolBar* m_toolbar = nullptr;
    QLabel* m_status = nullptr;
    QLineEdit* m_id = nullptr;
    QLineEdit* m_currency = nullptr;
    QLineEdit* m_supplier = nullptr;
    QDateEdit* m_date = nullptr;
    QLineEdit* m_number = nullptr;
    QLineEdit* m_extraNumber = nullptr;
    QLineEdit* m_sum = nullptr;
    QLineEdit* m_plan = nullptr;
    QLineEdit* m_surcharge = nullptr;
    Widgets::TDataGrid* m_products = nullptr;
    Widgets::TDataGrid* m_parts = nullptr;
    Widgets::TDataGrid* m_requests = nullptr;
    bool m_showing = false;
};

} // namespace Tarvo::Proformas
