#include "widgets/mdihost.h"

#include "shell/ui/mainwindow.h"

#include <QMdiArea>
#include <QMdiSubWindow>

namespace Tarvo::Widgets::MdiHost {

QWidget* frameOf(QWidget* w)
{
    if (auto* sub = qobject_cast<QMdiSubWindow*>(w->parentWidget()))
        return sub;
    return w;
}

QMdiSubWindow* adopt(QWidget* window)
{
    window->setAttribute(Qt::WA_DeleteOnClose);
    Shell::MainWindow* main = Shell::MainWindow::instance();
    if (!main || !main->mdiArea())
        return nullptr;
    QMdiSubWindow* sub = main->mdiArea()->addSubWindow(window);
    sub->setAttribute(Qt::WA_DeleteOnClose);
    return sub;
}

void show(QWidget* window)
{
    adopt(window);
    bringForward(window);
}

void bringForward(QWidget* w, Minimized minimized)
{
    QWidget* f = frameOf(w);
    if (minimized == Minimized::Restore && f->isMinimized())
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

} // namespace Tarvo::Widgets::MdiHost
