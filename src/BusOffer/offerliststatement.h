#pragma once

#include "data/modules/tquerynodes.h"
#include "registers/keyrange.h"

#include <QVariant>

namespace Tarvo::Data {
class Dialect;
}
namespace Tarvo::Otbor {
class TVarList;
}

namespace Tarvo::BusOffer {

// Which requests a statement of the register reads (bof_id above `after`, up to `upTo`).
using OfferKeyRange = Registers::KeyRange;

// The register's list statement, built with the command builder: the header columns, the
// totals k1..k5 of each request from grouped sub-queries, the request's state computed from
// them, and the conditions of the register's filter list.
class OfferListStatement
{
public:
    enum State
    {
        Done = 0,           // "Выполнено": the completed amount equals the requested one
        InProgress = 1,     // "В работе": less placed than requested
        DoneByRegister = 2  // "Выполнено по реестру": everything else
    };
    static QString stateText(int state);

    // The state from the totals columns k1..k5 (nulls read as 0). The list's column and the
    // state filter both use this very expression, so a filter value lists exactly the requests
    // shown with that state.
    static QString stateExpression(const Data::Dialect& dialect);
    // The completed amount of one (request, invoice) pair: the shipped amount when the invoice
    // is completed, otherwise what was received into the warehouse. An invoice whose flag is
    // null counts as not completed.
    static QString completedAmount(const QString& completedFlag, const QString& shipped, const QString& received);
    // Restricts the statement's main table to the range's keys in `keyColumn` (bound parameters).
    static void restrictToRange(Data::TQueryNodes& statement, const QString& keyColumn, const OfferKeyRange& range);
    // Restricts a grouped sub-query to a batch's documents: their key range and, when the header's
    // filters pass only some of them (`keys` not null: their key statement), to those keys.
    static void restrictTotals(Data::TQueryNodes& sub, const QString& keyColumn, const OfferKeyRange& range,
                               const Data::TQueryNodesPtr& keys);
    // The condition groups of every table of the statement.
    static std::size_t conditionCount(const Data::TQueryNodes& statement);

    // `filters` may be null (no conditions at all, not even the manager restriction).
    static Data::TQueryNodesPtr build(const Data::Dialect& dialect, const Otbor::TVarList* filters,
                                      const OfferKeyRange& range = {});
    // The key of the last request of a batch of `requests` after `after` (null: from the first)
    // among those the header's filters pass; no row when fewer remain. A batch so holds that many
    // listed requests unless the state filter, which needs the totals, drops some.
    static Data::TQueryNodesPtr buildBatchEnd(const Otbor::TVarList* filters, const QVariant& after,
                                              int requests);
    // "select count(*)" of the requests the header's filters pass, walked like buildBatchEnd;
    // null while the state filter is active (it needs the totals of every request).
    static Data::TQueryNodesPtr buildCount(const Otbor::TVarList* filters);
};

} // namespace Tarvo::BusOffer
