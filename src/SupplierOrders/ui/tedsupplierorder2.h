#pragma once

#include "SupplierOrders/supplierorderdocument.h"
#include "SupplierOrders/ui/tselectsupplproducts.h"
#include "data/rowset/rowsetsubscription.h"
#include "messaging/tdataregistration.h"

#include <QPointer>
#include <QWidget>
#include <functional>
#include <memory>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QRadioButton;

namespace Tarvo::Widgets {
class TDataGrid;
}
namespace Tarvo::BusOffer {
class OfferEditorLineDelegate;
}

namespace Tarvo::SupplierOrders {



// "Заказ поставщику": the header of one supplier order and its lines. Every change is written
// at once; the products come from the supplier's assortment ("Нов. товар").
class TedSupplierOrder2 : public QWidget
{
    Q_OBJECT
public:
    explicit TedSupplierOrder2(Data::Database& db, QWidget* parent = nullptr);
    ~TedSupplierOrder2() override;

    // Applies the closing rules to the order shown, then shows `suoId`.
    void loadOrder(qint64 suoId);
    // A new order for the supplier chosen.
    void newOrder(qint64 supplierId, const QString& supplierName);
    SupplierOrderDocument& document() { return *m_doc; }

    Widgets::TDataGrid* grid() const { return m_grid; }
    TSelectSupplProducts* picker() const { return m_picker; }
    QMenu* linesMenu();

    static const QString LinesKey;

protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildHeader();
    void buildLines();
    void shown();
    void fillHeader();
    void updateState();
    void applyDirection();
    QColor columnColour(const QString& field) const;
    bool guarded(const std::function<void()>& action);
    void save();
    void newProduct();
    void deleteProduct();
    void chooseDate();
    void setAllDates();
    void currencyChosen(int index);
    void closeWindow();
    void exchange(class TSupplierProductExchange& e);
    QString currentField() const;

    Data::Database& m_db;
    std::unique_ptr<SupplierOrderDocument> m_doc;
    Messaging::TRegistrationGuard m_pickerCalls;
    Data::RowSetSubscription m_linesChanged;
    QPointer<TSelectSupplProducts> m_picker;
    bool m_filling = false;

    QLabel* m_number = nullptr;
    QLineEdit* m_dopNomer = nullptr;
    QComboBox* m_urgency = nullptr;
    QLineEdit* m_supplier = nullptr;
    QDateEdit* m_date = nullptr;
    QComboBox* m_currency = nullptr;
    QLineEdit* m_sum = nullptr;
    QLineEdit* m_sumValut = nullptr;
    QLineEdit* m_description = nullptr;
    QLineEdit* m_sNomer = nullptr;
    QComboBox* m_warehouse = nullptr;
    QComboBox* m_contract = nullptr;
    QCheckBox* m_accepted = nullptr;
    QDateEdit* m_planStart = nullptr;
    QDateEdit* m_planEnd = nullptr;
    QRadioButton* m_rubToVal = nullptr;
    QRadioButton* m_valToRub = nullptr;
    QButtonGroup* m_directionGroup = nullptr;
    Widgets::TDataGrid* m_grid = nullptr;
    BusOffer::OfferEditorLineDelegate* m_delegate = nullptr;
    QPushButton* m_newProduct = nullptr;
    QPushButton* m_deleteProduct = nullptr;
    QPushButton* m_save = nullptr;
    QPushButton* m_exit = nullptr;
    QMenu* m_menu = nullptr;
};

} // namespace Tarvo::SupplierOrders
