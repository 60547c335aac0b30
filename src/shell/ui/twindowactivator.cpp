#include "shell/ui/twindowactivator.h"

#include "shell/ui/mainwindow.h"

#include <QMdiArea>
#include <QMdiSubWindow>

namespace Tarvo::Shell {

TWindowActivator::TWindowActivator(int formType, Factory factory, Restore restore, Loader loader)
    : m_formType(formType), m_factory(std::move(factory)), m_restore(restore), m_loader(std::move(loader))
{}

QWidget* TWindowActivator::frame() const
{
    if (!m_window)
        return nullptr;
    if (auto* sub = qobject_cast<QMdiSubWindow*>(m_window->parentWidget()))
        return sub;
    return m_window;
}

void TWindowActivator::activate(int parameter)
{
    if (!m_window) {
        m_window = m_factory();
        m_window->setAttribute(Qt::WA_DeleteOnClose);
        if (MainWindow* main = MainWindow::instance()) {
            QMdiSubWindow* sub = main->mdiArea()->addSubWindow(m_window);
            sub->setAttribute(Qt::WA_DeleteOnClose);
        }
    }
    QWidget* f = frame();
    if (m_restore == Restore::ToNormal && f->isMinimized())
        f->showNormal();
    else
        f->show();
    m_window->show();
    if (auto* sub = qobject_cast<QMdiSubWindow*>(f))
        sub->mdiArea()->setActiveSubWindow(sub);
    else
        f->activateWindow();
    f->raise();
    if (m_loader)
        m_loader(m_window, parameter);
}

} // namespace Tarvo::Shell
