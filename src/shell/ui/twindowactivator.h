#pragma once

#include "shell/tformactivation.h"

#include <QPointer>
#include <QWidget>
#include <functional>

namespace Tarvo::Shell {

// Activator of a single-instance window: created on first activation (as an
// MDI child of the main window when there is one), shown afterwards. Register
// windows that must come back from the minimised state say so.
class TWindowActivator : public TFormActivation
{
public:
    using Factory = std::function<QWidget*()>;
    // Called after every activation with the parameter (document editors load it).
    using Loader = std::function<void(QWidget* window, int parameter)>;

    enum class Restore
    {
        ShowOnly,
        ToNormal
    };

    TWindowActivator(int formType, Factory factory, Restore restore = Restore::ShowOnly, Loader loader = {});

    void activate(int parameter) override;
    int formType() const override { return m_formType; }
    QWidget* window() const { return m_window; }
    // The MDI frame around the window, or the window itself.
    QWidget* frame() const;

private:
    int m_formType;
    Factory m_factory;
    Restore m_restore;
    Loader m_loader;
    QPointer<QWidget> m_window;
};

} // namespace Tarvo::Shell
