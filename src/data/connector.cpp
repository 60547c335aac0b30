#include "data/connector.h"

#include "data/migration.h"
#include "shell/apppaths.h"

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

} // namespace Tarvo::Data
