// Call places of the report menus and the shipped reports in the folder "Реестры".
#include "db/schemasteps.h"
#include "db/shippedreports.h"

#include "data/engine/database.h"
#include "data/engine/query.h"

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Data::SchemaSteps {

namespace {

qint64 scalar(Database& db, const QString& sql, const QVariantList& params = {})
{
    Query q(db, sql);
    q.bindAll(params).exec();
    return q.next() && !q.value(0).isNull() ? q.value(0).toLongLong() : 0;
}

} // namespace

void reportPlaces(MigrationContext& ctx)
{
    Database& db = ctx.db();
    static const QList<std::pair<int, QString>> places{
        {1001, u"Главное меню: Выполнение отчетов"_s},  {1002, u"Заявки покупателей"_s},
        {1003, u"Заказы поставщикам"_s},                {1004, u"Подтвержденные заказы"_s},
        {1005, u"Накладные"_s},                          {1006, u"Счета (поставки)"_s},
        {1007, u"Маршруты"_s},                           {1008, u"Проформы"_s},
        {1009, u"Платежи"_s}};
    for (const auto& [id, name] : places)
        if (scalar(db, u"select count(*) from FR_CALLPLACE where IDPLACE = ?"_s, {id}) == 0)
            db.exec(u"insert into FR_CALLPLACE (IDPLACE, NMPLACE) values (?, ?)"_s, {id, name});

    qint64 folder = scalar(db, u"select min(IDNODE) from FR_REPTREE where NMNODE = ? and IDUPNODE is null"_s,
                           {u"Реестры"_s});
    if (folder == 0) {
        folder = scalar(db, u"select max(IDNODE) from FR_REPTREE"_s) + 1;
        db.exec(u"insert into FR_REPTREE (IDNODE, NMNODE, IDUPNODE, IDTYPE) values (?, ?, null, 1)"_s,
                {folder, u"Реестры"_s});
    }
    for (const ShippedReport& r : shippedReports()) {
        qint64 report =
            scalar(db, u"select min(IDREPORT) from FR_REPORTS where NMREPORT = ? and IDNODE = ?"_s, {r.name, folder});
        if (report == 0) {
            report = scalar(db, u"select max(IDREPORT) from FR_REPORTS"_s) + 1;
            db.exec(u"insert into FR_REPORTS (IDREPORT, NMREPORT, IDNODE, REPDATA) values (?, ?, ?, ?)"_s,
                    {report, r.name, folder, r.data});
        }
        if (scalar(db, u"select count(*) from FR_MENU where IDPLACE = ? and IDREPORT = ?"_s, {r.place, report}) > 0)
            continue;
        const qint64 item = scalar(db, u"select max(IDITEM) from FR_MENU"_s) + 1;
        const qint64 order =
            scalar(db, u"select max(NUMORD) from FR_MENU where IDPLACE = ? and IDUPITEM is null"_s, {r.place}) + 1;
        db.exec(u"insert into FR_MENU (IDITEM, NMITEM, IDUPITEM, IDPLACE, NUMORD, IDREPORT) values (?, ?, null, ?, ?, ?)"_s,
                {item, r.name, r.place, order, report});
    }
}

} // namespace Tarvo::Data::SchemaSteps
