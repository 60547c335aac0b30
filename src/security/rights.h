#pragma once

#include "core/exception.h"

namespace Tarvo::Security {

// The program's own rights (the catalog in rightscatalog.h).
namespace Right {
constexpr int OtherUsersRecords = 100000;
constexpr int ViewOthersOffers = 100001;
constexpr int Security = 100002;
constexpr int Users = 100003;
constexpr int DeleteDocuments = 100004;
constexpr int DeleteBusinessOffer = 100005;
constexpr int DeleteSupplierOrder = 100006;
constexpr int DeleteAcceptedOrder = 100007;
constexpr int DeleteWayBill = 100008;
constexpr int Approval = 100009;
constexpr int ApproveBusinessOffer = 100010;
constexpr int ApproveSupplierOrder = 100011;
constexpr int Login = 100012;
constexpr int AdminEditing = 100013;
constexpr int ViewOtherDepartments = 100014;
} // namespace Right

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
// Why a command is refused, naming the right it needs: "<refused>: у Вас нет права «<name>» (<id>).".
QString MissingRightText(int rightId, const QString& refused);

} // namespace Tarvo::Security
