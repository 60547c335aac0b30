#include "otbor/tvar.h"

#include "otbor/tvarlist.h"

namespace Tarvo::Otbor {

TVar::~TVar()
{
    // A list that still holds the variable must not keep a dangling pointer.
    const QList<TVarList*> lists = m_lists;
    for (TVarList* l : lists)
        l->forget(this);
}

void TVar::beginUpdate()
{
    for (TVarList* l : m_lists)
        l->beginUpdate();
}

void TVar::endUpdate()
{
    const QList<TVarList*> lists = m_lists;
    for (TVarList* l : lists)
        l->endUpdate();
}

void TVar::setActive(bool active)
{
    if (m_active == active)
        return;
    m_active = active;
    notifyLists();
}

bool TVar::loadValue(const QString&, const QString&)
{
    return true;
}

void TVar::changed()
{
    if (m_active)
        notifyLists();
}

void TVar::notifyLists()
{
    const QList<TVarList*> lists = m_lists;
    for (TVarList* l : lists)
        l->varChanged();
}

bool parseSmall(const QString& text, int low, int high, int* out)
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    if (!ok || v < low || v > high)
        return false;
    *out = v;
    return true;
}

} // namespace Tarvo::Otbor
