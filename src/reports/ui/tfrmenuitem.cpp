#include "reports/ui/tfrmenuitem.h"

namespace Tarvo::Reports {

TFRMenuItem::TFRMenuItem(const QString& caption, int report, QObject* parent)
    : QAction(caption, parent), m_report(report)
{
    setObjectName(QStringLiteral("actReport%1").arg(report));
}

} // namespace Tarvo::Reports
