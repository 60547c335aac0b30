#include "otbor/tvarlist.h"

#include <QObject>
#include <QRegularExpression>
#include <stdexcept>

namespace Tarvo::Otbor {

TVarList::~TVarList()
{
    *m_self = nullptr;
    const QList<TVar*> vars = m_vars;
    m_vars.clear();
    for (TVar* v : vars) {
        v->m_lists.removeAll(this);
        if (v->m_lists.isEmpty())
            delete v;
    }
}

void TVarList::add(TVar* var)
{
    if (!var)
        throw std::logic_error("VarListClass: no variable");
    if (m_vars.contains(var) || (!var->guid().isNull() && find(var->guid())))
        throw std::logic_error("VarListClass: duplicate GUID " + var->guid().toString().toStdString());
    m_vars << var;
    var->m_lists << this;
}

void TVarList::remove(TVar* var)
{
    if (!m_vars.removeOne(var))
        return;
    var->m_lists.removeAll(this);
    if (var->m_lists.isEmpty())
        delete var;
}

void TVarList::forget(TVar* var)
{
    m_vars.removeAll(var);
    var->m_lists.removeAll(this);
}

TVar* TVarList::find(const QUuid& guid) const
{
    for (TVar* v : m_vars)
        if (v->guid() == guid)
            return v;
    return nullptr;
}

QList<TVarList*> TVarList::neighbours() const
{
    QList<TVarList*> r;
    for (TVar* v : m_vars)
        for (TVarList* l : v->m_lists)
            if (l != this && !r.contains(l))
                r << l;
    return r;
}

bool TVarList::isUpdating() const
{
    if (m_updateCount > 0)
        return true;
    for (TVarList* l : neighbours())
        if (l->m_updateCount > 0)
            return true;
    return false;
}

void TVarList::beginUpdate()
{
    ++m_updateCount;
}

void TVarList::endUpdate()
{
    if (m_updateCount == 0)
        return;
    if (--m_updateCount > 0)
        return;
    // The lists bracketed with this one may be due now as well.
    const QList<TVarList*> others = neighbours();
    notifyIfDue();
    for (TVarList* l : others)
        l->notifyIfDue();
}

void TVarList::varChanged()
{
    m_changed = true;
    notifyIfDue();
}

void TVarList::notifyIfDue()
{
    if (!m_changed || isUpdating())
        return;
    m_changed = false;
    // A subscriber may subscribe or unsubscribe while being told.
    const QMap<int, std::function<void()>> subscribers = m_subscribers;
    for (auto it = subscribers.begin(); it != subscribers.end(); ++it)
        if (m_subscribers.contains(it.key()))
            it.value()();
}

int TVarList::subscribe(std::function<void()> subscriber, QObject* guard)
{
    const int token = m_nextToken++;
    m_subscribers.insert(token, std::move(subscriber));
    if (guard) {
        std::weak_ptr<TVarList*> self = m_self;
        QObject::connect(guard, &QObject::destroyed, [self, token] {
            if (auto p = self.lock(); p && *p)
                (*p)->unsubscribe(token);
        });
    }
    return token;
}

void TVarList::unsubscribe(int token)
{
    m_subscribers.remove(token);
}

QString TVarList::description() const
{
    QStringList parts;
    for (TVar* v : m_vars) {
        if (!v->active())
            continue;
        const QString d = v->description();
        if (!d.isEmpty())
            parts << d;
    }
    QString line = parts.join(QLatin1Char('\n'));
    static const QRegularExpression breaks(QStringLiteral("\r\n|\r|\n"));
    line.replace(breaks, QStringLiteral(" "));
    return line;
}

} // namespace Tarvo::Otbor
