#pragma once

#include "data/rowset/rowsetsubscription.h"
#include "shell/ui/tsaveform.h"

#include <functional>
#include <memory>

namespace Tarvo::Data {
class Database;
class TRowSet;
}
namespace Tarvo::Widgets {
class TDataGrid;
}

namespace Tarvo::SupplierOrders {

class SupplierOrderForming;
struct PreparedOrders;

// "Формирование заказа поставщику" (form type 43): the open amounts of approved requests per
// product above, the current product's suppliers below left and what is assigned to them below
// right. Enter (or a double click) on a supplier gives it the product's unassigned rest; the
// amounts are typed in the right grid, Delete there takes a supplier out. "Далее" shows the
// prepared orders ("Подготовленны заказы поставщикам"), whose "Сохранить" writes them.
class TfSupplierOrder : public Shell::TSaveForm
{
    Q_OBJECT
public:
    // `forming` has been opened (SupplierOrderForming::open) and is not empty.
    TfSupplierOrder(Data::Database& db, std::unique_ptr<SupplierOrderForming> forming, QWidget* parent = nullptr);
    ~TfSupplierOrder() override;

    static constexpr int FormType = 43;
    static QString title();
    static QString nothingToOrderText();

    SupplierOrderForming& forming() const { return *m_forming; }
    Widgets::TDataGrid* productsGrid() const { return m_productsGrid; }
    Widgets::TDataGrid* suppliersGrid() const { return m_suppliersGrid; }
    Widgets::TDataGrid* assignmentsGrid() const { return m_assignmentsGrid; }

    // The commands of the window, as its keys and buttons run them.
    void assignRestToCurrentSupplier();
    void removeCurrentAssignment();
    void next();
    // Reads the open amounts again; closes the window when nothing is left to order.
    void reload();
    // The window with its frame.
    void closeWindow();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void guarded(const std::function<void()>& command);
    qint64 currentProduct() const;
    void fillProducts(qint64 keepProduct);
    void fillProductRows();
    void fillSuppliers();
    void fillAssignments();
    void scheduleRefill();
    void showAssignedTotal();
    bool typedAmount(int field, const QVariant& value);

    Data::Database& m_db;
    std::unique_ptr<SupplierOrderForming> m_forming;
    std::unique_ptr<Data::TRowSet> m_products;
    std::unique_ptr<Data::TRowSet> m_suppliers;
    std::unique_ptr<Data::TRowSet> m_assignments;
    Data::RowSetSubscription m_productMoved;
    Widgets::TDataGrid* m_productsGrid = nullptr;
    Widgets::TDataGrid* m_suppliersGrid = nullptr;
    Widgets::TDataGrid* m_assignmentsGrid = nullptr;
    qint64 m_shownProduct = -1;
    bool m_refillPending = false;
    bool m_filling = false; // the window's own moves of the product rows

};

} // namespace Tarvo::SupplierOrders
