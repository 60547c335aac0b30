#pragma once

#include <QString>

namespace Tarvo::Data {
class ConnectionError;
struct ConnectionSettings;
} // namespace Tarvo::Data

namespace Tarvo::Shell {

// The text shown when the connection cannot be opened: one Russian sentence
// with the cause and what to check; then, where the engine gave a code, the
// error code and, for each error the connection reports, the native number
// and description; without a code, the engine's own text once.
class ConnectionFailure
{
public:
    static QString message(const Data::ConnectionError& error, const QString& advice = {});
    // What to check for these settings, naming the settings file.
    static QString advice(const Data::ConnectionSettings& settings, const QString& settingsFile);
    // SQLite result codes are numbers and appear in hexadecimal; PostgreSQL's
    // SQLSTATE is five characters and appears as written. Empty when there is none.
    static QString codeText(const QString& engineCode);
};

} // namespace Tarvo::Shell
