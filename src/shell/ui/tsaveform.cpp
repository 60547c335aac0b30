#include "shell/ui/tsaveform.h"

#include "shell/tformsfile.h"

#include <QCloseEvent>
#include <QMdiSubWindow>

namespace Tarvo::Shell {

TSaveForm::TSaveForm(QWidget* parent, Qt::WindowFlags flags) : QWidget(parent, flags) {}

TSaveForm::~TSaveForm()
{
    if (m_restored)
        savePlacement();
}

QString TSaveForm::placementKey() const
{
    const QString name = QString::fromLatin1(metaObject()->className());
    return name.mid(name.lastIndexOf(QLatin1Char(':')) + 1);
}

QWidget* TSaveForm::placementTarget()
{
    if (auto* frame = qobject_cast<QMdiSubWindow*>(parentWidget()))
        return frame;
    return this;
}

void TSaveForm::restorePlacement()
{
    try {
        const auto p = TFormsFile().placement(placementKey());
        if (!p)
            return;
        QWidget* target = placementTarget();
        if (!m_sizeable) {
            target->move(p->left, p->top);
            return;
        }
        target->setGeometry(p->left, p->top, p->width, p->height);
        if (p->state == FormPlacement::Minimized)
            target->setWindowState(Qt::WindowMinimized);
        else if (p->state == FormPlacement::Maximized)
            target->setWindowState(Qt::WindowMaximized);
    } catch (...) {
        // A damaged settings file never keeps a window from opening.
    }
}

void TSaveForm::savePlacement()
{
    try {
        QWidget* target = placementTarget();
        QRect r = target->isWindow() ? target->normalGeometry() : QRect();
        if (!r.isValid())
            r = target->geometry();
        int state = FormPlacement::Normal;
        if (target->isMinimized())
            state = FormPlacement::Minimized;
        else if (target->isMaximized())
            state = FormPlacement::Maximized;
        TFormsFile().writePlacement(placementKey(), {r.x(), r.y(), r.width(), r.height(), state});
    } catch (...) {
        // Losing a window's place is not worth an error message at closing time.
    }
}

void TSaveForm::showEvent(QShowEvent* event)
{
    if (!m_restored) {
        m_restored = true;
        restorePlacement();
    }
    QWidget::showEvent(event);
}

void TSaveForm::closeEvent(QCloseEvent* event)
{
    QWidget::closeEvent(event);
    if (event->isAccepted() && m_restored)
        savePlacement();
}

} // namespace Tarvo::Shell
