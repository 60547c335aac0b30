#include "BusOffer/offereditorlookups.h"

#include "core/exception.h"
#include "data/engine/database.h"
#include "data/engine/query.h"

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::BusOffer {

QList<OfferEditorLookups::Item> OfferEditorLookups::readUrgencies(Data::Database& db)
{
    QList<Item> items;
    Data::Query u(db, u"select Urgency_ID, Name from SCM_Library_Urgency order by Name"_s);
    u.exec();
    while (u.next())
        items.append({u.value(0).toLongLong(), u.string(1), {}});
    return items;
}

QList<OfferEditorLookups::Item> OfferEditorLookups::readCurrencies(Data::Database& db)
{
    QList<Item> items{{QString(), QString(), {}}};
    Data::Query c(db, u"select CODVALUT from VALUTCOD where CODVALUT <> '' order by CODVALUT"_s);
    c.exec();
    while (c.next())
        items.append({c.string(0), c.string(0), {}});
    return items;
}

void OfferEditorLookups::reload()
{
    m_urgencies = readUrgencies(m_db);
    m_currencies = readCurrencies(m_db);
    reloadCounterparties();
}

void OfferEditorLookups::reloadCounterparties()
{
    m_counterparties = readCounterparties(m_db);
}

QList<OfferEditorLookups::Item> OfferEditorLookups::readCounterparties(Data::Database& db, const QString& kind)
{
    QList<Item> items;
    Data::Query q(db, u"select sp.par_ID, p.N_USER, p.NAME_USER from _partner p "
                      "left join scm_partner sp on sp.par_nuser = p.N_USER "_s +
                          (kind.isEmpty() ? QString() : u"where p.MY_ORGANIZ = ? "_s) +
                          u"order by p.NAME_USER, p.N_USER"_s);
    if (!kind.isEmpty())
        q.bindAt(0, kind, Data::ParamType::String);
    q.exec();
    qint64 placeholder = 0;
    while (q.next()) {
        const qint64 key = q.isNull(0) ? --placeholder : q.integer(0);
        QString name = q.string(2);
        if (name.trimmed().isEmpty())
            name = q.string(1);
        items.append({key, name, q.string(1)});
    }
    return items;
}

qint64 OfferEditorLookups::registeredCounterparty(Data::Database& db, const QString& code)
{
    // Another workstation may have registered it meanwhile (or be doing so now: the insert waits
    // for it and then does nothing); its row is the one to use.
    const QString find = u"select par_ID from scm_partner where par_nuser = ?"_s;
    QVariant par = db.scalar(find, {code});
    if (par.isNull()) {
        db.exec(u"insert into scm_partner (par_nuser) values (?) on conflict (par_nuser) do nothing"_s, {code});
        par = db.scalar(find, {code});
    }
    if (par.isNull())
        throw Exception(u"Контрагент не найден, выберите его снова"_s);
    return par.toLongLong();
}

QString OfferEditorLookups::counterpartyCode(qint64 key) const
{
    for (const Item& i : m_counterparties)
        if (i.key.toLongLong() == key)
            return i.code;
    return {};
}

qint64 OfferEditorLookups::counterpartyKey(const QString& code) const
{
    for (const Item& i : m_counterparties)
        if (i.code == code)
            return i.key.toLongLong();
    return 0;
}

} // namespace Tarvo::BusOffer
