#pragma once

#include "WayBills/tdm_waybills.h"
#include "messaging/tdataregistration.h"

#include <QHash>
#include <QWidget>
#include <functional>
#include <memory>

class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QToolBar;

namespace Tarvo::Data {
class Database;
}
namespace Tarvo::Widgets {
class TDataGrid;
}

namespace Tarvo::WayBills {

// The waybill editor (form type 93): the waybill's header fields, its supplier invoices, the
// current invoice's products, the current product's order rows and their request rows. One
// editor serves every waybill: asked for another, it offers to save the one it holds first.
class TWayBillEditor : public QWidget
{
    Q_OBJECT
public:
    enum class Mode
    {
        Edit,
        View
    };
    static const QString SwitchQuestion;

    // 0 opens a new waybill. A waybill received in full opens for viewing.
    static TWayBillEditor* openWayBill(int swbId);
    // The order's rest into a new waybill, or into the current invoice of the open one (a new
    // editor when none is open). nullptr when refused (the refusal is shown) or kept.
    static TWayBillEditor* addOrder(int suoId, bool newWayBill);
    static TWayBillEditor* instance();
    static void registerEditor();

    explicit TWayBillEditor(Data::Database& db, QWidget* parent = nullptr);
    ~TWayBillEditor() override;

    Tdm_WayBills& document() { return *m_doc; }
    Mode mode() const { return m_mode; }
    Widgets::TDataGrid* invoicesGrid() const { return m_invoices; }
    Widgets::TDataGrid* productsGrid() const { return m_products; }
    Widgets::TDataGrid* ordersGrid() const { return m_orders; }
    Widgets::TDataGrid* offersGrid() const { return m_offers; }

    void loadWayBill(int swbId);
    bool save();
    void addInvoice();
    void addProduct();
    void deleteProduct();
    void deleteInvoice();
    void copyIntoNew();
    bool isModified();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    bool guarded(const std::function<void()>& action);
    bool releaseDocument();
    void applyHeader();
    void showHeader();
    void updateCaption();

    std::unique_ptr<Tdm_WayBills> m_doc;
    Data::Database& m_db;
    Mode m_mode = Mode::Edit;
    QToolBar* m_toolbar = nullptr;
    QLabel* m_caption = nullptr;
    QHash<QString, QLineEdit*> m_texts;
    QHash<QString, QDateEdit*> m_dates;
    QComboBox* m_stage = nullptr;
    Widgets::TDataGrid* m_invoices = nullptr;
    Widgets::TDataGrid* m_products = nullptr;
    Widgets::TDataGrid* m_orders = nullptr;
    Widgets::TDataGrid* m_offers = nullptr;
    Messaging::TRegistrationGuard m_productPicked;
    bool m_showing = false;
};

} // namespace Tarvo::WayBills
