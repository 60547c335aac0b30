#pragma once

#include "core/exception.h"

namespace Tarvo::Security {

// A refused operation: the current user lacks the right it needs.
class ESecurityException : public Tarvo::Exception
{
public:
    ESecurityException();
};

// Rights are asked of the server each time, so grants and revocations reach every running
// workstation at the next check. Server errors pass on.
bool HasRight(int rightId, int userId);
// For the logged-in user.
bool HasRight(int rightId);
// Throws ESecurityException ("У Вас нет доступа к выбранной операции") when the current user lacks it.
void RequireRight(int rightId);

} // namespace Tarvo::Security
