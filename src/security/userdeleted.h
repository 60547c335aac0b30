#pragma once

#include "core/exception.h"

namespace Tarvo::Data {
class Database;
}

namespace Tarvo::Security {

// A write for a user that another administrator deleted after the window read the list.
class EUserDeleted : public Tarvo::Exception
{
public:
    EUserDeleted();

    // Inside a transaction: locks the user's row until the commit (another administrator's save or
    // deletion of the same user waits), or throws EUserDeleted when the row is gone.
    static void lockUser(Data::Database& db, int userId);
};

} // namespace Tarvo::Security
