#pragma once

#include <QString>

namespace Tarvo::Data {
class ConnectionError;
}

namespace Tarvo::Shell {

// The text shown when the connection cannot be opened: the engine's message,
// its error code and, for each error the connection reports, the native
// number and description.
class ConnectionFailure
{
public:
    static QString message(const Data::ConnectionError& error);
    // SQLite result codes are numbers and appear in hexadecimal; PostgreSQL's
    // SQLSTATE is five characters and appears as written.
    static QString codeText(const QString& engineCode);
};

} // namespace Tarvo::Shell
