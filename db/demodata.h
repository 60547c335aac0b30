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
    // True when nothing of a company is there yet: no documents, products, currencies,
    // counterparties or users.
    static bool isEmpty(Database& db);
    // Fills a migrated, empty database in one transaction; refuses ("База данных не пуста")
    // otherwise, also when another filler got there first.
    static void fill(Database& db);
    // As fill(), but returns false instead of refusing.
    static bool fillIfEmpty(Database& db);
};

} // namespace Tarvo::Data
