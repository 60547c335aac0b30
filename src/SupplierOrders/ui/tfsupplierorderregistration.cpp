#include "SupplierOrders/ui/tfsupplierorderregistration.h"

#include "SupplierOrders/supplierorderforming.h"
#include "SupplierOrders/ui/tfsupplierorder.h"
#include "data/engine/database.h"
#include "shell/formactivationregistry.h"
#include "shell/ui/mainwindow.h"
#include "shell/ui/twindowactivator.h"

#include <QMessageBox>

namespace Tarvo::SupplierOrders {

namespace {
// One window; the open amounts are read before it is made, and nothing opens when none is open.
class TfSupplierOrderActivator : public Shell::TFormActivation
{
public:
    TfSupplierOrderActivator()
        : m_window(
              TfSupplierOrder::FormType,
              [this] { return new TfSupplierOrder(Data::Database::openMain(), std::move(m_opened)); },
              Shell::TWindowActivator::Restore::ShowOnly)
    {}

    int formType() const override { return TfSupplierOrder::FormType; }

    void activate(int parameter) override
    {
        if (m_window.window()) {
            m_window.activate(parameter);
            return;
        }
        auto forming = std::make_unique<SupplierOrderForming>(Data::Database::openMain());
        forming->open();
        if (forming->isEmpty()) {
            QMessageBox::information(Shell::MainWindow::instance(), TfSupplierOrder::title(),
                                     TfSupplierOrder::nothingToOrderText());
            return;
        }
        m_opened = std::move(forming);
        m_window.activate(parameter);
    }

private:
    std::unique_ptr<SupplierOrderForming> m_opened;
    Shell::TWindowActivator m_window;
};
} // namespace

void registerSupplierOrderForming()
{
    auto& registry = Shell::FormActivationRegistry::instance();
    if (registry.contains(TfSupplierOrder::FormType))
        return;
    registry.add(std::make_unique<TfSupplierOrderActivator>());
}

} // namespace Tarvo::SupplierOrders
