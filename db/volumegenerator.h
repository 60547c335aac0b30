#pragma once

#include <QString>
#include <functional>

namespace Tarvo::Data {

class Database;

// Fills an empty database with volume data for measurements. At scale 1: 200k
// products, 1M supplier offers each with a supplier's price, 100k buyer requests with 1M lines, 20k supplier
// orders with 50 lines each and their stages (ordered, confirmed with proforma
// and payment, shipped, received; contracts with stages of their suppliers, urgency on a third, marks),
// and one order of 2000 lines for five requests. Keys are assigned here, so every row goes
// through the bulk path; the key generators are moved past them at the end.
class VolumeGenerator
{
public:
    VolumeGenerator(Database& db, double scale);
    void setProgress(std::function<void(const QString& table, qint64 rows)> progress) { m_progress = std::move(progress); }
    // Runs in one transaction, then gathers the planner's statistics; returns the number of rows written.
    qint64 run();
    // Adds a supplier with a price list of N products of its own (VolumePriceSupplier), no offers.
    void setPriceSupplier(qint64 products) { m_priceSupplier = products; }

    qint64 products() const { return m_products; }
    // The regular requests and orders; the big order (bigOrder()) and its five requests come after them.
    qint64 requests() const { return m_requests; }
    qint64 orders() const { return m_orders; }
    // One waiting order of 2000 lines, each for five requests, the first 1000 lines confirmed.
    qint64 bigOrder() const { return m_orders + 1; }
    static int bigOrderLines();

private:
    Database& m_db;
    qint64 m_products;
    qint64 m_orders;
    qint64 m_requests;
    qint64 m_priceSupplier = 0;
    std::function<void(const QString&, qint64)> m_progress;
};

} // namespace Tarvo::Data
