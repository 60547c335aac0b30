#pragma once

#include "BusOffer/edfixture.h"
#include "shell/tdatabaseconnection.h"

namespace Tarvo::Test {

// Data of the supplier order editor's tests: suppliers with their card's warehouse, assortment
// rows, contracts with stages, and a logged-in user with the rights a test gives.
struct EditorFixture : EdFixture
{
    qint64 supplier(const QString& code, const QString& name, const QVariant& regis = {}) const
    {
        db.exec(QStringLiteral(
                    "insert into _partner (N_USER, NAME_USER, REGIS_USER, MY_ORGANIZ) values (?, ?, ?, ?)"),
                {code, name, regis, QStringLiteral("Т")});
        return db.insertReturning(QStringLiteral("insert into scm_partner (par_nuser) values (?)"),
                                  QStringLiteral("par_ID"), {code});
    }
    void warehouse(int id, const QString& name) const
    {
        db.exec(QStringLiteral("insert into sclad_r (ID_SCLAD, NAME_SCLAD) values (?, ?)"), {id, name});
    }
    void assortment(qint64 supplierId, qint64 productId, const QString& article, Money price,
                    const QString& code = {}, double minLot = 0) const
    {
        db.exec(
            QStringLiteral("insert into scm_artcmap (sam_prv_id, sam_pr_id, sam_artc, sam_price, sam_codval, "
                           "sam_minpartia) values (?, ?, ?, ?, ?, ?)"),
            {supplierId, productId, article, price.toVariant(),
             code.isEmpty() ? QVariant(QMetaType::fromType<QString>()) : QVariant(code), minLot});
    }
    qint64 contract(qint64 supplierId, const QString& number, const QString& extra = {}) const
    {
        return db.insertReturning(
            QStringLiteral("insert into crm_dogovors (dg_par_id, dg_number, dg_dopnumber) values (?, ?, ?)"),
            QStringLiteral("dg_id"), {supplierId, number, extra});
    }
    qint64 stage(qint64 contractId, const QString& number) const
    {
        return db.insertReturning(QStringLiteral("insert into crm_stage (st_dg_id, st_number) values (?, ?)"),
                                  QStringLiteral("st_id"), {contractId, number});
    }
    qint64 order(qint64 supplierId, const QString& code = {}) const
    {
        return db.insertReturning(
            QStringLiteral(
                "insert into scm_supplier_order (suo_supplier, suo_date, suo_cod_valut, suo_description) "
                "values (?, ?, ?, ?)"),
            QStringLiteral("suo_id"),
            {supplierId, QDateTime(QDate::currentDate(), QTime(0, 0)),
             code.isNull() ? QStringLiteral("") : code, QStringLiteral("заказ")});
    }
    void orderLine(qint64 orderId, qint64 productId, Money amount, Money sum, Money sumValut = {}) const
    {
        db.exec(QStringLiteral(
                    "insert into scm_so_products (sop_suo_id, sop_pr_id, sop_amount, sop_deliverydate, "
                    "sop_sum, sop_sum_valut) values (?, ?, ?, ?, ?, ?)"),
                {orderId, productId, amount.toVariant(), QDateTime(QDate::currentDate(), QTime(0, 0)),
                 sum.toVariant(), sumValut.toVariant()});
    }
    qint64 currentUser(const QList<int>& rights) const
    {
        static int made = 0;
        const qint64 id = db.insertReturning(
            QStringLiteral("insert into CRM_USERS (US_LOGIN, US_NAME, US_DEP) values (?, ?, ?)"),
            QStringLiteral("US_ID"),
            {QStringLiteral("e%1").arg(++made), QStringLiteral("Закупщик"), QStringLiteral("Отдел закупок")});
        for (int right : rights) {
            db.exec(QStringLiteral(
                        "insert into CRM_SECURITY (SC_ID, SC_DESCR) values (?, ?) on conflict do nothing"),
                    {right, QString::number(right)});
            db.exec(QStringLiteral("insert into CRM_USERS_SECURITY (USC_SC_ID, USC_US_ID) values (?, ?)"),
                    {right, id});
        }
        Shell::TDataBaseConnection::instance().setCurrentUser(
            int(id), QStringLiteral("Закупщик"), QStringLiteral("z"), QStringLiteral("Отдел закупок"));
        return id;
    }
};

} // namespace Tarvo::Test
