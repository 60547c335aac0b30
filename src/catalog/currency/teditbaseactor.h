#pragma once

#include "data/engine/money.h"

#include <QDate>
#include <QString>

namespace Tarvo::Catalog {

// What an editor exposes to the conversion actors: its rouble and currency amounts,
// the factor of the line (its quantity), the document's currency and date.
class TDataAccessor
{
public:
    virtual ~TDataAccessor() = default;
    virtual Money rubValue() const = 0;
    virtual void setRubValue(Money value) = 0;
    virtual Money valValue() const = 0;
    virtual void setValValue(Money value) = 0;
    // The line quantity: totals are value × factor.
    virtual Money factor() const { return Money(1); }
    virtual void setRubTotal(Money) {}
    virtual void setValTotal(Money) {}
    // Empty for roubles.
    virtual QString currencyCode() const = 0;
    virtual QDate date() const = 0;

    // Set while one of the editor's actors writes: the fields it changes must not start the
    // other actor, or a converted value would come back rounded into the field just typed.
    bool busy() const { return m_busy; }
    void setBusy(bool on) { m_busy = on; }

private:
    bool m_busy = false;
};

// Keeps a rouble field and a currency field consistent. The busy flag (kept by the accessor, so
// shared by the actors of one editor) stops them from recomputing each other.
class TEditBaseActor
{
public:
    explicit TEditBaseActor(TDataAccessor& accessor) : m_accessor(accessor) {}
    virtual ~TEditBaseActor() = default;

    // The edited field changed: recompute the other one (nothing while already busy).
    void changed();
    bool busy() const { return m_accessor.busy(); }

protected:
    virtual void update() = 0;
    TDataAccessor& accessor() const { return m_accessor; }

private:
    TDataAccessor& m_accessor;
};

} // namespace Tarvo::Catalog
