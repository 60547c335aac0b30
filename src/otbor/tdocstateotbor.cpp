#include "otbor/tdocstateotbor.h"

namespace Tarvo::Otbor {

QString TDocStateOtbor::description() const
{
    switch (docState()) {
    case InProgress:
        return QStringLiteral("В работе");
    case DoneByRegister:
        return QStringLiteral("Выполнено по реестру");
    case Done:
        break;
    }
    return QStringLiteral("Выполнено");
}

} // namespace Tarvo::Otbor
