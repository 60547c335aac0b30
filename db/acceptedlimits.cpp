#include "db/acceptedlimits.h"

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Data {

namespace {

// A quantity as the user reads it: up to four decimals, no trailing zeros, a decimal comma.
QString quantityText(Engine engine, const QString& e)
{
    if (engine == Engine::SQLite)
        return u"replace(case when round(%1, 4) = cast(round(%1, 4) as integer) then "
               "cast(cast(round(%1, 4) as integer) as text) else cast(round(%1, 4) as text) end, '.', ',')"_s.arg(e);
    return u"replace(rtrim(rtrim(round(%1, 4)::text, '0'), '.'), '.', ',')"_s.arg(e);
}

QString dateText(Engine engine, const QString& e)
{
    return engine == Engine::SQLite ? u"strftime('%d.%m.%Y', %1)"_s.arg(e) : u"to_char(%1, 'DD.MM.YYYY')"_s.arg(e);
}

// The refusal texts of the confirmed lines `l` picked by `from` (a join and condition that name
// the lines written) that break the rule: the rows of the line in `table` summed (t) against
// soa_amount.
QString violations(Engine engine, const QString& from, const QString& table, const QString& amount,
                   const QStringList& keyColumns, const QString& wording)
{
    const QString total = u"(select sum(%1) from %2 where %3 = l.soa_suo_id and %4 = l.soa_pr_id "
                          "and %5 = l.soa_deliverydate)"_s.arg(amount, table, keyColumns[0], keyColumns[1],
                                                               keyColumns[2]);
    return u"select %1 as msg from (select l.soa_pr_id, l.soa_deliverydate, l.soa_amount, %2 as t from %3) x "
           "join crm_product on pr_id = x.soa_pr_id where round(x.t * 10000) > round(x.soa_amount * 10000)"_s
        .arg(wording.arg(u"' || pr_articul || '"_s, u"' || %1 || '"_s.arg(dateText(engine, u"x.soa_deliverydate"_s)),
                         u"' || %1 || '"_s.arg(quantityText(engine, u"x.t"_s)),
                         u"' || %1 || '"_s.arg(quantityText(engine, u"x.soa_amount"_s))),
             total, from);
}

QString sharesOver(Engine engine, const QString& keys)
{
    return violations(engine, keys, u"scm_bo_accepted"_s, u"boa_amount"_s,
                      {u"boa_suo_id"_s, u"boa_pr_id"_s, u"boa_soa_deliverydate"_s},
                      u"'Товар «%1» на %2: заявкам распределено %3, больше подтвержденного количества %4'"_s);
}

QString shippedOver(Engine engine, const QString& keys)
{
    return violations(engine, keys, u"scm_order_invoice"_s, u"sdi_amount"_s,
                      {u"sdi_suo_id"_s, u"sdi_pr_id"_s, u"sdi_soa_deliverydate"_s},
                      u"'Товар «%1» на %2: отгружено %3, больше подтвержденного количества %4'"_s);
}

struct Watched
{
    QString table, name;
    QStringList key;  // order, product, date of the confirmed line the row belongs to
    QString amount;
    bool shares, shipped; // the rules a write of the table can break
    bool onInsert;
};

const QList<Watched> All{
    {u"scm_bo_accepted"_s, u"scm_bo_accepted_limit"_s, {u"boa_suo_id"_s, u"boa_pr_id"_s, u"boa_soa_deliverydate"_s},
     u"boa_amount"_s, true, false, true},
    {u"scm_order_invoice"_s, u"scm_order_invoice_limit"_s,
     {u"sdi_suo_id"_s, u"sdi_pr_id"_s, u"sdi_soa_deliverydate"_s}, u"sdi_amount"_s, false, true, true},
    // A new line has neither shares nor shipments yet.
    {u"scm_so_accepted"_s, u"scm_so_accepted_limit"_s, {u"soa_suo_id"_s, u"soa_pr_id"_s, u"soa_deliverydate"_s},
     u"soa_amount"_s, true, true, false},
};

} // namespace

QStringList AcceptedLimits::triggers(Engine engine)
{
    QStringList out;
    for (const Watched& w : All) {
        if (engine == Engine::SQLite) {
            // The written row's line by its key: one index lookup per row.
            const QString keys = u"scm_so_accepted l where l.soa_suo_id = NEW.%1 and l.soa_pr_id = NEW.%2 "
                                 "and l.soa_deliverydate = NEW.%3"_s.arg(w.key[0], w.key[1], w.key[2]);
            QStringList body;
            if (w.shares)
                body << u"select refuse(msg) from (%1);"_s.arg(sharesOver(engine, keys));
            if (w.shipped)
                body << u"select refuse(msg) from (%1);"_s.arg(shippedOver(engine, keys));
            if (w.onInsert)
                out << u"create trigger %1_ins after insert on %2 for each row begin %3 end"_s.arg(w.name, w.table,
                                                                                                  body.join(u' '));
            out << u"create trigger %1_upd after update of %2, %3 on %4 for each row begin %5 end"_s.arg(
                w.name, w.key.join(u", "_s), w.amount, w.table, body.join(u' '));
            continue;
        }
        const QString keys = u"(select distinct %1 as suo, %2 as pr, %3 as dd from changed) k join scm_so_accepted l "
                             "on l.soa_suo_id = k.suo and l.soa_pr_id = k.pr and l.soa_deliverydate = k.dd"_s.arg(
                                 w.key[0], w.key[1], w.key[2]);
        QStringList checks;
        if (w.shares)
            checks << sharesOver(engine, keys);
        if (w.shipped)
            checks << shippedOver(engine, keys);
        out << u"create function %1() returns trigger language plpgsql as $body$ declare m text; begin "
               "select msg into m from (%2) v limit 1; "
               "if m is not null then raise exception '%', m; end if; return null; end $body$"_s.arg(
                   w.name, checks.join(u" union all "_s));
        QStringList events{u"update"_s};
        if (w.onInsert)
            events.prepend(u"insert"_s);
        for (const QString& e : events)
            out << u"create trigger %1_%2 after %3 on %4 referencing new table as changed for each statement "
                   "execute function %1()"_s.arg(w.name, e.left(3), e, w.table);
    }
    return out;
}

} // namespace Tarvo::Data
