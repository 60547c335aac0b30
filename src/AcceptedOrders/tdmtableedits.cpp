#include "AcceptedOrders/tdmtableedits.h"

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::AcceptedOrders::TdmTableEdits {

const QString& insSoAccepted()
{
    static const QString s =
        u"insert into scm_so_accepted (soa_suo_id, soa_pr_id, soa_amount, soa_sum, soa_deliverydate, soa_sum_valut) "
        "values (:soa_suo_id, :soa_pr_id, :soa_amount, :soa_sum, :soa_deliverydate, :soa_sum_valut)"_s;
    return s;
}

const QString& insBoAccepted()
{
    static const QString s = insBoAcceptedFrom(u"values (:suo_id, :pr_id, :deliverydate, :bof_id, :boa_amount)"_s);
    return s;
}

QString insBoAcceptedFrom(const QString& select)
{
    return u"insert into scm_bo_accepted (boa_suo_id, boa_pr_id, boa_soa_deliverydate, boa_bof_id, boa_amount) "_s +
           select;
}

} // namespace Tarvo::AcceptedOrders::TdmTableEdits
