#pragma once

#include "catalog/partners/partnercard.h"
#include "data/engine/database.h"

#include <QDateTime>

namespace Tarvo::Test {

// Small data for the catalog tests: groups, products, counterparties and documents.
struct CatalogFixture
{
    Data::Database& db;

    qint64 group(const QString& name, std::optional<qint64> parent = std::nullopt) const
    {
        return parent ? db.insertReturning(
                            QStringLiteral("insert into crm_productgroups (pg_groupname, pg_parent) "
                                           "values (?, ?)"),
                            QStringLiteral("pg_groupid"), {name, *parent})
                      : db.insertReturning(
                            QStringLiteral("insert into crm_productgroups (pg_groupname) values (?)"),
                            QStringLiteral("pg_groupid"), {name});
    }
    qint64 product(const QString& article, const QString& name, std::optional<qint64> group) const
    {
        return db.insertReturning(
            QStringLiteral("insert into crm_product (PR_ARTICUL, PR_NAME, PR_GROUPID) values (?, ?, ?)"),
            QStringLiteral("PR_ID"),
            {article, name, group ? QVariant(*group) : QVariant(QMetaType::fromType<qint64>())});
    }
    // A counterparty registered for this system; returns its par_ID.
    qint64 partner(const QString& shortName, const QString& fullName,
                   const QString& kind = QStringLiteral("Т")) const
    {
        Catalog::PartnerCardData d;
        d.shortName = shortName;
        d.fullName = fullName;
        d.kind = kind;
        Catalog::PartnerCard(db).save(d, Catalog::PartnerCard::Mode::Create);
        return db.scalar(QStringLiteral("select par_ID from scm_partner where par_nuser = ?"), {shortName})
            .toLongLong();
    }
    qint64 request(qint64 buyer, const QVariant& urgency = {}) const
    {
        return db.insertReturning(
            QStringLiteral("insert into scm_business_offer (bof_person, bof_date, Urgency_ID) "
                           "values (?, ?, ?)"),
            QStringLiteral("bof_id"),
            {buyer, QDateTime(QDate(2026, 1, 10), QTime(0, 0)),
             urgency.isValid() ? urgency : QVariant(QMetaType::fromType<qint64>())});
    }
    qint64 supplierOrder(qint64 supplier, const QVariant& urgency = {}) const
    {
        return db.insertReturning(
            QStringLiteral(
                "insert into scm_supplier_order (suo_supplier, suo_date, suo_description, Urgency_ID) "
                "values (?, ?, 'заказ', ?)"),
            QStringLiteral("suo_id"),
            {supplier, QDateTime(QDate(2026, 1, 10), QTime(0, 0)),
             urgency.isValid() ? urgency : QVariant(QMetaType::fromType<qint64>())});
    }
};

} // namespace Tarvo::Test
