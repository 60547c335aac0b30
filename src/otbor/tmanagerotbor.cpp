#include "otbor/tmanagerotbor.h"

#include "otbor/otborlookup.h"

namespace Tarvo::Otbor {

QString TManagerOtbor::description() const
{
    if (allowedRows() == OwnRows)
        return QStringLiteral("Менеджер = \"%1\"").arg(Lookup::currentUserName());
    return QStringLiteral("Отдел = \"%1\"").arg(Lookup::currentUserDepartment());
}

} // namespace Tarvo::Otbor
