#include "shell/ui/thostform.h"

#include <QStackedLayout>

namespace Tarvo::Shell {

THostForm::THostForm(QWidget* parent, Qt::WindowFlags flags)
    : TSaveForm(parent, flags), m_pages(new QStackedLayout(this))
{
    m_pages->setContentsMargins(0, 0, 0, 0);
}

void THostForm::host(QWidget* page)
{
    if (m_pages->indexOf(page) < 0)
        m_pages->addWidget(page);
    m_pages->setCurrentWidget(page);
}

QWidget* THostForm::currentPage() const
{
    return m_pages->currentWidget();
}

QList<QWidget*> THostForm::pages() const
{
    QList<QWidget*> r;
    for (int i = 0; i < m_pages->count(); ++i)
        r << m_pages->widget(i);
    return r;
}

} // namespace Tarvo::Shell
