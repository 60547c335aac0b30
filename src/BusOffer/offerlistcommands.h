#pragma once

#include <QString>

namespace Tarvo::Data {
class Database;
}

namespace Tarvo::BusOffer {

// The register's commands that change a request beyond its flags.
namespace OfferListCommands {
// The refusal shown when goods of the request were received into the warehouse.
QString deliveredRefusal();
// Deletes the request with everything distributed from it (the procedure
// scm_delete_business_offer) in one transaction. Needs right 100005 (ESecurityException);
// a request whose goods were received is refused with deliveredRefusal() and nothing changes.
void deleteOffer(Data::Database& db, qint64 offerId);
} // namespace OfferListCommands

} // namespace Tarvo::BusOffer
