#pragma once

#include "newLookup/tcolinfo.h"

#include <QList>

namespace Tarvo::NewLookup {

// The columns of one grid in display order. Kinds bind it to a row set's fields or to a grid's
// explicit columns: collect() reads them, applyInfo() puts one back at a position.
class TColList
{
public:
    virtual ~TColList() = default;

    // False when the owner has no such column (the info is then ignored).
    virtual bool applyInfo(int position, const TColInfo& info) = 0;
    virtual void collect() = 0;

    // Applies every info at its position in the list.
    void applyAll();

    QList<TColInfo>& items() { return m_items; }
    const QList<TColInfo>& items() const { return m_items; }
    int count() const { return int(m_items.size()); }

protected:
    QList<TColInfo> m_items;
};

} // namespace Tarvo::NewLookup
