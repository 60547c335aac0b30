#pragma once

#include "data/modules/tquerynodes.h"
#include "registers/keyrange.h"

namespace Tarvo::Data {
class Dialect;
}
namespace Tarvo::Otbor {
class TVarList;
}

namespace Tarvo::Payments {

// The statement of the payment list: each payment with payer (as the customer filter's node),
// recipient (as the supplier's), author, the sum distributed over proformas (grouped over the
// batch's keys only) and the free rest.
class PaymentListStatement
{
public:
    static Data::TQueryNodesPtr build(const Data::Dialect& dialect, const Otbor::TVarList* filters,
                                      const Registers::KeyRange& range = {});
    static Data::TQueryNodesPtr buildBatchEnd(const Otbor::TVarList* filters, const QVariant& after, int payments);
    // The proformas the payment (:spm_id) pays.
    static QString paidProformas();

private:
    static void joinPartners(Data::TQueryNodes& s);
    static void addFilters(Data::TQueryNodes& s, const Otbor::TVarList* filters);
};

} // namespace Tarvo::Payments
