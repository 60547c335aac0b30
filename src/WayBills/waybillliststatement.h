#pragma once

#include "BusOffer/offerliststatement.h"
#include "data/modules/tquerynodes.h"

namespace Tarvo::Data {
class Dialect;
}
namespace Tarvo::Otbor {
class TVarList;
}

namespace Tarvo::WayBills {

// The statement of the waybill list: the waybills with, per waybill, the delivered quantity
// (sdp_amount), the received one (kolc_predm) and the completed one (kolc_complited: a closed
// invoice's delivered quantity, else what was received), and the two states worked out from them.
class WayBillListStatement
{
public:
    // "+" received in full, "Ч" in part, "" nothing received.
    static QString receiptStateExpression(const Data::Dialect& dialect);
    // 1 "В работе" while less is completed than delivered, else 0 "Выполнено"; the state filter
    // binds its value against this very expression.
    static QString workStateExpression(const Data::Dialect& dialect);
    static QString workStateText(int state);

    static Data::TQueryNodesPtr build(const Data::Dialect& dialect, const Otbor::TVarList* filters,
                                      const BusOffer::OfferKeyRange& range = {});
    static Data::TQueryNodesPtr buildBatchEnd(const Otbor::TVarList* filters, const QVariant& after, int waybills);
};

} // namespace Tarvo::WayBills
