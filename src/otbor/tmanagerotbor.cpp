#include "otbor/tmanagerotbor.h"

#include "otbor/otborlookup.h"

namespace Tarvo::Otbor {

void TManagerOtbor::setAllowedRows(AllowedRows rows)
{
    if (m_rows == rows)
        return;
    m_rows = rows;
    changed();
}

QString TManagerOtbor::description() const
{
    if (m_rows == OwnRows)
        return QStringLiteral("Менеджер = \"%1\"").arg(Lookup::currentUserName());
    return QStringLiteral("Отдел = \"%1\"").arg(Lookup::currentUserDepartment());
}

void TManagerOtbor::saveValues(TVarValues& out) const
{
    out << qMakePair(QStringLiteral("AllowedRows"), QString::number(int(m_rows)));
}

bool TManagerOtbor::loadValue(const QString& name, const QString& text)
{
    if (name != QLatin1String("AllowedRows"))
        return true;
    int v = 0;
    if (!parseSmall(text, 0, 1, &v))
        return false;
    setAllowedRows(AllowedRows(v));
    return true;
}

} // namespace Tarvo::Otbor
