#include "db/volumeforming.h"

#include "data/engine/database.h"
#include "db/bulkinserter.h"
#include "db/demodata.h"

#include <QDateTime>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Data {

namespace {
struct Quoted
{
    QString code;
    QString name;
    int base;
};
const QList<Quoted> quoted{{u"USD"_s, u"Доллар США"_s, 90}, {u"EUR"_s, u"Евро"_s, 98}};
} // namespace

void VolumeForming::run(Database& db, int spanDays, int urgencyKinds)
{
    db.exec(u"update scm_business_offer set Urgency_ID = case when bof_id % ? = 0 then null else bof_id % ? end"_s,
            {urgencyKinds + 1, urgencyKinds + 1});

    const QDate anchor = DemoData::anchorDate();
    for (const Quoted& c : quoted) {
        if (db.scalar(u"select count(*) from VALUTCOD where CODVALUT = ?"_s, {c.code}).toInt() == 0)
            db.exec(u"insert into VALUTCOD (CODVALUT, NAMEVALUT, RELCOD) values (?, ?, '')"_s, {c.code, c.name});
        BulkInserter rates(db, u"cotirval"_s, {u"codvalut"_s, u"datecotir"_s, u"valcotir"_s});
        for (QDate d = anchor.addDays(-spanDays - 30); d <= anchor.addDays(60); d = d.addDays(1))
            rates.add({c.code, QDateTime(d, QTime(0, 0)), c.base + (d.toJulianDay() % 7) / 10.0});
        rates.flush();
    }
    // The currency price is the rouble cost at the base rate, so rankings stay close to the
    // rouble ones and a currency offer wins now and then.
    db.exec(u"update scm_artcmap set sam_codval = case when sam_pr_id % 2 = 0 then ? else ? end, "
            "sam_price = round(sam_price / case when sam_pr_id % 2 = 0 then %1.0 else %2.0 end, 4) "
            "where (sam_pr_id + sam_prv_id) % 5 = 0"_s.arg(quoted[0].base)
                .arg(quoted[1].base),
            {quoted[0].code, quoted[1].code});
    db.exec(u"update scm_artcmap set sam_codval = case when (sam_pr_id + sam_prv_id) % 2 = 0 then '' else null end "
            "where (sam_pr_id + sam_prv_id) % 5 <> 0"_s);
}

} // namespace Tarvo::Data
