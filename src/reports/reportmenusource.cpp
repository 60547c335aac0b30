#include "reports/reportmenusource.h"

#include "data/engine/database.h"
#include "data/engine/query.h"

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Reports {

bool ReportMenuSource::available(Data::Database& db)
{
    return db.isOpen() && db.objectExists(u"FR_MENU"_s);
}

QList<ReportMenuSource::Entry> ReportMenuSource::level(Data::Database& db, int place, int parent, int user)
{
    const QString sql =
        u"select mm.IDITEM, mm.NMITEM, mm.IDREPORT from FR_MENU mm where mm.IDPLACE = :place and "_s +
        (parent > 0 ? u"mm.IDUPITEM = :parent"_s : u"mm.IDUPITEM is null"_s) +
        u" and not exists (select 1 from FR_DENIED d where d.GROUP_ID = :user and d.IDITEM = mm.IDITEM)"
        " order by mm.NUMORD, mm.IDITEM"_s;
    Data::Query q(db, sql);
    q.bind(u"place"_s, place).bind(u"user"_s, user);
    if (parent > 0)
        q.bind(u"parent"_s, parent);
    q.exec();
    QList<Entry> out;
    while (q.next())
        out.append({q.value(0).toInt(), q.value(1).toString(), q.value(2).isNull() ? 0 : q.value(2).toInt()});
    return out;
}

} // namespace Tarvo::Reports
