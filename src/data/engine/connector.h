#pragma once

#include "data/engine/database.h"

#include <QStringList>
#include <memory>

namespace Tarvo::Data {

// The one road from settings to a ready connection, shared by the client and the admin tool.
class Connector
{
public:
    // Reads "tarvo.ini" (with NAME=VALUE overrides from `arguments`).
    static ConnectionSettings settingsFrom(const QStringList& arguments);
    // Opens and brings the schema up to date. A newer schema is refused untouched.
    static std::unique_ptr<Database> connect(const ConnectionSettings& settings, bool migrate = true);
    // Opens an existing database for reading only: creates no file, changes nothing.
    static std::unique_ptr<Database> connectReadOnly(const ConnectionSettings& settings);
};

} // namespace Tarvo::Data
