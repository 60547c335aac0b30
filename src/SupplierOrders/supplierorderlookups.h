#pragma once

#include "BusOffer/offereditorlookups.h"

namespace Tarvo::SupplierOrders {

// The choices of a supplier order's header: urgencies, currencies, warehouses and the
// supplier's contracts with their stages.
class SupplierOrderLookups
{
public:
    using Item = BusOffer::OfferEditorLookups::Item;

    explicit SupplierOrderLookups(Data::Database& db) : m_db(db) {}

    void reload(qint64 supplierId);

    const QList<Item>& urgencies() const { return m_urgencies; }
    const QList<Item>& currencies() const { return m_currencies; }
    // `id_sclad` of `sclad_r` by name.
    const QList<Item>& warehouses() const { return m_warehouses; }
    // The supplier's contracts by number, each followed by its stages: the key is
    // "dg_id;0" for the contract itself and "dg_id;st_id" for a stage.
    const QList<Item>& contracts() const { return m_contracts; }

    // The contracts of one supplier, as `contracts()` lists them.
    static QList<Item> readContracts(Data::Database& db, qint64 supplierId);

private:
    Data::Database& m_db;
    QList<Item> m_urgencies;
    QList<Item> m_currencies;
    QList<Item> m_warehouses;
    QList<Item> m_contracts;
};

} // namespace Tarvo::SupplierOrders
