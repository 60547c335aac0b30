#include "db/placedamounts.h"

#include "data/engine/dialect.h"

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Data {

namespace {

struct Stage
{
    QString table, request, product, amount;
};

const QList<Stage> Stages{
    {u"scm_bo_ordered"_s, u"bpo_bof_id"_s, u"bpo_pr_id"_s, u"bpo_amount"_s},
    {u"scm_bo_accepted"_s, u"boa_bof_id"_s, u"boa_pr_id"_s, u"boa_amount"_s},
    {u"scm_offer_invoice"_s, u"soi_bof_id"_s, u"soi_pr_id"_s, u"soi_amount"_s},
};

} // namespace

QString PlacedAmounts::recomputed(Engine engine)
{
    QStringList sums;
    for (const Stage& s : Stages)
        sums << u"coalesce((select sum(s.%1) from %2 s where s.%3 = scm_bp_delivery.bpd_bof_id "
                "and s.%4 = scm_bp_delivery.bpd_pr_id), 0)"_s.arg(s.amount, s.table, s.request, s.product);
    return Dialect::create(engine)->roundedAmount(sums.join(u" + "_s));
}

QStringList PlacedAmounts::triggers(Engine engine)
{
    const auto dialect = Dialect::create(engine);
    const QString add = dialect->roundedAmount(u"bpd_placed + %1"_s);
    QStringList out;
    for (const Stage& s : Stages) {
        const QString name = s.table.toLower() + u"_placed"_s;
        if (engine == Engine::SQLite) {
            // Rounded at every step, the running sum stays exact to 4 decimals.
            const QString update = u"update scm_bp_delivery set bpd_placed = %1 where bpd_bof_id = %2.%3 "
                                   "and bpd_pr_id = %2.%4;"_s;
            const auto change = [&](const QString& row, const QString& sign) {
                return update.arg(add.arg(sign + row + u'.' + s.amount), row, s.request, s.product);
            };
            out << u"create trigger %1_ins after insert on %2 for each row begin %3 end"_s.arg(
                name, s.table, change(u"NEW"_s, QString()));
            out << u"create trigger %1_del after delete on %2 for each row begin %3 end"_s.arg(
                name, s.table, change(u"OLD"_s, u"-"_s));
            out << u"create trigger %1_upd after update of %2, %3, %4 on %5 for each row begin %6 %7 end"_s
                       .arg(name, s.request, s.product, s.amount, s.table, change(u"OLD"_s, u"-"_s),
                            change(u"NEW"_s, QString()));
            continue;
        }
        struct Event
        {
            QString suffix, event, referencing, rows;
        };
        const QString picked =
            u"select %1 as r, %2 as p, %3 as a from "_s.arg(s.request, s.product, s.amount);
        const QString negated =
            u"select %1 as r, %2 as p, -%3 as a from "_s.arg(s.request, s.product, s.amount);
        const QList<Event> events{
            {u"ins"_s, u"insert"_s, u"new table as changed"_s, picked + u"changed"_s},
            {u"del"_s, u"delete"_s, u"old table as changed"_s, negated + u"changed"_s},
            {u"upd"_s, u"update"_s, u"old table as changed_old new table as changed"_s,
             picked + u"changed union all "_s + negated + u"changed_old"_s},
        };
        for (const Event& e : events) {
            const QString fn = name + u'_' + e.suffix;
            out << u"create function %1() returns trigger language plpgsql as $body$ begin "
                   "update scm_bp_delivery d set bpd_placed = %2 from (select r, p, sum(a) as a from (%3) x "
                   "group by r, p) c where d.bpd_bof_id = c.r and d.bpd_pr_id = c.p; return null; end $body$"_s
                       .arg(fn, add.arg(u"c.a"_s), e.rows);
            out << u"create trigger %1 after %2 on %3 referencing %4 for each statement execute function %1()"_s
                       .arg(fn, e.event, s.table, e.referencing);
        }
    }
    return out;
}

} // namespace Tarvo::Data
