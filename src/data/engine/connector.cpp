#include "data/engine/connector.h"

#include "data/engine/migration.h"
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
    if (migrate)
        Migrator::apply(*db);
    else
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
