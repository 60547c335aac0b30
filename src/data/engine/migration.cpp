#include "data/engine/migration.h"

#include "data/engine/database.h"
#include "data/engine/query.h"

#include <QScopeGuard>
#include <optional>

namespace Tarvo::Data {

void MigrationContext::createTable(const Table& table)
{
    for (const QString& sql : m_db.dialect().createTable(table))
        m_db.exec(sql);
}

void MigrationContext::addColumn(const QString& table, const Column& column)
{
    for (const QString& sql : m_db.dialect().addColumn(table, column))
        m_db.exec(sql);
}

void MigrationContext::createIndex(const QString& table, const Index& index)
{
    m_db.exec(m_db.dialect().createIndex(table, index));
}

void MigrationContext::addForeignKey(const QString& table, const ForeignKey& fk)
{
    for (const QString& sql : m_db.dialect().addForeignKey(table, fk))
        m_db.exec(sql);
}

void MigrationContext::exec(const QString& sql)
{
    m_db.exec(sql);
}

int Migrator::latestVersion()
{
    const auto& all = schemaMigrations();
    return all.isEmpty() ? 0 : all.last().version;
}

int Migrator::currentVersion(Database& db)
{
    if (!db.objectExists(QStringLiteral("scm_schema_version")))
        return 0;
    return db.scalar(QStringLiteral("select coalesce(max(version), 0) from scm_schema_version")).toInt();
}

void Migrator::checkNotNewer(Database& db)
{
    const int current = currentVersion(db);
    if (current > latestVersion())
        throw Exception(QStringLiteral("База данных %1 имеет схему версии %2, а эта программа знает только версии до %3. "
                                       "Установите более новую версию программы.")
                            .arg(db.settings().describe())
                            .arg(current)
                            .arg(latestVersion()));
}

int Migrator::apply(Database& db)
{
    checkNotNewer(db);
    if (currentVersion(db) == latestVersion())
        return 0;
    // Two clients starting at once on an outdated database: the second waits for the first
    // (an advisory lock on PostgreSQL, one immediate transaction for all steps on SQLite), then
    // reads the version again and finds nothing left to do.
    const QString lock = db.dialect().lockSchema();
    std::optional<Transaction> whole;
    if (lock.isEmpty())
        whole.emplace(db);
    else
        db.exec(lock);
    const auto unlock = qScopeGuard([&] {
        if (!lock.isEmpty() && !db.inTransaction()) {
            try {
                db.exec(db.dialect().unlockSchema());
            } catch (...) {
                // the lock ends with the session anyway
            }
        }
    });
    checkNotNewer(db);
    auto step = [&](const std::function<void()>& work) {
        if (whole) {
            work();
            return;
        }
        Transaction t(db);
        work();
        t.commit();
    };
    if (!db.objectExists(QStringLiteral("scm_schema_version"))) {
        step([&] {
            MigrationContext ctx(db);
            ctx.createTable(Table(QStringLiteral("scm_schema_version"))
                                .integer(QStringLiteral("version"))
                                .notNull()
                                .string(QStringLiteral("title"), 200)
                                .dateTime(QStringLiteral("applied_at"))
                                .primaryKey(QStringLiteral("PK_scm_schema_version"), {QStringLiteral("version")}));
        });
    }
    const int current = currentVersion(db);
    int applied = 0;
    for (const Migration& m : schemaMigrations()) {
        if (m.version <= current)
            continue;
        step([&] {
            MigrationContext ctx(db);
            m.apply(ctx);
            Query q(db, QStringLiteral("insert into scm_schema_version (version, title, applied_at) values (?, ?, ?)"));
            q.bindAll({m.version, m.title, QDateTime::currentDateTime()});
            q.exec();
        });
        ++applied;
    }
    if (whole)
        whole->commit();
    if (applied)
        db.reloadCatalog();
    return applied;
}

} // namespace Tarvo::Data
