#pragma once

#include <QString>

namespace Tarvo::Data {
struct ConnectionSettings;
}

namespace Tarvo::Shell {

// Checked before the embedded database opens: SQLite opens a file it cannot
// write without a word and fails only at the first save, and reports a folder
// it cannot create as "unable to open database file".
class StorageCheck
{
public:
    // Throws Tarvo::Exception with the cause and what to check when the database's
    // folder cannot be created or written, or the file is read-only. Nothing for PostgreSQL.
    static void requireWritableDatabase(const Data::ConnectionSettings& settings);
};

} // namespace Tarvo::Shell
