#pragma once

#include "shell/ui/tsaveform.h"

#include <QList>

class QStackedLayout;

namespace Tarvo::Shell {

// A window that shows one of several hosted pages at a time.
class THostForm : public TSaveForm
{
    Q_OBJECT
public:
    explicit THostForm(QWidget* parent = nullptr, Qt::WindowFlags flags = {});

    // Makes `page` the current page, adding it (filling the client area) the first time.
    void host(QWidget* page);
    QWidget* currentPage() const;
    QList<QWidget*> pages() const;

private:
    QStackedLayout* m_pages;
};

} // namespace Tarvo::Shell
