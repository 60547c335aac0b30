#pragma once

#include <QString>

namespace Tarvo::Data {
class Database;
}

namespace Tarvo::Catalog {

class PriceImportPrompts;
class PriceImportSession;
struct TFPPrice;

// Runs one configured import: the module reads the file row by row through the row importer,
// then the user is asked whether to save what was prepared.
class PriceImportRun
{
public:
    PriceImportRun(Data::Database& db, PriceImportPrompts& prompts, quint64 window = 0)
        : m_db(db), m_prompts(prompts), m_window(window)
    {
    }

    struct Outcome
    {
        bool saved = false;
        qint64 rows = 0;     // rows the module reported
        qint64 prepared = 0; // matched rows
        qint64 deferred = 0;
        QString failure; // what ended the reading early
    };
    Outcome run(const TFPPrice& entry);

    // Refuses, before any module is opened, an entry that cannot run.
    static void check(Data::Database& db, const TFPPrice& entry);

    static const QString SavedText;

private:
    bool commit(PriceImportSession& session, const QString& failure);

    Data::Database& m_db;
    PriceImportPrompts& m_prompts;
    quint64 m_window;
};

} // namespace Tarvo::Catalog
