#include "BusOffer/offerlistcommands.h"

#include "BusOffer/offerdeleteprocedure.h"
#include "data/engine/database.h"
#include "data/engine/databaseerror.h"
#include "data/engine/procedureregistry.h"
#include "security/rights.h"

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::BusOffer::OfferListCommands {

QString deliveredRefusal()
{
    return u"Товар доставлен. Существуют приходные накладные\r\nУдаление заявки невозможно"_s;
}

void deleteOffer(Data::Database& db, qint64 offerId)
{
    Security::RequireRight(Security::Right::DeleteBusinessOffer);
    OfferDeleteProcedure::registerOnce();
    try {
        Data::Transaction t(db);
        Data::ProcedureRegistry::instance().call(db, OfferDeleteProcedure::Name, {{u"bof_id"_s, offerId}});
        t.commit();
    } catch (const Data::DatabaseError& e) {
        for (const Data::ProviderError& p : e.errors())
            if (p.nativeError == Data::NativeError::Reference)
                throw Exception(deliveredRefusal());
        throw;
    }
}

} // namespace Tarvo::BusOffer::OfferListCommands
