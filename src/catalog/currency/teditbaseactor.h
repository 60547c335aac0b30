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
};

// Keeps a rouble field and a currency field consistent. The busy flag stops the two
// actors of one editor from recomputing each other endlessly.
class TEditBaseActor
{
public:
    explicit TEditBaseActor(TDataAccessor& accessor) : m_accessor(accessor) {}
    virtual ~TEditBaseActor() = default;

    // The edited field changed: recompute the other one (nothing while already busy).
    void changed();
    bool busy() const { return m_busy; }

protected:
    virtual void update() = 0;
    TDataAccessor& accessor() const { return m_accessor; }

private:
    TDataAccessor& m_accessor;
    bool m_busy = false;
};

} // namespace Tarvo::Catalog
