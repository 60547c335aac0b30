#pragma once

#include "data/modules/tquerynodes.h"
#include "registers/keyrange.h"

namespace Tarvo::Data {
class Dialect;
}
namespace Tarvo::Otbor {
class TVarList;
}

namespace Tarvo::Proformas {

// The statement of the proforma register: the headers with supplier and manager, the sums of
// their confirmed lines and payments (left-joined: proformas without either are listed), each
// grouped only over the batch's keys, and the payment state.
class ProformaListStatement
{
public:
    enum PaymentState
    {
        Unpaid = 0,
        Paid = 1,
        PartlyPaid = 2,
    };
    static QString stateSign(int state);
    // S = pf_sum + pf_surcharge against the paid P: 0 when P is 0, 1 when P >= S, else 2.
    static QString stateExpression(const Data::Dialect& dialect);

    static Data::TQueryNodesPtr build(const Data::Dialect& dialect, const Otbor::TVarList* filters,
                                      const Registers::KeyRange& range = {});
    static Data::TQueryNodesPtr buildBatchEnd(const Otbor::TVarList* filters, const QVariant& after, int proformas);

private:
    static void addFilters(Data::TQueryNodes& s, const Otbor::TVarList* filters);
};

} // namespace Tarvo::Proformas
