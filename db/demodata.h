#pragma once

#include <QDate>

namespace Tarvo::Data {

class Database;

// The demo company: a small Russian trading firm with its catalog, partners,
// reference books and a few documents at every stage of the supply chain.
// The same rows every time (fixed dates, fixed pseudo-random sequence).
class DemoData
{
public:
    // The day the demo documents are dated around.
    static QDate anchorDate() { return QDate(2026, 11, 2); }
    // True when the database already holds requests, orders, waybills or payments.
    static bool hasDocuments(Database& db);
    // Fills a migrated, document-free database in one transaction; refuses otherwise.
    static void fill(Database& db);
};

} // namespace Tarvo::Data
