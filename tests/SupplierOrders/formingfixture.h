#pragma once

#include "BusOffer/detfixture.h"
#include "data/engine/database.h"
#include "data/engine/money.h"

#include <QDate>
#include <QDateTime>

namespace Tarvo::Test {

// Approved requests, suppliers with their assortment, currencies and rates, written straight to
// the tables, for forming supplier orders from open request amounts.
struct FormingFixture
{
    Data::Database& db;
    DetFixture det{db};

    static Money m(const char* text) { return *Money::parse(QString::fromLatin1(text)); }

    qint64 supplier(const QString& shortName, const QVariant& warehouse = {}) const
    {
        const qint64 id = det.catalog.partner(shortName, QStringLiteral("ООО ") + shortName, QStringLiteral("Т"));
        if (warehouse.isValid())
            db.exec(QStringLiteral("update _partner set REGIS_USER = ? where N_USER = ?"), {warehouse, shortName});
        return id;
    }
    void warehouse(int id, const QString& name) const
    {
        db.exec(QStringLiteral("insert into sclad_r (ID_SCLAD, NAME_SCLAD) values (?, ?)"), {id, name});
    }
    qint64 urgency(const QString& name, int priority = 1) const
    {
        return db.insertReturning(QStringLiteral("insert into SCM_Library_Urgency (Name, Priority) values (?, ?)"),
                                  QStringLiteral("Urgency_ID"), {name, priority});
    }
    qint64 product(const QString& article) const { return det.product(article); }
    // An approved request; `lines` are (product, amount) pairs.
    qint64 request(const QList<std::pair<qint64, const char*>>& lines, const QVariant& urgency = {},
                   bool approved = true) const
    {
        const qint64 bof = det.catalog.request(det.buyer, urgency);
        for (const auto& [pr, qty] : lines)
            det.line(bof, pr, qty);
        if (approved)
            db.exec(QStringLiteral("update scm_business_offer set bof_accepted = 1 where bof_id = ?"), {bof});
        return bof;
    }
    // `code` null leaves sam_codval null (roubles as the demo company stores them).
    void offer(qint64 pr, qint64 supplierId, const char* price, const QVariant& code = {},
               const char* minLot = "1") const
    {
        db.exec(QStringLiteral("insert into scm_artcmap (sam_pr_id, sam_prv_id, sam_artc, sam_price, sam_codval, "
                               "sam_minpartia, sam_deliverydelay, sam_chaindelay) values (?, ?, ?, ?, ?, ?, 5, 2)"),
                {pr, supplierId, QStringLiteral("S-%1-%2").arg(supplierId).arg(pr), m(price).toVariant(),
                 code.isValid() ? code : QVariant(QMetaType::fromType<QString>()), m(minLot).toVariant()});
    }
    void rate(const QString& code, const QDate& date, double value) const
    {
        if (db.scalar(QStringLiteral("select count(*) from VALUTCOD where CODVALUT = ?"), {code}).toInt() == 0)
            db.exec(QStringLiteral("insert into VALUTCOD (CODVALUT, NAMEVALUT) values (?, ?)"), {code, code});
        db.exec(QStringLiteral("insert into cotirval (codvalut, datecotir, valcotir) values (?, ?, ?)"),
                {code, QDateTime(date, QTime(0, 0)), value});
    }

    qint64 count(const QString& sql, const QVariantList& params = {}) const { return det.count(sql, params); }
    Money sum(const QString& sql, const QVariantList& params = {}) const { return det.sum(sql, params); }
    Money ordered(qint64 bof, qint64 pr, qint64 suo) const
    {
        return sum(QStringLiteral("select bpo_amount from scm_bo_ordered where bpo_bof_id = ? and bpo_pr_id = ? "
                                  "and bpo_suo_id = ?"),
                   {bof, pr, suo});
    }
};

// Counts the change notices about supplier orders.
struct SupplierOrderNotices : Messaging::IChangeReceiver
{
    int heard = 0;
    Messaging::TChangeSubscription subscription{Messaging::ChangeEvents::SupplierOrders, this};
    void refresh(const QUuid&, int) override {}
    bool notice(const QUuid&, const QByteArray&) override
    {
        ++heard;
        return false;
    }
};

} // namespace Tarvo::Test
