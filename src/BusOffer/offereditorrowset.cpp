#include "BusOffer/offereditorrowset.h"

#include "data/engine/query.h"

#include <QScopeGuard>

namespace Tarvo::BusOffer {

void OfferEditorRowSet::load(Data::Query& query)
{
    if (state() != Data::RowSetState::Browse)
        cancel();
    clearRows();
    query.exec();
    const int n = fieldCount();
    while (query.next()) {
        QVariantList values;
        values.reserve(n);
        for (int i = 0; i < n; ++i)
            values << (field(i).isCalculated() ? QVariant() : query.value(i));
        appendLoaded(std::move(values));
    }
    first();
    notifyChanged();
    recordChanged();
}

void OfferEditorRowSet::reset()
{
    if (state() != Data::RowSetState::Browse)
        cancel();
    clearRows();
}

void OfferEditorRowSet::storeReadBack(const QList<std::pair<QString, QVariant>>& values)
{
    if (recNo() < 0 && state() != Data::RowSetState::Insert)
        return;
    const Data::RowSetState before = state();
    const bool pending = before != Data::RowSetState::Browse && modified();
    if (before == Data::RowSetState::Browse)
        edit();
    for (const auto& [name, value] : values)
        forceField(name, value);
    if (pending)
        return;
    postWritten();
    if (before == Data::RowSetState::Edit)
        edit();
}

void OfferEditorRowSet::postWritten()
{
    m_readingBack = true;
    const auto done = qScopeGuard([this] { m_readingBack = false; });
    post();
}

void OfferEditorRowSet::internalPost()
{
    if (onWrite && !m_readingBack)
        onWrite(*this);
    TRowSet::internalPost();
    acceptAll();
}

void OfferEditorRowSet::internalDelete()
{
    if (onErase)
        onErase(*this);
    TRowSet::internalDelete();
    acceptAll();
}

} // namespace Tarvo::BusOffer
