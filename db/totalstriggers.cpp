#include "db/totalstriggers.h"

#include "data/engine/dialect.h"

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Data {

namespace {

// "set sum = round(coalesce((select sum(line) ...), 0), 4), ..." for the header row named by `keyExpr`.
QString recompute(Engine engine, const TotalsRule& r, const QString& headerAlias)
{
    const auto dialect = Dialect::create(engine);
    QStringList sets;
    for (qsizetype i = 0; i < r.sumColumns.size(); ++i)
        sets << u"%1 = %2"_s.arg(r.sumColumns.at(i),
                                 dialect->roundedAmount(u"coalesce((select sum(l.%1) from %2 l where l.%3 = %4.%5), 0)"_s.arg(
                                     r.lineColumns.at(i), r.lines, r.linesKey, headerAlias, r.headerKey)));
    return sets.join(u", "_s);
}

const QStringList Suffixes{u"ins"_s, u"del"_s, u"upd"_s};

} // namespace

QStringList TotalsTriggers::create(Engine engine, const TotalsRule& r)
{
    QStringList out;
    const QString name = r.lines.toLower() + u"_totals"_s;
    if (engine == Engine::SQLite) {
        const QString update = u"update %1 set %2 where %3 = %4.%5;"_s;
        const QString set = recompute(engine, r, r.header);
        out << u"create trigger %1_ins after insert on %2 for each row begin %3 end"_s.arg(
            name, r.lines, update.arg(r.header, set, r.headerKey, u"NEW"_s, r.linesKey));
        out << u"create trigger %1_del after delete on %2 for each row begin %3 end"_s.arg(
            name, r.lines, update.arg(r.header, set, r.headerKey, u"OLD"_s, r.linesKey));
        // Only a change of the key or of a summed column touches the header: the stage triggers
        // update other columns of the lines for every row they write.
        out << u"create trigger %1_upd after update of %2, %3 on %4 for each row begin %5 %6 end"_s.arg(
            name, r.linesKey, r.lineColumns.join(u", "_s), r.lines,
            update.arg(r.header, set, r.headerKey, u"NEW"_s, r.linesKey),
            update.arg(r.header, set, r.headerKey, u"OLD"_s, r.linesKey));
        return out;
    }
    struct Event
    {
        QString suffix, event, referencing, keys;
    };
    const QList<Event> events{
        {u"ins"_s, u"insert"_s, u"new table as changed"_s, u"select %1 from changed"_s.arg(r.linesKey)},
        {u"del"_s, u"delete"_s, u"old table as changed"_s, u"select %1 from changed"_s.arg(r.linesKey)},
        // The keys of the rows whose key or summed columns changed (the symmetric difference of
        // the two states), not every row the statement updated.
        {u"upd"_s, u"update"_s, u"old table as changed_old new table as changed"_s,
         u"select %1 from ((select %2 from changed except all select %2 from changed_old) union all "
         "(select %2 from changed_old except all select %2 from changed)) d"_s.arg(
             r.linesKey, QStringList(QStringList{r.linesKey} + r.lineColumns).join(u", "_s))},
    };
    for (const Event& e : events) {
        const QString fn = name + u'_' + e.suffix;
        out << u"create function %1() returns trigger language plpgsql as $body$ begin "
               "update %2 h set %3 where h.%4 in (%5); return null; end $body$"_s.arg(
                   fn, r.header, recompute(engine, r, u"h"_s), r.headerKey, e.keys);
        out << u"create trigger %1 after %2 on %3 referencing %4 for each statement execute function %1()"_s.arg(
            fn, e.event, r.lines, e.referencing);
    }
    return out;
}

QStringList TotalsTriggers::drop(Engine engine, const TotalsRule& r)
{
    QStringList out;
    const QString name = r.lines.toLower() + u"_totals"_s;
    for (const QString& suffix : Suffixes) {
        const QString fn = name + u'_' + suffix;
        if (engine == Engine::SQLite) {
            out << u"drop trigger %1"_s.arg(fn);
        } else {
            out << u"drop trigger %1 on %2"_s.arg(fn, r.lines);
            out << u"drop function %1()"_s.arg(fn);
        }
    }
    return out;
}

} // namespace Tarvo::Data
