#pragma once

#include "catalog/catalogfixture.h"
#include "data/engine/database.h"
#include "data/engine/money.h"
#include "messaging/changeevents.h"
#include "messaging/tmessageserver.h"
#include "security/login.h"
#include "security/rightscatalog.h"
#include "security/tdmusers.h"
#include "shell/tdatabaseconnection.h"

#include <QDateTime>

namespace Tarvo::Test {

// Hand-made request chains for the request's lower register part: a logged-in administrator,
// a buyer, a supplier, products, and the stage rows of orders, confirmations, invoices and
// receipts written as the later documents would write them.
struct DetFixture
{
    Data::Database& db;
    CatalogFixture catalog{db};
    qint64 buyer = 0;
    qint64 supplier = 0;
    qint64 adminId = 0;

    explicit DetFixture(Data::Database& database) : db(database)
    {
        Data::Database::setMain(&db);
        Security::RightsCatalog::update(db);
        {
            Security::TdmUsers users(db);
            adminId = users.currentUserId();
        }
        Security::Login::makeCurrent(Security::Login::check(db, QStringLiteral("Админ"), QString()));
        buyer = catalog.partner(QStringLiteral("ПОКУП"), QStringLiteral("ООО Покупатель"), QStringLiteral("К"));
        supplier = catalog.partner(QStringLiteral("ПОСТ"), QStringLiteral("ООО Поставщик"), QStringLiteral("П"));
    }
    ~DetFixture()
    {
        Shell::TDataBaseConnection::instance().setCurrentUser(0, {}, {}, {});
        Data::Database::setMain(nullptr);
    }

    void revokeEditing() const
    {
        db.exec(QStringLiteral("delete from CRM_USERS_SECURITY where USC_US_ID = ? and USC_SC_ID = 100013"),
                {adminId});
    }

    static QDateTime day(int d) { return QDateTime(QDate(2026, 2, d), QTime(0, 0)); }
    static QVariant amount(const char* text) { return Money::parse(QString::fromLatin1(text))->toVariant(); }

    qint64 product(const QString& article) const { return catalog.product(article, QStringLiteral("Товар ") + article, {}); }
    qint64 request() const { return catalog.request(buyer); }
    qint64 order() const { return catalog.supplierOrder(supplier); }

