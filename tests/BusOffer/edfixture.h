#pragma once

#include "catalog/catalogfixture.h"
#include "data/engine/database.h"
#include "data/engine/money.h"
#include "messaging/tourtvrexchange.h"

#include <QDate>
#include <QDateTime>

namespace Tarvo::Test {

// Data of the request editor's tests: buyers, products with our prices, currencies and rates.
struct EdFixture
{
    Data::Database& db;

    CatalogFixture catalog() const { return CatalogFixture{db}; }

    qint64 buyer(const QString& shortName, const QString& fullName) const
    {
        return catalog().partner(shortName, fullName, QStringLiteral("К"));
    }
    // A counterparty of the warehouse list only (no `scm_partner` row).
    void warehouseCounterparty(const QString& code, const QString& name) const
    {
        db.exec(QStringLiteral("insert into _partner (N_USER, NAME_USER) values (?, ?)"), {code, name});
    }
    qint64 product(const QString& article, const QString& name) const
    {
        return catalog().product(article, name, std::nullopt);
    }
    void currency(const QString& code, double rate, const QDate& date) const
    {
        if (db.scalar(QStringLiteral("select count(*) from VALUTCOD where CODVALUT = ?"), {code}).toInt() == 0)
            db.exec(QStringLiteral("insert into VALUTCOD (CODVALUT, NAMEVALUT) values (?, ?)"), {code, code});
        db.exec(QStringLiteral("insert into cotirval (codvalut, datecotir, valcotir) values (?, ?, ?)"),
                {code, QDateTime(date, QTime(0, 0)), rate});
    }
    // A request with its lines written straight to the tables.
    qint64 request(qint64 buyerId, const QString& code = {}, const QDate& date = QDate::currentDate()) const
    {
        return db.insertReturning(
            QStringLiteral("insert into scm_business_offer (bof_person, bof_date, bof_cod_valut) values (?, ?, ?)"),
            QStringLiteral("bof_id"), {buyerId, QDateTime(date, QTime(0, 0)), code.isNull() ? QStringLiteral("") : code});
    }
    void line(qint64 offer, qint64 productId, Money amount, Money sum, Money sumValut = {}) const
    {
        db.exec(QStringLiteral("insert into scm_bp_delivery (bpd_bof_id, bpd_pr_id, bpd_amount, bpd_deliverydate, "
                               "bpd_sum, bpd_sum_valut) values (?, ?, ?, ?, ?, ?)"),
                {offer, productId, amount.toVariant(), QDateTime(QDate::currentDate(), QTime(0, 0)),
                 sum.toVariant(), sumValut.toVariant()});
    }
    Messaging::TOurTvrExchange choice(qint64 productId, const QString& article, Money price,
                                      Money valPrice = {}, const QString& code = {}) const
    {
        Messaging::TOurTvrExchange e;
        e.productId = productId;
        e.articul = article;
        e.name = QStringLiteral("Товар ") + article;
        e.price = price;
        e.valPrice = valPrice;
        e.inCurrency = !code.isEmpty();
        e.currencyCode = code;
        return e;
    }
    QVariant value(const QString& sql, const QVariantList& params = {}) const { return db.scalar(sql, params); }
    int count(const QString& sql, const QVariantList& params = {}) const { return value(sql, params).toInt(); }
    Money money(const QString& sql, const QVariantList& params = {}) const
    {
        return Money::fromVariant(value(sql, params));
    }
};

} // namespace Tarvo::Test
