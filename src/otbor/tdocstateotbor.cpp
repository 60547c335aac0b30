#include "otbor/tdocstateotbor.h"

namespace Tarvo::Otbor {

void TDocStateOtbor::setDocState(DocState state)
{
    if (m_state == state)
        return;
    m_state = state;
    changed();
}

QString TDocStateOtbor::description() const
{
    switch (m_state) {
    case InProgress:
        return QStringLiteral("В работе");
    case DoneByRegister:
        return QStringLiteral("Выполнено по реестру");
    case Done:
        break;
    }
    return QStringLiteral("Выполнено");
}

void TDocStateOtbor::saveValues(TVarValues& out) const
{
    out << qMakePair(QStringLiteral("DocState"), QString::number(int(m_state)));
}

bool TDocStateOtbor::loadValue(const QString& name, const QString& text)
{
    if (name != QLatin1String("DocState"))
        return true;
    int v = 0;
    if (!parseSmall(text, 0, 2, &v))
        return false;
    setDocState(DocState(v));
    return true;
}

} // namespace Tarvo::Otbor
