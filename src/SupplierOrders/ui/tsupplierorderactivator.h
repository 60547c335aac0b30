#pragma once

#include "SupplierOrders/ui/tselectsupplier.h"
#include "shell/ui/twindowactivator.h"

#include <optional>

namespace Tarvo::SupplierOrders {

// Form type 78, the one supplier order editor: a number above 0 opens that order; 0 or less
// asks for the supplier first ("Выбор поставщика"), and a cancel opens nothing.
class TSupplierOrderActivator : public Shell::TFormActivation
{
public:
    static constexpr int FormType = 78;

    TSupplierOrderActivator();

    void activate(int parameter) override;
    int formType() const override { return FormType; }
    QWidget* window() const { return m_editor.window(); }

    // Puts the editor into the form-activation registry.
    static void registerEditor();

private:
    Shell::TWindowActivator m_editor;
    std::optional<TselectSupplier::Choice> m_supplier;
};

} // namespace Tarvo::SupplierOrders
