#include "Payments/paymentcoverage.h"

#include "data/engine/database.h"
#include "data/engine/query.h"

#include <algorithm>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Payments {

QList<PaymentCoverage::Instalment> PaymentCoverage::cover(QList<Instalment> plan, const Paid& paid)
{
    Paid byDay = paid;
    std::sort(byDay.begin(), byDay.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
    Money earlier, upToDay;
    qsizetype next = 0;
    for (Instalment& i : plan) {
        const QDate day = i.date.date();
        for (; next < byDay.size() && byDay.at(next).first <= day; ++next)
            upToDay += byDay.at(next).second;
        const Money left = upToDay - earlier;
        i.covered = left <= Money() ? Money() : qMin(left, i.sum);
        earlier += i.sum;
    }
    return plan;
}

QList<PaymentCoverage::Instalment> PaymentCoverage::ofProforma(Data::Database& db, qint64 pfId)
{
    QList<Instalment> plan;
    {
        Data::Query q(db, u"select sps_date, sps_sum from scm_payshedule where sps_pf_id = ? order by sps_date"_s);
        q.bindAll({pfId}).exec();
        while (q.next())
            plan << Instalment{q.dateTime(0), q.money(1), Money()};
    }
    if (plan.isEmpty())
        return plan;
    Paid paid;
    Data::Query q(db, u"select m.spm_date, pp.spp_sum from scm_pfpayment pp join scm_payments m "
                      "on m.spm_id = pp.spp_spm_id where pp.spp_pf_id = ?"_s);
    q.bindAll({pfId}).exec();
    while (q.next())
        paid << qMakePair(q.dateTime(0).date(), q.money(1));
    return cover(std::move(plan), paid);
}

} // namespace Tarvo::Payments
