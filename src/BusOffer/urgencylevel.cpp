#include "BusOffer/urgencylevel.h"

#include "core/exception.h"
#include "data/engine/database.h"
#include "data/engine/databaseerror.h"
#include "data/engine/query.h"

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::BusOffer {

const QString UrgencyLevel::NoUrgency = u"(не задана)"_s;

const QList<UrgencyLevel::Document>& UrgencyLevel::documents()
{
    // The documents whose tables have Urgency_ID.
    static const QList<Document> all{
        {u"scm_business_offer"_s, u"bof_id"_s},
        {u"scm_supplier_order"_s, u"suo_id"_s},
    };
    return all;
}

UrgencyLevel::UrgencyLevel(Data::Database& db, const QString& table, const QString& keyColumn) : m_db(db)
{
    for (const Document& d : documents())
        if (d.table.compare(table.trimmed(), Qt::CaseInsensitive) == 0 &&
            d.keyColumn.compare(keyColumn.trimmed(), Qt::CaseInsensitive) == 0) {
            m_document = d;
            return;
        }
    throw Exception(u"Срочность нельзя установить для таблицы \"%1\" с ключом \"%2\""_s.arg(table, keyColumn));
}

QList<UrgencyLevel::Choice> UrgencyLevel::choices() const
{
    QList<Choice> r{{NoUrgency, QVariant()}};
    Data::Query q(m_db, u"select Name, Urgency_ID from SCM_Library_Urgency order by Name"_s);
    q.exec();
    while (q.next())
        r.append({q.string(0), q.integer(1)});
    return r;
}

bool UrgencyLevel::same(const QVariant& a, const QVariant& b)
{
    const bool aNull = a.isNull() || !a.isValid(), bNull = b.isNull() || !b.isValid();
    if (aNull || bNull)
        return aNull == bNull;
    return a.toLongLong() == b.toLongLong();
}

void UrgencyLevel::set(qint64 key, const QVariant& urgency) const
{
    const bool none = urgency.isNull() || !urgency.isValid();
    Data::Query q(m_db, u"update %1 set Urgency_ID = ? where %2 = ?"_s.arg(m_document.table, m_document.keyColumn));
    q.bindAt(0, none ? QVariant() : QVariant(urgency.toLongLong()), Data::ParamType::Integer);
    q.bindAt(1, key, Data::ParamType::Integer);
    try {
        q.exec();
    } catch (const Data::DatabaseError& e) {
        if (e.nativeError() == Data::NativeError::Reference)
            throw Exception(u"Выбранный тип срочности удалён из справочника. Выберите другой."_s);
        throw;
    }
    if (q.numRowsAffected() == 0)
        throw Exception(u"Документ %1 не найден. Возможно, его уже удалили."_s.arg(key));
}

} // namespace Tarvo::BusOffer
