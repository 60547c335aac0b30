#pragma once

#include "otbor/tvarlist.h"

namespace Tarvo::Otbor {

class TVarDate;
class TPartnerOtbor;
class TUrgencyOtbor;
class TDocStateOtbor;
class TMarkedOtbor;
class TManagerOtbor;

// The variables of the global list, numbered in list order.
enum class OtborVar
{
    OfferDate = 1,
    OrderDate,
    Customer,
    Supplier,
    Transporter,
    WayBillDate,
    Urgency,
    OfferState,
    OfferMark,
    OrderMark,
    OrderState,
    AcceptedOrderState,
    WayBillState,
    RouteState,
    RouteDate,
    PlanDate,
    PaymentDate,
    Manager
};
constexpr int OtborVarCount = 18;

// The process-wide filter list that the registers read and the filter editor edits.
class TGlobalOtbors : public TVarList
{
public:
    // The 18 variables with their defaults (nothing is read).
    TGlobalOtbors();

    // Created on first use and loaded from the user's "otbor.xml"; freed at program end.
    static TGlobalOtbors& instance();
    static bool exists();
    static void release();
    // The user's "otbor.xml".
    static QString filePath();

    static QUuid guidOf(OtborVar var);
    // The editor's group caption.
    static QString groupCaption(OtborVar var);

    TVar* var(OtborVar v) const { return find(guidOf(v)); }
    TVarDate* date(OtborVar v) const;
    TPartnerOtbor* partner(OtborVar v) const;
    TUrgencyOtbor* urgency() const;
    TDocStateOtbor* docState(OtborVar v) const;
    TMarkedOtbor* mark(OtborVar v) const;
    TManagerOtbor* manager() const;

    // Every variable off (in one update).
    void switchAllOff();
};

} // namespace Tarvo::Otbor