    void line(qint64 bof, qint64 pr, const char* qty) const
    {
        db.exec(QStringLiteral("insert into scm_bp_delivery (bpd_bof_id, bpd_pr_id, bpd_amount, bpd_sum, bpd_sum_valut) "
                               "values (?, ?, ?, ?, 0)"),
                {bof, pr, amount(qty), Money(100).toVariant()});
    }
    void orderLine(qint64 suo, qint64 pr) const
    {
        if (!count(QStringLiteral("select count(*) from scm_so_products where sop_suo_id = ? and sop_pr_id = ?"),
                   {suo, pr}))
            db.exec(QStringLiteral("insert into scm_so_products (sop_suo_id, sop_pr_id, sop_amount) values (?, ?, 1000)"),
                    {suo, pr});
    }
    void confirmation(qint64 suo, qint64 pr, const QDateTime& date) const
    {
        orderLine(suo, pr);
        if (!count(QStringLiteral("select count(*) from scm_so_accepted where soa_suo_id = ? and soa_pr_id = ? "
                                  "and soa_deliverydate = ?"),
                   {suo, pr, date}))
            db.exec(QStringLiteral("insert into scm_so_accepted (soa_suo_id, soa_pr_id, soa_deliverydate, soa_amount) "
                                   "values (?, ?, ?, 1000)"),
                    {suo, pr, date});
    }
    void ordered(qint64 bof, qint64 pr, qint64 suo, const char* qty) const
    {
        orderLine(suo, pr);
        db.exec(QStringLiteral("insert into scm_bo_ordered (bpo_bof_id, bpo_pr_id, bpo_suo_id, bpo_amount) "
                               "values (?, ?, ?, ?)"),
                {bof, pr, suo, amount(qty)});
    }
    void accepted(qint64 bof, qint64 pr, qint64 suo, const QDateTime& date, const char* qty) const
    {
        confirmation(suo, pr, date);
        db.exec(QStringLiteral("insert into scm_bo_accepted (boa_suo_id, boa_pr_id, boa_soa_deliverydate, boa_bof_id, "
                               "boa_amount) values (?, ?, ?, ?, ?)"),
                {suo, pr, date, bof, amount(qty)});
    }
    qint64 waybill(bool arrived = false) const
    {
        return db.insertReturning(
            QStringLiteral("insert into scm_waybill (swb_departure_platform, swb_department, swb_consignor, "
                           "swb_stepname, swb_arrival_date) values ('Брест', ?, 'ООО Отправитель', 'В пути', ?)"),
            QStringLiteral("swb_id"),
            {day(1), arrived ? QVariant(day(20)) : QVariant(QMetaType::fromType<QDateTime>())});
    }
    qint64 invoice(qint64 swb, bool completed, const QString& number = QStringLiteral("INV-1")) const
    {
        return db.insertReturning(
            QStringLiteral("insert into scm_delivery (sde_swb_id, sde_supplier, sde_invoice_num, sde_invoice_date, "
                           "sde_complited) values (?, ?, ?, ?, ?)"),
            QStringLiteral("sde_id"), {swb, supplier, number, day(2), completed ? 1 : 0});
    }
    // The invoice's goods and the confirmation they came from, ready for request shares.
    void invoiced(qint64 sde, qint64 swb, qint64 suo, qint64 pr, const QDateTime& date) const
    {
        confirmation(suo, pr, date);
        if (!count(QStringLiteral("select count(*) from scm_deliveredProduct where sdp_sde_id = ? and sdp_pr_id = ?"),
                   {sde, pr}))
            db.exec(QStringLiteral("insert into scm_deliveredProduct (sdp_swb_id, sdp_sde_id, sdp_pr_id, sdp_amount, "
                                   "sdp_amount2) values (?, ?, ?, 1000, 1000)"),
                    {swb, sde, pr});
        if (!count(QStringLiteral("select count(*) from scm_order_invoice where sdi_sde_id = ? and sdi_sdp_pr_id = ? "
                                  "and sdi_suo_id = ? and sdi_pr_id = ? and sdi_soa_deliverydate = ?"),
                   {sde, pr, suo, pr, date}))
            db.exec(QStringLiteral("insert into scm_order_invoice (sdi_pr_id, sdi_suo_id, sdi_soa_deliverydate, "
                                   "sdi_sde_id, sdi_swb_id, sdi_amount, sdi_sdp_pr_id, sdi_sdp_amount) "
                                   "values (?, ?, ?, ?, ?, 1000, ?, 1000)"),
                    {pr, suo, date, sde, swb, pr});
    }
    void shipped(qint64 bof, qint64 pr, qint64 suo, const QDateTime& date, qint64 sde, qint64 swb,
                 const char* qty) const
    {
        invoiced(sde, swb, suo, pr, date);
        db.exec(QStringLiteral("insert into scm_offer_invoice (soi_pr_id, soi_suo_id, soi_soa_deliverydate, soi_sde_id, "
                               "soi_swb_id, soi_bof_id, soi_sdp_pr_id, soi_amount, soi_sdp_amount) "
                               "values (?, ?, ?, ?, ?, ?, ?, ?, ?)"),
                {pr, suo, date, sde, swb, bof, pr, amount(qty), amount(qty)});
    }
    // A null date: the warehouse named the invoice line but not the confirmation.
    void received(qint64 bof, qint64 pr, qint64 suo, const QVariant& date, qint64 sde, qint64 swb,
                  const char* qty, const QString& document = QStringLiteral("ПН-1")) const
    {
        const qint64 recno = db.insertReturning(
            QStringLiteral("insert into scl_move (id_sclad, name_predm, typdocm_pr, numdocm_pr, date_predm, kolc_predm) "
                           "select 1, PR_ARTICUL, 'П', ?, ?, ? from crm_product where PR_ID = ?"),
            QStringLiteral("recno"), {document, day(25), amount(qty), pr});
        db.exec(QStringLiteral("insert into SCM_TOMOVE (recno, soi_bof_id, soi_pr_id, soi_suo_id, soi_soa_deliverydate, "
                               "soi_swb_id, soi_sde_id, soi_sdp_pr_id) values (?, ?, ?, ?, ?, ?, ?, ?)"),
                {recno, bof, pr, suo, date, swb, sde, pr});
    }

    // A request with line A (10: ordered 1, confirmed 2, shipped 3) and line B (4: ordered 1).
    struct TwoLines
    {
        qint64 bof, suo, a, b;
    };
    TwoLines twoLineRequest() const
    {
        const TwoLines r{request(), order(), product(QStringLiteral("A-1")), product(QStringLiteral("B-2"))};
        line(r.bof, r.a, "10");
        line(r.bof, r.b, "4");
        const qint64 swb = waybill(), sde = invoice(swb, false);
        ordered(r.bof, r.a, r.suo, "1");
        accepted(r.bof, r.a, r.suo, day(3), "2");
        shipped(r.bof, r.a, r.suo, day(3), sde, swb, "3");
        ordered(r.bof, r.b, r.suo, "1");
        return r;
    }

    qint64 count(const QString& sql, const QVariantList& params = {}) const
    {
        return db.scalar(sql, params).toLongLong();
    }
    Money sum(const QString& sql, const QVariantList& params = {}) const
    {
        return Money::fromVariant(db.scalar(sql, params));
    }
};

// Counts the change notices about buyer requests.
struct OfferNotices : Messaging::IChangeReceiver
{
    int heard = 0;
    Messaging::TChangeSubscription subscription{Messaging::ChangeEvents::BusinessOffers, this};
    void refresh(const QUuid&, int) override {}
    bool notice(const QUuid&, const QByteArray&) override
    {
        ++heard;
        return false;
    }
};

} // namespace Tarvo::Test
