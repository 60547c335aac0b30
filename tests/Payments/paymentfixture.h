#pragma once

#include "AcceptedOrders/accfixture.h"
#include "catalog/currency/currencyrates.h"
#include "data/engine/query.h"

#include <QStringList>

namespace Tarvo::Test {

// Our organisation ("Я") with bank details, a rouble and a dollar supplier ("Т"), daily dollar
// quotations of 90, the payment settings, proformas written as the proforma editor writes
// them, and the payment tables' rows as text to compare.
struct PaymentFixture : AccFixture
{
    qint64 ourOrg = 0;
    qint64 rub = 0;
    qint64 usd = 0;

    explicit PaymentFixture(Data::Database& database) : AccFixture(database)
    {
        ourOrg = catalog.partner(QStringLiteral("МЫ"), QStringLiteral("ООО Мы"), QStringLiteral("Я"));
        rub = catalog.partner(QStringLiteral("РУБ"), QStringLiteral("ООО Рубль"), QStringLiteral("Т"));
        usd = catalog.partner(QStringLiteral("ДОЛЛ"), QStringLiteral("Dollar Inc"), QStringLiteral("Т"));
        const auto bank = [&](const QString& nuser, const QString& full, const QString& suffix, int regis) {
            db.exec(QStringLiteral("update _partner set NAMEP_USER = ?, BANK_USER = ?, TOWNB_USER = ?, COD_B_USER = ?, "
                                   "SCT_B_USER = ?, SCT_2_USER = ?, PST_B_USER = ?, KPP = ?, REGIS_USER = ? "
                                   "where N_USER = ?"),
                    {full, QStringLiteral("Банк ") + suffix, QStringLiteral("Город ") + suffix,
                     QStringLiteral("0445") + suffix, QStringLiteral("4070") + suffix, QStringLiteral("3010") + suffix,
                     QStringLiteral("77") + suffix, QStringLiteral("KPP") + suffix, regis, nuser});
        };
        bank(QStringLiteral("МЫ"), QStringLiteral("Общество Мы полностью"), QStringLiteral("1"), 1);
        bank(QStringLiteral("РУБ"), QStringLiteral("Общество Рубль полностью"), QStringLiteral("2"), 5);
        bank(QStringLiteral("ДОЛЛ"), QStringLiteral("Dollar Incorporated"), QStringLiteral("3"), 7);
        db.exec(QStringLiteral("insert into VALUTCOD (CODVALUT, NAMEVALUT) values ('USD', 'Доллар США')"));
        for (int d = 1; d <= 28; ++d)
            db.exec(QStringLiteral("insert into cotirval (codvalut, datecotir, valcotir) values ('USD', ?, 90)"), {day(d)});
        db.exec(QStringLiteral("insert into scm_parametrs (inside_name_nastr, value_nastr) values ('USE_MYORG_PLAT', "
                               "'True'), ('MyOrgCons', 'МЫ'), ('USE_DOPREGN_SCL', 'False'), ('id_sclad', '3')"));
        Catalog::CurrencyRates::setMissingRateAsker({});
    }

    qint64 proforma(qint64 supplierId, const char* sum, const QString& currency = {}, const char* surcharge = "0",
                    int d = 1) const
    {
        return db.insertReturning(QStringLiteral("insert into scm_Proforma (pf_dopnomer, pf_snomer, pf_supplier, pf_sum, "
                                                 "pf_date, pf_cod_valut, pf_surcharge, pf_user_id) "
                                                 "values (7, 'S-7', ?, ?, ?, ?, ?, ?)"),
                                  QStringLiteral("pf_id"),
                                  {supplierId, amount(sum), day(d), currency.isNull() ? QStringLiteral("") : currency,
                                   amount(surcharge), adminId});
    }
    // A stored payment of `sum` in the supplier's currency, over the proformas given.
    qint64 payment(qint64 recipient, const char* sum, const QString& currency, const QList<std::pair<qint64, const char*>>& parts,
                   const QDateTime& date = day(2), bool cash = false) const
    {
        const qint64 spm = db.insertReturning(
            QStringLiteral("insert into scm_payments (spm_payer, spm_recipient, spm_date, spm_sum, spm_cod_valut, spm_sum2, "
                           "spm_cod_valut2, spm_inum, spm_snum, spm_nal, spm_user_id) values (?, ?, ?, ?, ?, ?, ?, '11', "
                           "'ПП-11', ?, ?)"),
            QStringLiteral("spm_id"),
            {ourOrg, recipient, date, amount(sum), currency, amount(sum), currency, cash ? 1 : 0, adminId});
        for (const auto& [pf, part] : parts)
            db.exec(QStringLiteral("insert into scm_pfpayment (spp_spm_id, spp_pf_id, spp_sum) values (?, ?, ?)"),
                    {spm, pf, amount(part)});
        return spm;
    }

    // Every row of the statement, its values joined by blanks (amounts as Money texts).
    QStringList rows(const QString& sql, const QVariantList& params = {}) const
    {
        Data::Query q(db, sql);
        q.bindAll(params).exec();
        QStringList r;
        while (q.next()) {
            QStringList values;
            for (int i = 0; i < q.columnCount(); ++i) {
                const QVariant v = q.value(i);
                if (v.isNull())
                    values << QStringLiteral("null");
                else if (v.userType() == qMetaTypeId<Money>())
                    values << v.value<Money>().toString();
                else if (v.userType() == QMetaType::QDateTime)
                    values << v.toDateTime().toString(QStringLiteral("dd.MM"));
                else
                    values << v.toString();
            }
            r << values.join(u' ');
        }
        return r;
    }
    QStringList plan(qint64 pf) const
    {
        return rows(QStringLiteral("select sps_date, sps_sum from scm_payshedule where sps_pf_id = ? order by sps_date"),
                    {pf});
    }
    QStringList parts(qint64 spm) const
    {
        return rows(QStringLiteral("select spp_pf_id, spp_sum from scm_pfpayment where spp_spm_id = ? order by spp_pf_id"),
                    {spm});
    }
};

} // namespace Tarvo::Test
