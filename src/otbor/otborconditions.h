#pragma once

#include "data/modules/tquerynodes.h"
#include "otbor/tmanagerotbor.h"

namespace Tarvo::Otbor {

class TVarList;
class TVarDate;
class TPartnerOtbor;
class TUrgencyOtbor;

// Turns filter variables into condition groups of a statement of the command builder.
// A builder finds its table node by alias, else by table name; an inactive variable or a
// missing node adds nothing (except the manager restriction, which never fails open).
// Every value travels as a parameter.
class OtborConditions
{
public:
    // The aliases a register gives its `scm_partner` node per counterparty role, so that
    // a customer and a supplier filter never land on the same node.
    static const QString CustomerAlias;
    static const QString SupplierAlias;
    static const QString TransporterAlias;

    static Data::TTableNodePtr findTable(const Data::TQueryNodes& statement, const QString& name);

    // Type 0: from the start day's 00:00 to before the day after the end day; 1: before the start
    // day; 2: from the day after the end day on.
    static void addDate(Data::TQueryNodes& statement, const TVarDate& var, const QString& nodeName,
                        const QString& column);
    static void addOfferDate(Data::TQueryNodes& statement, const TVarDate& var);
    static void addOrderDate(Data::TQueryNodes& statement, const TVarDate& var);
    static void addWayBillDate(Data::TQueryNodes& statement, const TVarDate& var);
    // `par_nuser` = code, or like "%code%" with the code's own "%" and "_" matched as typed.
    static void addPartner(Data::TQueryNodes& statement, const TPartnerOtbor& var,
                           const QString& nodeName = QStringLiteral("scm_partner"));
    static void addUrgency(Data::TQueryNodes& statement, const TUrgencyOtbor& var);

    // How the manager restriction applies for a user with these rights (100001: sees other
    // managers' documents, 100014: may choose).
    struct ManagerRule
    {
        bool applies = true;
        TManagerOtbor::AllowedRows rows = TManagerOtbor::OwnRows;
        bool userChooses = false;
    };
    static ManagerRule managerRule(const TManagerOtbor* var, bool seesOthers, bool mayChoose);
    // With the current user's rights.
    static ManagerRule managerRule(const TManagerOtbor* var);
    // Restricts to the user's own rows or department on the "crm_users" node. When the
    // statement has none, it is joined on `userColumn` of the main table; without one the
    // statement is refused (Tarvo::Exception).
    static void addManager(Data::TQueryNodes& statement, const TManagerOtbor* var,
                           const QString& userColumn = {});

    // The conditions of the register's own list (see RegisterOtbors): document dates,
    // counterparties by role, urgency and, when the list holds it, the manager restriction.
    static void addCommon(Data::TQueryNodes& statement, const TVarList& registerList,
                          const QString& userColumn = {});
};

} // namespace Tarvo::Otbor
