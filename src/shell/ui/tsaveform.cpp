#include "shell/ui/tsaveform.h"

#include "shell/tformsfile.h"

#include <QCloseEvent>
#include <QMdiArea>
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

void TSaveForm::trackFrame()
{
    QWidget* target = placementTarget();
    if (target == this || target == m_frame)
        return;
    if (m_frame)
        m_frame->removeEventFilter(this);
    m_frame = target;
    m_frame->installEventFilter(this);
    if (!(m_frame->windowState() & (Qt::WindowMinimized | Qt::WindowMaximized)))
        m_normal = m_frame->geometry();
}

bool TSaveForm::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_frame && (event->type() == QEvent::Move || event->type() == QEvent::Resize) &&
        !(m_frame->windowState() & (Qt::WindowMinimized | Qt::WindowMaximized)))
        m_normal = m_frame->geometry();
    return QWidget::eventFilter(watched, event);
}

QRect TSaveForm::normalRect()
{
    QWidget* target = placementTarget();
    if (target->isWindow()) {
        const QRect r = target->normalGeometry();
        return r.isValid() ? r : target->geometry();
    }
    if (target == m_frame && m_normal.isValid())
        return m_normal;
    return target->geometry();
}

void TSaveForm::restorePlacement()
{
    try {
        trackFrame();
        const auto p = TFormsFile().placement(placementKey());
        QWidget* target = placementTarget();
        if (!p) {
            applyDefaultSize(target);
            return;
        }
        if (!m_sizeable) {
            target->move(p->left, p->top);
            return;
        }
        target->setGeometry(p->left, p->top, p->width, p->height);
        m_normal = QRect(p->left, p->top, p->width, p->height);
        if (p->state == FormPlacement::Minimized)
            target->setWindowState(Qt::WindowMinimized);
        else if (p->state == FormPlacement::Maximized)
            target->setWindowState(Qt::WindowMaximized);
    } catch (...) {
        // A damaged settings file never keeps a window from opening.
    }
}

void TSaveForm::applyDefaultSize(QWidget* target)
{
    // The MDI area gives a new document its size hint, which for a grid is a few rows and columns.
    auto* frame = qobject_cast<QMdiSubWindow*>(target);
    if (!frame || !frame->mdiArea() || !m_sizeable)
        return;
    const QSize area = frame->mdiArea()->viewport()->size();
    const QSize size = frame->size().expandedTo(DefaultDocumentSize).boundedTo(area);
    if (size != frame->size())
        frame->resize(size);
    // Cascaded below the others, it may stick out of the area.
    const QPoint inside(qMax(0, qMin(frame->x(), area.width() - size.width())),
                        qMax(0, qMin(frame->y(), area.height() - size.height())));
    if (inside != frame->pos())
        frame->move(inside);
}

void TSaveForm::savePlacement()
{
    try {
        QWidget* target = placementTarget();
        const QRect r = normalRect();
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
