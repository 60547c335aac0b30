#include "SupplierOrders/ui/tsupplierorderactivator.h"

#include "SupplierOrders/ui/tedsupplierorder2.h"
#include "data/engine/database.h"
#include "shell/formactivationregistry.h"
#include "shell/ui/mainwindow.h"

namespace Tarvo::SupplierOrders {

TSupplierOrderActivator::TSupplierOrderActivator()
    : m_editor(
          FormType, [] { return new TedSupplierOrder2(Data::Database::openMain()); },
          Shell::TWindowActivator::Restore::ToNormal,
          [this](QWidget* window, int suoId) {
              auto* editor = static_cast<TedSupplierOrder2*>(window);
              if (m_supplier)
                  editor->newOrder(m_supplier->id, m_supplier->name);
              else
                  editor->loadOrder(suoId);
          })
{}

void TSupplierOrderActivator::activate(int parameter)
{
    m_supplier.reset();
    if (parameter <= 0) {
        m_supplier = TselectSupplier::pickSupplier(Data::Database::openMain(), Shell::MainWindow::instance());
        if (!m_supplier)
            return;
    }
    m_editor.activate(parameter);
}

void TSupplierOrderActivator::registerEditor()
{
    Shell::FormActivationRegistry::instance().add(std::make_unique<TSupplierOrderActivator>());
}

} // namespace Tarvo::SupplierOrders
