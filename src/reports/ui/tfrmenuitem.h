#pragma once

#include <QAction>

namespace Tarvo::Reports {

// A report menu's item: it runs the report it holds.
class TFRMenuItem : public QAction
{
    Q_OBJECT
public:
    TFRMenuItem(const QString& caption, int report, QObject* parent);
    int report() const { return m_report; }

private:
    int m_report;
};

} // namespace Tarvo::Reports
