#pragma once

#include <QDialog>
#include <memory>

namespace Tarvo::Data {
class Database;
class TUpdatedADODataSet;
class TUpdatedADOQuery;
} // namespace Tarvo::Data
namespace Tarvo::Widgets {
class TDataGrid;
}

namespace Tarvo::Catalog {

// "Грузоотправители": the counterparties above, the stations the current one ships from below.
class TvGrusoOtpr : public QDialog
{
    Q_OBJECT
public:
    explicit TvGrusoOtpr(Data::Database& db, QWidget* parent = nullptr);
    ~TvGrusoOtpr() override;

    Data::TUpdatedADOQuery& partners() const { return *m_partners; }
    Data::TUpdatedADODataSet& departures() const { return *m_departures; }
    Widgets::TDataGrid* partnerGrid() const { return m_partnerGrid; }
    Widgets::TDataGrid* departureGrid() const { return m_departureGrid; }

    // Adds a station to the current counterparty; 0 asks the user which.
    void addStation(qint64 station = 0);
    void changeStation(qint64 station = 0);
    void deleteStation();

private:
    // The station the user picks; 0 when cancelled.
    qint64 askStation(qint64 current);
    // Writes the new or changed row; a refusal leaves the list as it was.
    void postStation(qint64 station);

    Data::Database& m_db;
    std::unique_ptr<Data::TUpdatedADOQuery> m_stations;
    std::unique_ptr<Data::TUpdatedADOQuery> m_partners;
    std::unique_ptr<Data::TUpdatedADODataSet> m_departures;
    Widgets::TDataGrid* m_partnerGrid;
    Widgets::TDataGrid* m_departureGrid;
};

} // namespace Tarvo::Catalog
