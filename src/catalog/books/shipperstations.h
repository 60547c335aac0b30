#pragma once

#include <QString>

namespace Tarvo::Data {
class Database;
}

namespace Tarvo::Catalog {

// The departure stations of shippers (`scm_departure`). A counterparty of the warehouse gets
// its `scm_partner` row with its first station.
class ShipperStations
{
public:
    explicit ShipperStations(Data::Database& db) : m_db(db) {}

    // Returns the counterparty's par_ID.
    qint64 add(const QString& shortName, qint64 station) const;
    void change(qint64 newStation, qint64 oldStation, qint64 parId) const;
    void remove(qint64 station, qint64 parId) const;

    // The lower grid's statement (parameter "n_user": the short name).
    static const QString ListSql;

private:
    Data::Database& m_db;
};

} // namespace Tarvo::Catalog
