#include "security/rightscatalog.h"

#include "data/engine/database.h"
#include "data/engine/query.h"
#include "security/rights.h"

namespace Tarvo::Security {

const QList<RightsCatalog::Entry>& RightsCatalog::entries()
{
    static const QList<Entry> all{
        {Right::OtherUsersRecords, -1, QStringLiteral("Записи других пользователей"), true},
        {Right::ViewOthersOffers, Right::OtherUsersRecords,
         QStringLiteral("Просмотр предложений, созданных другими пользователями"), true},
        {Right::Security, -1, QStringLiteral("Настройка прав доступа"), true},
        {Right::Users, -1, QStringLiteral("Управление пользователями"), true},
        {Right::DeleteDocuments, -1, QStringLiteral("Удаление документов"), true},
        {Right::DeleteBusinessOffer, Right::DeleteDocuments, QStringLiteral("Заявка покупателя"), true},
        {Right::DeleteSupplierOrder, Right::DeleteDocuments, QStringLiteral("Заказ поставщику"), true},
        {Right::DeleteAcceptedOrder, Right::DeleteDocuments, QStringLiteral("Подтвержденный заказ"), true},
        {Right::DeleteWayBill, Right::DeleteDocuments, QStringLiteral("Посылка"), true},
        {Right::Approval, -1, QStringLiteral("Одобрение"), true},
        {Right::ApproveBusinessOffer, Right::Approval, QStringLiteral("Заявка покупателя"), true},
        {Right::ApproveSupplierOrder, Right::Approval, QStringLiteral("Заказ поставщику"), true},
        {Right::Login, -1, QStringLiteral("Вход в цепочку поставок"), true},
        {Right::AdminEditing, -1, QStringLiteral("Административное редактирование реестров"), false},
        {Right::ViewOtherDepartments, Right::OtherUsersRecords,
         QStringLiteral("Просмотр документов, созданных пользователями других отделов "), true},
    };
    return all;
}

int RightsCatalog::update(Data::Database& db)
{
    using Data::ParamType;
    Data::Transaction tx(db);
    const bool firstSetup =
        db.scalar(QStringLiteral("select count(*) from CRM_SECURITY where SC_ID >= 100000")).toLongLong() ==
        0;
    // "on conflict do nothing" waits for a concurrent insert of the same key and then skips it, so
    // two workstations starting together never fail on PK_CRM_SECURITY.
    Data::Query insertRight(
        db, QStringLiteral("insert into CRM_SECURITY (SC_ID, SC_DESCR, SC_PARENT_ID, SC_ALLOWED, "
                           "SC_PARAM_TYPE) values (:sc_id, :SC_DESCR, :SC_PARENT_ID, 1, null) "
                           "on conflict (SC_ID) do nothing"));
    Data::Query grant(db, QStringLiteral("insert into CRM_USERS_SECURITY (USC_SC_ID, USC_US_ID, USC_PARAM) "
                                         "select :sc_id, US_ID, null from CRM_USERS "
                                         "where :everyone = 1 or coalesce(US_NEW_SECUR_ACTIVE, :yes) = :yes "
                                         "on conflict (USC_SC_ID, USC_US_ID) do nothing"));
    int added = 0;
    for (const Entry& e : entries()) {
        insertRight.bind(QStringLiteral("sc_id"), e.id, ParamType::Integer)
            .bind(QStringLiteral("SC_DESCR"), e.description, ParamType::String, 255)
            .bind(QStringLiteral("SC_PARENT_ID"), e.parent, ParamType::Integer)
            .exec();
        if (insertRight.numRowsAffected() != 1)
            continue;
        ++added;
        if (e.grantedWhenAdded)
            grant.bind(QStringLiteral("sc_id"), e.id, ParamType::Integer)
                .bind(QStringLiteral("everyone"), firstSetup ? 1 : 0, ParamType::Integer)
                .bind(QStringLiteral("yes"), true, ParamType::Boolean)
                .exec();
    }
    tx.commit();
    return added;
}

} // namespace Tarvo::Security
