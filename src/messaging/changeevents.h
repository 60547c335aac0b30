#pragma once

#include <QUuid>

namespace Tarvo::Messaging {

// Kinds of documents whose change is announced to the open lists.
namespace ChangeEvents {
inline const QUuid BusinessOffers{QStringLiteral("{B1F8DC94-0D37-415A-A093-9852DB691BC6}")};
inline const QUuid SupplierOrders{QStringLiteral("{F376D526-0C69-48A1-A5B3-E2A07AF63439}")};
inline const QUuid AcceptedOrders{QStringLiteral("{918AAC42-81D4-49B7-B58C-CAC9C6B97F3D}")};
inline const QUuid Waybills{QStringLiteral("{5614D0B7-1954-44A9-AF0C-06F9174E2386}")};
} // namespace ChangeEvents

} // namespace Tarvo::Messaging
