#pragma once

#include "otbor/tvar.h"

#include <QMap>
#include <functional>
#include <memory>

class QObject;

namespace Tarvo::Otbor {

// Filter variables in insertion order, with change notification. A variable may sit in
// several lists (the global list and a register's own); updates of one list bracket every
// list that shares a variable with it, so a change made inside is told once, at the end.
class TVarList
{
public:
    TVarList() = default;
    TVarList(const TVarList&) = delete;
    TVarList& operator=(const TVarList&) = delete;
    // Variables that leave their last list here are destroyed.
    virtual ~TVarList();

    // Takes part ownership. A GUID already in the list is a programming error (std::logic_error).
    void add(TVar* var);
    // The variable is destroyed when this was its last list.
    void remove(TVar* var);
    int count() const { return int(m_vars.size()); }
    TVar* item(int index) const { return m_vars.at(index); }
    const QList<TVar*>& items() const { return m_vars; }
    TVar* find(const QUuid& guid) const;
    template <typename T> T* find(const QUuid& guid) const { return dynamic_cast<T*>(find(guid)); }
    bool contains(const TVar* var) const { return m_vars.contains(const_cast<TVar*>(var)); }

    // Nested. Subscribers are told once when the outermost update ends and something changed.
    void beginUpdate();
    void endUpdate();
    // Inside an update of this list or of a list sharing a variable with it.
    bool isUpdating() const;

    // Returns a token for unsubscribe. With a guard the subscription ends when the guard is
    // destroyed (a window that forgets to unsubscribe is never called after its death).
    int subscribe(std::function<void()> subscriber, QObject* guard = nullptr);
    void unsubscribe(int token);

    // The active variables' descriptions on one line, separated by blanks.
    QString description() const;

private:
    friend class TVar;
    void varChanged();
    void forget(TVar* var);
    void notifyIfDue();
    QList<TVarList*> neighbours() const;

    QList<TVar*> m_vars;
    int m_updateCount = 0;
    bool m_changed = false;
    int m_nextToken = 1;
    QMap<int, std::function<void()>> m_subscribers;
    // Lets guard connections outlive the list safely.
    std::shared_ptr<TVarList*> m_self = std::make_shared<TVarList*>(this);
};

} // namespace Tarvo::Otbor
