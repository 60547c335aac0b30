#include "SupplierOrders/supplierorderlookups.h"

#include "data/engine/query.h"

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::SupplierOrders {

void SupplierOrderLookups::reload(qint64 supplierId)
{
    m_urgencies = BusOffer::OfferEditorLookups::readUrgencies(m_db);
    m_currencies = BusOffer::OfferEditorLookups::readCurrencies(m_db);
    m_warehouses.clear();
    Data::Query w(m_db, u"select id_sclad, name_sclad from sclad_r order by name_sclad, id_sclad"_s);
    w.exec();
    while (w.next())
        m_warehouses.append({w.integer(0), w.string(1), {}});
    m_contracts = readContracts(m_db, supplierId);
}

QList<SupplierOrderLookups::Item> SupplierOrderLookups::readContracts(Data::Database& db, qint64 supplierId)
{
    // The contract's own row sorts before its stages (an empty stage number).
    Data::Query q(db,
                  u"select cast(dg_id as varchar) || ';0', dg_id, dg_number, coalesce(dg_dopnumber, ''), '' "
                  "from crm_dogovors where dg_par_id = ? "
                  "union all "
                  "select cast(dg_id as varchar) || ';' || cast(st_id as varchar), dg_id, dg_number, "
                  "coalesce(dg_dopnumber, ''), st_number "
                  "from crm_dogovors join crm_stage on st_dg_id = dg_id where dg_par_id = ? "
                  "order by 3, 2, 5"_s);
    q.bindAll({supplierId, supplierId});
    q.exec();
    QList<Item> items;
    while (q.next()) {
        QString text = q.string(2);
        if (!q.string(3).isEmpty())
            text += u" / "_s + q.string(3);
        if (!q.string(4).isEmpty())
            text += u", этап "_s + q.string(4);
        items.append({q.string(0), text, {}});
    }
    return items;
}

} // namespace Tarvo::SupplierOrders
