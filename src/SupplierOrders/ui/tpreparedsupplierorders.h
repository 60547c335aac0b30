#pragma once

#include <QDialog>
#include <QList>
#include <memory>

namespace Tarvo::Data {
class TRowSet;
}
namespace Tarvo::Widgets {
class TDataGrid;
}

namespace Tarvo::SupplierOrders {

class SupplierOrderForming;
struct PreparedOrders;

// "Подготовленны заказы поставщикам": the orders prepared from the assignments with the lines of
// the current one. "Сохранить" writes them all in one transaction and says which orders were
// written; a refusal is shown and the dialog closes unsaved.
class TPreparedSupplierOrders : public QDialog
{
    Q_OBJECT
public:
    TPreparedSupplierOrders(SupplierOrderForming& forming, const PreparedOrders& prepared, QWidget* parent = nullptr);
    ~TPreparedSupplierOrders() override;

    static QString title();
    Widgets::TDataGrid* ordersGrid() const { return m_ordersGrid; }
    Widgets::TDataGrid* linesGrid() const { return m_linesGrid; }
    // The numbers written by "Сохранить".
    const QList<qint64>& savedOrders() const { return m_saved; }
    // "Сохранить" was refused: the amounts the orders came from are no longer those read.
    bool refused() const { return m_refused; }

    void save();

private:
    SupplierOrderForming& m_forming;
    std::unique_ptr<PreparedOrders> m_prepared;
    std::unique_ptr<Data::TRowSet> m_orders;
    std::unique_ptr<Data::TRowSet> m_lines;
    Widgets::TDataGrid* m_ordersGrid = nullptr;
    Widgets::TDataGrid* m_linesGrid = nullptr;
    QList<qint64> m_saved;
    bool m_refused = false;
};

} // namespace Tarvo::SupplierOrders
