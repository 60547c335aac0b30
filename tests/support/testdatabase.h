#pragma once

#include "data/engine/database.h"

#include <QTemporaryDir>
#include <memory>

namespace Tarvo::Test {

// A fresh, empty database on the engine the test run names (TARVO_TEST_ENGINE:
// "sqlite" or "postgresql"); PostgreSQL tests use the private server that the
// test script starts (TARVO_TEST_PG_HOST/PORT/USER). Dropped when destroyed.
class TestDatabase
{
public:
    TestDatabase();
    ~TestDatabase();

    static Data::Engine engine();
    static QString engineName();
    // Settings of the new database (for reconnecting or for the admin tool).
    const Data::ConnectionSettings& settings() const { return m_settings; }
    // An open connection; `migrate` brings the schema up to date first.
    Data::Database& db(bool migrate = true);
    // A second independent connection to the same database.
    std::unique_ptr<Data::Database> connectAgain() const;
    // The NAME=VALUE arguments that point the programs at this database.
    QStringList overrides() const;
    QString tempPath() const { return m_dir.path(); }

private:
    QTemporaryDir m_dir;
    Data::ConnectionSettings m_settings;
    QString m_pgName;
    std::unique_ptr<Data::Database> m_db;
};

} // namespace Tarvo::Test
