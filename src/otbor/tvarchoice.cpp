#include "otbor/tvarchoice.h"

namespace Tarvo::Otbor {

void TVarChoice::setChoice(int choice)
{
    if (m_choice == choice)
        return;
    m_choice = choice;
    changed();
}

void TVarChoice::saveValues(TVarValues& out) const
{
    out << qMakePair(m_name, QString::number(m_choice));
}

bool TVarChoice::loadValue(const QString& name, const QString& text)
{
    if (name != m_name)
        return true;
    int v = 0;
    if (!parseSmall(text, 0, m_last, &v))
        return false;
    setChoice(v);
    return true;
}

} // namespace Tarvo::Otbor
