#include "Payments/ui/mdihost.h"

#include "shell/ui/mainwindow.h"

#include <QMdiArea>
#include <QMdiSubWindow>

namespace Tarvo::Payments::MdiHost {

QWidget* frameOf(QWidget* w)
{
    if (auto* sub = qobject_cast<QMdiSubWindow*>(w->parentWidget()))
        return sub;
    return w;
}

void show(QWidget* window)
{
    window->setAttribute(Qt::WA_DeleteOnClose);
    if (Shell::MainWindow* main = Shell::MainWindow::instance()) {
        QMdiSubWindow* sub = main->mdiArea()->addSubWindow(window);
        sub->setAttribute(Qt::WA_DeleteOnClose);
    }
    bringForward(window);
}

void bringForward(QWidget* w)
{
    QWidget* f = frameOf(w);
    if (f->isMinimized())
        f->showNormal();
    else
        f->show();
    w->show();
    if (auto* sub = qobject_cast<QMdiSubWindow*>(f))
        sub->mdiArea()->setActiveSubWindow(sub);
    else
        f->activateWindow();
    f->raise();
}

} // namespace Tarvo::Payments::MdiHost
