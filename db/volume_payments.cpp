#include "db/volume_payments.h"

#include "Payments/tdmeditpayplan.h"
#include "data/engine/database.h"
#include "data/engine/money.h"
#include "data/engine/query.h"
#include "db/bulkinserter.h"

#include <QHash>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Data::VolumePayments {

namespace {

const QString OurOrg = u"МЫ"_s;

struct Pf
{
    qint64 id;
    qint64 supplier;
    QString code;
    Money due;
    QDateTime date;
};

int rateOf(const QString& code)
{
    return code == u"USD"_s ? 90 : code == u"EUR"_s ? 100 : 1;
}

} // namespace

qint64 run(Database& db)
{
    qint64 rows = 0;
    db.exec(u"insert into _partner (N_USER, NAME_USER, NAMEP_USER, BANK_USER, TOWNB_USER, COD_B_USER, SCT_B_USER, "
            "SCT_2_USER, PST_B_USER, KPP, MY_ORGANIZ) values (?, 'ООО Наша организация', 'Общество с ограниченной "
            "ответственностью Наша организация', 'ПАО Банк', 'Москва', '044525225', '40702810000000000001', "
            "'30101810400000000225', '7701000001', '770101001', 'Я')"_s,
            {OurOrg});
    const qint64 payer = db.scalar(u"select coalesce(max(par_ID), 0) + 1 from scm_partner"_s).toLongLong();
    db.exec(u"insert into scm_partner (par_ID, par_nuser) values (?, ?)"_s, {payer, OurOrg});
    db.exec(u"update _partner set NAMEP_USER = NAME_USER, BANK_USER = 'Банк поставщика', TOWNB_USER = 'Тула', "
            "COD_B_USER = '044525000', SCT_B_USER = '40702810900000000002', PST_B_USER = '7100000002', "
            "KPP = '710001001', REGIS_USER = 1 where MY_ORGANIZ = 'Т'"_s);
    db.exec(u"insert into scm_parametrs (inside_name_nastr, value_nastr) values ('USE_MYORG_PLAT', 'True'), "
            "('MyOrgCons', ?), ('USE_DOPREGN_SCL', 'False'), ('id_sclad', '1')"_s,
            {OurOrg});
    db.exec(u"delete from scm_pfpayment"_s);
    db.exec(u"delete from scm_payments"_s);
    db.exec(u"delete from scm_payshedule"_s);
    QList<Pf> proformas;
    {
        Query q(db, u"select pf_id, pf_supplier, pf_cod_valut, pf_sum + pf_surcharge, pf_sum, pf_date from scm_Proforma "
                    "order by pf_supplier, pf_cod_valut, pf_id"_s);
        q.exec();
        BulkInserter plan(db, u"scm_payshedule"_s, {u"sps_pf_id"_s, u"sps_date"_s, u"sps_sum"_s, u"sps_updatedate"_s});
        while (q.next()) {
            const Pf p{q.integer(0), q.integer(1), q.string(2), q.money(3), q.dateTime(5)};
            proformas << p;
            const Money sum = q.money(4);
            // Two or three instalments summing exactly; every third by percentages.
            const int parts = 2 + int(p.id % 2);
            QList<Money> sums;
            Money planned;
            for (int i = 0; i + 1 < parts; ++i) {
                const Money s = p.id % 3 == 0 ? Payments::TdmEditPayPlan::percentOf(sum, Money(parts == 2 ? 33 : 30))
                                              : Money::fromRaw(sum.raw() / parts);
                sums << s;
                planned += s;
            }
            sums << sum - planned;
            for (int i = 0; i < sums.size(); ++i)
                if (sums.at(i) > Money())
                    plan.add({p.id, p.date.addDays(10 + 20 * i), sums.at(i).toVariant(), p.date});
        }
        plan.flush();
        rows += plan.rowCount();
    }

    BulkInserter payments(db, u"scm_payments"_s,
                          {u"spm_id"_s, u"spm_payer"_s, u"spm_recipient"_s, u"spm_date"_s, u"spm_sum"_s,
                           u"spm_cod_valut"_s, u"spm_sum2"_s, u"spm_cod_valut2"_s, u"spm_inum"_s, u"spm_snum"_s,
                           u"spm_nal"_s, u"spm_updatedate"_s, u"spm_user_id"_s, u"spm_unicum_plt"_s});
    BulkInserter paid(db, u"scm_pfpayment"_s, {u"spp_spm_id"_s, u"spp_pf_id"_s, u"spp_sum"_s});
    BulkInserter plat(db, u"SCL_PLAT"_s,
                      {u"UNICUM_PLT"_s, u"NUM_PLT"_s, u"TYPE_PLT"_s, u"DATE_PLT"_s, u"SUM_RUB"_s, u"SUM_VALT"_s,
                       u"COD_VALT"_s, u"NAME_POL"_s, u"OSNOVANIE"_s, u"TEXT_PLT"_s, u"BEZNAL"_s, u"ID_SCLAD"_s,
                       u"MY_ORG"_s, u"SOURCE_PLT"_s, u"DATE_CREATE"_s, u"FAMILY"_s});
    BulkInserter addp(db, u"SCL_ADDP"_s, {u"UNICUM_PLT"_s, u"NAME_PLAT"_s, u"BANK_PLAT"_s, u"NAME_POL"_s, u"BANK_POL"_s});
    paid.after(payments);
    addp.after(plat);
    qint64 spm = 0, exported = 0;
    const auto pay = [&](const QList<std::pair<const Pf*, Money>>& parts, Money sum2) {
        const Pf& first = *parts.first().first;
        ++spm;
        const bool cash = spm % 4 == 0;
        const QDateTime date = first.date.addDays(5 + int(spm % 20));
        const Money roubles = sum2 * Money(rateOf(first.code));
        QVariant unicum(QMetaType::fromType<qint64>());
        if (spm % 2 == 0) {
            unicum = ++exported;
            const bool rub = first.code.isEmpty();
            plat.add({exported, QString::number(spm), 0, date, (rub ? sum2 : Money()).toVariant(),
                      (rub ? Money() : sum2).toVariant(), first.code, u"Поставщик"_s, u"ПП-%1"_s.arg(spm),
                      u"%1(%2)"_s.arg(roubles.toString(2).replace(u'.', u','), QString()), cash ? 0 : 1, 1, OurOrg,
                      u"SCM"_s, date, u"dbo"_s});
            if (!cash)
                addp.add({exported, u"Наша организация"_s, u"ПАО Банк"_s, u"Поставщик"_s, u"Банк поставщика"_s});
        }
        payments.add({spm, payer, first.supplier, date, roubles.toVariant(), u""_s, sum2.toVariant(), first.code,
                      QString::number(spm), u"ПП-%1"_s.arg(spm), cash ? 1 : 0, date, 1, unicum});
        for (const auto& [p, part] : parts)
            paid.add({spm, p->id, part.toVariant()});
    };
    const auto fraction = [](Money m, int num, int den) { return Money::fromRaw(m.raw() * num / den); };
    // Patterns over consecutive proformas of one supplier and currency: paid whole; paid twice;
    // two paid by one payment; paid in part with a free rest on the payment; paid by three.
    int k = 0;
    for (int i = 0; i < proformas.size(); ++k) {
        const Pf& p = proformas.at(i);
        const bool nextSame = i + 1 < proformas.size() && proformas.at(i + 1).supplier == p.supplier &&
                              proformas.at(i + 1).code == p.code;
        switch (k % 5) {
        case 0:
            pay({{&p, p.due}}, p.due);
            break;
        case 1: {
            const Money half = fraction(p.due, 1, 2);
            pay({{&p, half}}, half);
            pay({{&p, p.due - half}}, p.due - half);
            break;
        }
        case 2:
            if (nextSame) {
                const Pf& q = proformas.at(++i);
                pay({{&p, p.due}, {&q, q.due}}, p.due + q.due);
            } else {
                pay({{&p, p.due}}, p.due);
            }
            break;
        case 3:
            pay({{&p, fraction(p.due, 7, 10)}}, p.due);
            break;
        default: {
            const Money third = fraction(p.due, 1, 3);
            pay({{&p, third}}, third);
            pay({{&p, third}}, third);
            pay({{&p, p.due - third - third}}, p.due - third - third + Money(1));
            break;
        }
        }
        ++i;
    }
    for (BulkInserter* b : {&payments, &paid, &plat, &addp}) {
        b->flush();
        rows += b->rowCount();
    }
    return rows;
}

} // namespace Tarvo::Data::VolumePayments
