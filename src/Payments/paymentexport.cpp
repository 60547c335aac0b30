#include "Payments/paymentexport.h"

#include "core/exception.h"
#include "data/engine/database.h"
#include "data/engine/query.h"
#include "data/modules/rowcountcheck.h"
#include "data/modules/tscmnamedparams_ro.h"

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Payments {

const QString PaymentExport::DoneMessage = u"Сформирован платеж №%1"_s;
const QString PaymentExport::AgainQuestion = u"Платеж уже выгружен в склад (№%1). Выгрузить заново?"_s;

namespace {

struct Partner
{
    QString shortName, fullName, name, bank, town, bankCode, account, account2, inn, kpp;
    QVariant warehouse;
};

Partner partner(Data::Database& db, const QVariant& parId)
{
    Data::Query q(db, u"select n.N_USER, n.NAMEP_USER, n.NAME_USER, n.BANK_USER, n.TOWNB_USER, n.COD_B_USER, "
                      "n.SCT_B_USER, n.SCT_2_USER, n.PST_B_USER, n.KPP, n.REGIS_USER from scm_partner p "
                      "join _partner n on n.N_USER = p.par_nuser where p.par_id = ?"_s);
    q.bindAll({parId}).exec();
    if (!q.next())
        throw Exception(u"Контрагент платежа не найден в справочнике"_s);
    Partner p{q.string(0), q.string(1), q.string(2), q.string(3), q.string(4), q.string(5),
              q.string(6), q.string(7), q.string(8), q.string(9), q.value(10)};
    if (p.fullName.isEmpty())
        p.fullName = p.name;
    return p;
}

QString nonNull(const QString& s)
{
    return s.isNull() ? u""_s : s;
}

QVariant text(const QString& s)
{
    return s.isNull() ? QVariant(QMetaType::fromType<QString>()) : QVariant(s);
}

} // namespace

QString PaymentExport::documentText(Money sum, const QString& code)
{
    return u"%1(%2)"_s.arg(sum.toString(2).replace(u'.', u','), code);
}

int PaymentExport::run(Data::Database& db, qint64 spmId)
{
    Data::Transaction t(db);
    db.exec(u"insert into _reclama (signific) values (?)"_s, {u"Платеж %1"_s.arg(spmId)});
    Data::Query pay(db, u"select spm_payer, spm_recipient, spm_date, spm_sum, spm_cod_valut, spm_sum2, spm_cod_valut2, "
                        "spm_inum, spm_snum, spm_nal, spm_unicum_plt from scm_payments where spm_id = ?"_s);
    pay.bindAll({spmId}).exec();
    if (!pay.next())
        throw Exception(u"Платеж %1 удален другим пользователем"_s.arg(spmId));
    const QVariant payerId = pay.value(0), recipientId = pay.value(1);
    const QDateTime date = pay.dateTime(2);
    const Money sum = pay.money(3);
    const QString code = pay.string(4).trimmed();
    const Money sum2 = pay.money(5);
    const QString code2 = pay.string(6).trimmed();
    const QString number = pay.string(7), basis = pay.string(8);
    const bool cash = pay.value(9).toBool();
    const QVariant earlier = pay.value(10);
    const bool noSum2 = pay.value(5).isNull();
    pay.finish();
    if (noSum2)
        throw Exception(u"У платежа %1 не указана сумма поставщика"_s.arg(spmId));

    // Two workstations exporting at once must not take one number.
    db.lockName(u"SCL_PLAT"_s);
    const int unicum = db.scalar(u"select coalesce(max(UNICUM_PLT), 0) + 1 from SCL_PLAT"_s).toInt();
    // Taken before the earlier export goes, so that a replaced export never reuses its number.
    if (!earlier.isNull()) {
        db.exec(u"delete from SCL_ADDP where UNICUM_PLT = ?"_s, {earlier});
        db.exec(u"delete from SCL_PLAT where UNICUM_PLT = ?"_s, {earlier});
    }

    const Partner payer = partner(db, payerId), recipient = partner(db, recipientId);
    Data::TSCMNamedParams_RO params(db);
    const bool byRecipient = params.value(u"USE_DOPREGN_SCL"_s).compare(u"false"_s, Qt::CaseInsensitive) != 0;
    QVariant warehouse = recipient.warehouse;
    if (!byRecipient) {
        bool ok = false;
        const int id = params.value(u"id_sclad"_s).toInt(&ok);
        warehouse = ok ? QVariant(id) : QVariant(QMetaType::fromType<int>());
    }
    if (warehouse.isNull())
        warehouse = QVariant(QMetaType::fromType<int>());
    const QString document = documentText(sum, code);
    const bool roubles = code2.isEmpty();
    db.exec(u"insert into SCL_PLAT (UNICUM_PLT, NUM_PLT, TYPE_PLT, DATE_PLT, SUM_RUB, SUM_VALT, COD_VALT, NAME_POL, "
            "OSNOVANIE, TEXT_PLT, BEZNAL, ID_SCLAD, MY_ORG, SOURCE_PLT, DATE_CREATE, FAMILY, IST_INF, ORG_PREDM, "
            "DOCUMN_POR, L_NAME_POR) values (?, ?, 0, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, 'SCM', ?, 'dbo', ?, ?, ?, ?)"_s,
            {unicum, number, date, (roubles ? sum2 : Money()).toVariant(), (roubles ? Money() : sum2).toVariant(),
             nonNull(code2), text(recipient.fullName), basis, document, cash ? 0 : 1, warehouse, payer.shortName,
             QDateTime::currentDateTime(), recipient.shortName, recipient.shortName, document, payer.shortName});
    if (!cash)
        db.exec(u"insert into SCL_ADDP (UNICUM_PLT, NAME_PLAT, BANK_PLAT, TOWN_PLAT, COD_B_PLAT, SCT_B_PLAT, SCT_2_PLAT, "
                "INN_PLAT, KPP_PLAT, NAME_POL, BANK_POL, TOWN_POL, COD_B_POL, SCT_B_POL, SCT_2_POL, INN_POL, KPP_POL) "
                "values (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"_s,
                {unicum, text(payer.fullName), text(payer.bank), text(payer.town), text(payer.bankCode),
                 text(payer.account), text(payer.account2), text(payer.inn), text(payer.kpp), text(recipient.fullName),
                 text(recipient.bank), text(recipient.town), text(recipient.bankCode), text(recipient.account),
                 text(recipient.account2), text(recipient.inn), text(recipient.kpp)});
    Data::RowCountCheck::exec(db, u"update scm_payments set spm_unicum_plt = ? where spm_id = ?"_s, {unicum, spmId},
                              u"Платеж %1 удален другим пользователем"_s.arg(spmId));
    t.commit();
    return unicum;
}

} // namespace Tarvo::Payments
