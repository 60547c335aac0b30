#pragma once

#include "data/engine/database.h"
#include "data/engine/money.h"
#include "shell/tdatabaseconnection.h"

#include <QDateTime>

namespace Tarvo::Test {

// Hand-made request chains for the register's tests: requests and lines, and their amounts
// ordered, confirmed, shipped on invoices and received into the warehouse. Parent rows of the
// chain (order lines, confirmations, delivered goods) are made as needed.
struct ListFixture
{
    Data::Database& db;

    static QVariant amount(double value) { return Money::fromDouble(value).toVariant(); }
    static QDateTime day(int d = 10) { return QDateTime(QDate(2026, 2, d), QTime(0, 0)); }

    qint64 partner(const QString& code, const QString& name) const
    {
        db.exec(QStringLiteral("insert into _partner (N_USER, NAME_USER) values (?, ?)"), {code, name});
        return db.insertReturning(QStringLiteral("insert into scm_partner (par_nuser) values (?)"),
                                  QStringLiteral("par_ID"), {code});
    }
    qint64 product(const QString& article) const
    {
        return db.insertReturning(QStringLiteral("insert into crm_product (PR_ARTICUL, PR_NAME) values (?, ?)"),
                                  QStringLiteral("PR_ID"), {article, QStringLiteral("Товар ") + article});
    }
    // A user holding the given rights, made the current one.
    qint64 currentUser(const QList<int>& rights) const
    {
        // A login of its own for every call: two calls may fall in the same millisecond.
        static int made = 0;
        const qint64 id = db.insertReturning(
            QStringLiteral("insert into CRM_USERS (US_LOGIN, US_NAME, US_DEP) values (?, ?, ?)"),
            QStringLiteral("US_ID"),
            {QStringLiteral("u%1").arg(++made), QStringLiteral("Менеджер"),
             QStringLiteral("Отдел продаж")});
        for (int right : rights) {
            db.exec(QStringLiteral("insert into CRM_SECURITY (SC_ID, SC_DESCR) values (?, ?) on conflict do nothing"),
                    {right, QString::number(right)});
            db.exec(QStringLiteral("insert into CRM_USERS_SECURITY (USC_SC_ID, USC_US_ID) values (?, ?)"), {right, id});
        }
        Shell::TDataBaseConnection::instance().setCurrentUser(int(id), QStringLiteral("Менеджер"), QStringLiteral("m"),
                                                              QStringLiteral("Отдел продаж"));
        return id;
    }
    qint64 request(qint64 buyer, const QVariant& urgency = {}) const
    {
        return db.insertReturning(
            QStringLiteral("insert into scm_business_offer (bof_person, bof_date, Urgency_ID, bof_user_id) "
                           "values (?, ?, ?, ?)"),
            QStringLiteral("bof_id"),
            {buyer, day(), urgency.isValid() ? urgency : QVariant(QMetaType::fromType<qint64>()),
             Shell::TDataBaseConnection::instance().currentUserId() > 0
                 ? QVariant(Shell::TDataBaseConnection::instance().currentUserId())
                 : QVariant(QMetaType::fromType<qint64>())});
    }
    void line(qint64 bof, qint64 pr, double amount) const
    {
        db.exec(QStringLiteral("insert into scm_bp_delivery (bpd_bof_id, bpd_pr_id, bpd_amount) values (?, ?, ?)"),
                {bof, pr, ListFixture::amount(amount)});
    }
    qint64 order(qint64 supplier) const
    {
        return db.insertReturning(
            QStringLiteral("insert into scm_supplier_order (suo_supplier, suo_date, suo_description) values (?, ?, ?)"),
            QStringLiteral("suo_id"), {supplier, day(), QStringLiteral("заказ")});
    }
    void orderLine(qint64 suo, qint64 pr) const
    {
        db.exec(QStringLiteral("insert into scm_so_products (sop_suo_id, sop_pr_id, sop_amount) values (?, ?, 1000) "
                               "on conflict do nothing"),
                {suo, pr});
    }
    void confirmation(qint64 suo, qint64 pr) const
    {
        orderLine(suo, pr);
        db.exec(QStringLiteral("insert into scm_so_accepted (soa_suo_id, soa_pr_id, soa_deliverydate, soa_amount) "
                               "values (?, ?, ?, 1000) on conflict do nothing"),
                {suo, pr, day(20)});
    }
    void ordered(qint64 bof, qint64 pr, qint64 suo, double amount) const
    {
        orderLine(suo, pr);
        db.exec(QStringLiteral("insert into scm_bo_ordered (bpo_bof_id, bpo_pr_id, bpo_suo_id, bpo_amount) "
                               "values (?, ?, ?, ?)"),
                {bof, pr, suo, ListFixture::amount(amount)});
    }
    void accepted(qint64 bof, qint64 pr, qint64 suo, double amount) const
    {
        confirmation(suo, pr);
        db.exec(QStringLiteral("insert into scm_bo_accepted (boa_suo_id, boa_pr_id, boa_soa_deliverydate, boa_bof_id, "
                               "boa_amount) values (?, ?, ?, ?, ?)"),
                {suo, pr, day(20), bof, ListFixture::amount(amount)});
    }
    struct Invoice
    {
        qint64 waybill;
        qint64 id;
    };
    Invoice invoice(qint64 supplier, bool completed) const
    {
        const qint64 swb = db.insertReturning(
            QStringLiteral("insert into scm_waybill (swb_departure_platform, swb_department) values (?, ?)"),
            QStringLiteral("swb_id"), {QStringLiteral("Брест"), day(21)});
        const qint64 sde = db.insertReturning(
            QStringLiteral("insert into scm_delivery (sde_swb_id, sde_supplier, sde_invoice_num, sde_invoice_date, "
                           "sde_complited) values (?, ?, ?, ?, ?)"),
            QStringLiteral("sde_id"), {swb, supplier, QStringLiteral("INV"), day(21), completed ? 1 : 0});
        return {swb, sde};
    }
    void shipped(qint64 bof, qint64 pr, qint64 suo, const Invoice& inv, double amount) const
    {
        confirmation(suo, pr);
        db.exec(QStringLiteral("insert into scm_deliveredProduct (sdp_swb_id, sdp_sde_id, sdp_pr_id, sdp_amount, "
                               "sdp_amount2) values (?, ?, ?, 1, 1) on conflict do nothing"),
                {inv.waybill, inv.id, pr});
        db.exec(QStringLiteral("insert into scm_order_invoice (sdi_pr_id, sdi_suo_id, sdi_soa_deliverydate, sdi_sde_id, "
                               "sdi_swb_id, sdi_amount, sdi_sdp_pr_id) values (?, ?, ?, ?, ?, 1, ?) "
                               "on conflict do nothing"),
                {pr, suo, day(20), inv.id, inv.waybill, pr});
        db.exec(QStringLiteral("insert into scm_offer_invoice (soi_pr_id, soi_suo_id, soi_soa_deliverydate, "
                               "soi_sde_id, soi_swb_id, soi_bof_id, soi_sdp_pr_id, soi_amount, soi_sdp_amount) "
                               "values (?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                {pr, suo, day(20), inv.id, inv.waybill, bof, pr, ListFixture::amount(amount),
                 ListFixture::amount(amount)});
    }
    void received(qint64 bof, qint64 pr, qint64 suo, const Invoice& inv, double amount) const
    {
        const qint64 recno = db.insertReturning(
            QStringLiteral("insert into scl_move (id_sclad, name_predm, typdocm_pr, numdocm_pr, date_predm, kolc_predm) "
                           "values (1, 'A', 'П', 'ПН-1', ?, ?)"),
            QStringLiteral("recno"), {day(25), ListFixture::amount(amount)});
        db.exec(QStringLiteral("insert into SCM_TOMOVE (recno, soi_bof_id, soi_pr_id, soi_suo_id, "
                               "soi_soa_deliverydate, soi_swb_id, soi_sde_id, soi_sdp_pr_id) "
                               "values (?, ?, ?, ?, ?, ?, ?, ?)"),
                {recno, bof, pr, suo, day(20), inv.waybill, inv.id, pr});
    }
};

} // namespace Tarvo::Test
