#include "otbor/tvarstringcompare.h"

#include "otbor/otborlookup.h"

namespace Tarvo::Otbor {

void TVarStringCompare::setCompareType(CompareType type)
{
    if (m_compareType == type)
        return;
    m_compareType = type;
    changed();
}

void TVarStringCompare::setCompareString(const QString& text)
{
    if (m_compareString == text)
        return;
    m_compareString = text;
    changed();
}

void TVarStringCompare::saveValues(TVarValues& out) const
{
    out << qMakePair(QStringLiteral("CompareType"), QString::number(int(m_compareType)))
        << qMakePair(QStringLiteral("CompareString"), m_compareString);
}

bool TVarStringCompare::loadValue(const QString& name, const QString& text)
{
    if (name == QLatin1String("CompareType")) {
        int v = 0;
        if (!parseSmall(text, 0, 1, &v))
            return false;
        setCompareType(CompareType(v));
    } else if (name == QLatin1String("CompareString")) {
        setCompareString(text);
    }
    return true;
}

QString TPartnerOtbor::description() const
{
    const QString head = compareType() == Equal ? QStringLiteral("%1 = ").arg(m_caption)
                                                : QStringLiteral("%1 включает ").arg(m_caption);
    return head + QStringLiteral("\"%1\"").arg(Lookup::partnerName(compareString()));
}

QString TUrgencyOtbor::description() const
{
    return QStringLiteral("Срочность = \"%1\"").arg(compareString());
}

} // namespace Tarvo::Otbor
