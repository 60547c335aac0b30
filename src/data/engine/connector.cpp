#include "data/engine/connector.h"

#include "data/engine/migration.h"
#include "db/demodata.h"
#include "core/apppaths.h"

namespace Tarvo::Data {

ConnectionSettings Connector::settingsFrom(const QStringList& arguments)
{
    return ConnectionSettings::fromIni(AppPaths::workstationIni(), arguments);
}

std::unique_ptr<Database> Connector::connect(const ConnectionSettings& settings, bool migrate)
{
    auto db = std::make_unique<Database>(settings);
    db->open();
    if (migrate) {
        const int applied = Migrator::apply(*db);
        // A first start without settings shows the demo company instead of an empty program; only
        // the client that created the schema fills it, when two start at once.
        if (applied == schemaMigrations().size() && db->createdNew() && settings.isEmbeddedDefault())
            DemoData::fill(*db);
    } else
        Migrator::checkNotNewer(*db);
    return db;
}

std::unique_ptr<Database> Connector::connectReadOnly(const ConnectionSettings& settings)
{
    auto db = std::make_unique<Database>(settings);
    db->open(true);
    Migrator::checkNotNewer(*db);
    return db;
}

} // namespace Tarvo::Data
