#include "catalog/books/shipperstations.h"

#include "catalog/catalogtransaction.h"
#include "data/engine/database.h"

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Catalog {

const QString ShipperStations::ListSql =
    u"select scd_sta_id, scd_par_id from\nscm_departure join scm_partner on scd_par_id = par_id where par_nuser=:n_user"_s;

qint64 ShipperStations::add(const QString& shortName, qint64 station) const
{
    CatalogTransaction tx(m_db);
    QVariant par = m_db.scalar(u"select par_id from scm_partner where par_nuser=?"_s, {shortName});
    if (par.isNull())
        par = m_db.insertReturning(u"insert into scm_partner (par_nuser) values(?)"_s, u"par_ID"_s,
                                   {shortName});
    m_db.exec(u"insert into scm_departure (scd_sta_id, scd_par_id) values(?,?)"_s, {station, par});
    tx.commit();
    return par.toLongLong();
}

void ShipperStations::change(qint64 newStation, qint64 oldStation, qint64 parId) const
{
    m_db.exec(u"update scm_departure set scd_sta_id=? where scd_sta_id=? and scd_par_id=?"_s,
              {newStation, oldStation, parId});
}

void ShipperStations::remove(qint64 station, qint64 parId) const
{
    m_db.exec(u"delete from scm_departure where scd_sta_id=? and scd_par_id=?"_s, {station, parId});
}

} // namespace Tarvo::Catalog
