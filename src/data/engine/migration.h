#pragma once

#include "data/engine/schema.h"

#include <QList>
#include <QString>
#include <functional>

namespace Tarvo::Data {

class Database;

// What a migration step can do; statements are written once, DDL comes from the dialect.
class MigrationContext
{
public:
    explicit MigrationContext(Database& db) : m_db(db) {}
    Database& db() { return m_db; }
    void createTable(const Table& table);
    void addColumn(const QString& table, const Column& column);
    void createIndex(const QString& table, const Index& index);
    void addForeignKey(const QString& table, const ForeignKey& fk);
    void exec(const QString& sql);

private:
    Database& m_db;
};

struct Migration
{
    int version;
    QString title;
    std::function<void(MigrationContext&)> apply;
};

// Every migration of the schema, in version order (db/).
const QList<Migration>& schemaMigrations();

// Brings a database to the program's schema level, one transaction per step.
class Migrator
{
public:
    static int latestVersion();
    // 0 for a database without the version table.
    static int currentVersion(Database& db);
    // Refuses (with a clear message) a database newer than this program, touching nothing.
    static void checkNotNewer(Database& db);
    // Applies what is missing, one client at a time; returns the number of steps applied.
    static int apply(Database& db);
};

} // namespace Tarvo::Data
