#include "otbor/tvarbool.h"

namespace Tarvo::Otbor {

void TVarBool::setValue(bool value)
{
    if (m_value == value)
        return;
    m_value = value;
    changed();
}

void TVarBool::saveValues(TVarValues& out) const
{
    out << qMakePair(QStringLiteral("Value"), QString::number(m_value ? 1 : 0));
}

bool TVarBool::loadValue(const QString& name, const QString& text)
{
    if (name != QLatin1String("Value"))
        return true;
    const QString t = text.trimmed().toLower();
    // Other writers put booleans as -1 or as words.
    if (t == QLatin1String("1") || t == QLatin1String("-1") || t == QLatin1String("true"))
        setValue(true);
    else if (t == QLatin1String("0") || t == QLatin1String("false"))
        setValue(false);
    else
        return false;
    return true;
}

QString TMarkedOtbor::description() const
{
    return value() ? QStringLiteral("отмеченные") : QStringLiteral("не отмеченные");
}

} // namespace Tarvo::Otbor
