#include "catalog/books/urgencybook.h"

#include "catalog/catalogtransaction.h"
#include "core/exception.h"
#include "data/engine/database.h"
#include "data/engine/query.h"

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Catalog {

const QString UrgencyBook::SettingsKey = u"Library_Urgencys_G_Urgencys"_s;

QString UrgencyBook::deleteQuestion(const QString& name)
{
    return u"Удалить тип срочности документа \""_s + name + u"\" ?"_s;
}

qint64 UrgencyBook::save(qint64 id, const QString& nameText, const QString& priorityText) const
{
    const QString name = nameText.trimmed();
    if (name.isEmpty())
        throw Exception(u"Не задано название"_s);
    QString p = priorityText.trimmed();
    if (p.isEmpty())
        p = u"0"_s;
    bool ok = false;
    int priority = p.toInt(&ok);
    if (!ok || priority < 0)
        throw Exception(u"Неверно задан приоритет"_s);

    CatalogTransaction tx(m_db);
    if (m_db.scalar(u"select count(*) from SCM_Library_Urgency where Name = ? and Urgency_ID <> ?"_s,
                    {name, id})
            .toLongLong() > 0)
        throw Exception(u"Тип срочности с названием \""_s + name + u"\" \r\nв справочнике уже существует"_s);
    if (priority == 0) {
        m_db.exec(u"update SCM_Library_Urgency set Priority = Priority + 1"_s);
        priority = 1;
    } else if (m_db.scalar(
                       u"select count(*) from SCM_Library_Urgency where Priority = ? and Urgency_ID <> ?"_s,
                       {priority, id})
                   .toLongLong() > 0) {
        m_db.exec(u"update SCM_Library_Urgency set Priority = Priority + 1 where Priority >= ?"_s,
                  {priority});
    }
    if (id == 0) {
        id = m_db.insertReturning(u"insert into SCM_Library_Urgency (Name, Priority) values (?, ?)"_s,
                                  u"Urgency_ID"_s, {name, priority});
    } else {
        Data::Query q(m_db, u"update SCM_Library_Urgency set Name = ?, Priority = ? where Urgency_ID = ?"_s);
        q.bindAll({name, priority, id}).exec();
        if (q.numRowsAffected() == 0)
            throw Exception(u"Тип срочности не найден. Возможно, его уже удалили."_s);
    }
    tx.commit();
    return id;
}

UrgencyBook::Use UrgencyBook::use(qint64 id) const
{
    const int r =
        m_db.scalar(u"select case when exists(select 1 from SCM_BUSINESS_OFFER where urgency_ID = ?) then 1 "
                    "when exists(select 1 from SCM_SUPPLIER_ORDER where urgency_ID = ?) then 2 else 0 end"_s,
                    {id, id})
            .toInt();
    return r == 1 ? Use::Requests : r == 2 ? Use::SupplierOrders : Use::None;
}

void UrgencyBook::remove(qint64 id) const
{
    CatalogTransaction tx(m_db);
    switch (use(id)) {
    case Use::Requests:
        throw Exception(
            u"В реестре заявок есть документ(ы) с удаляемым типом срочности\r\nУдаление невозможно."_s);
    case Use::SupplierOrders:
        throw Exception(
            u"В реестре заказов поставщику есть документ(ы) с удаляемым типом срочности\r\nУдаление невозможно."_s);
    case Use::None:
        break;
    }
    m_db.exec(u"delete from SCM_Library_Urgency where Urgency_ID = ?"_s, {id});
    tx.commit();
}

} // namespace Tarvo::Catalog
