#include "shell/ui/twindowactivator.h"

#include "widgets/mdihost.h"

namespace Tarvo::Shell {

using namespace Widgets;

TWindowActivator::TWindowActivator(int formType, Factory factory, Restore restore, Loader loader)
    : m_formType(formType), m_factory(std::move(factory)), m_restore(restore), m_loader(std::move(loader))
{}

QWidget* TWindowActivator::frame() const
{
    return m_window ? MdiHost::frameOf(m_window) : nullptr;
}

void TWindowActivator::activate(int parameter)
{
    if (!m_window) {
        m_window = m_factory();
        MdiHost::adopt(m_window);
    }
    MdiHost::bringForward(m_window, m_restore == Restore::ToNormal ? MdiHost::Minimized::Restore
                                                                   : MdiHost::Minimized::Keep);
    if (m_loader)
        m_loader(m_window, parameter);
}

} // namespace Tarvo::Shell
