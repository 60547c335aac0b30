#include "BusOffer/offerlist.h"

#include "core/exception.h"
#include "data/engine/database.h"

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::BusOffer {

namespace {
const QString Accepted = u"bof_accepted"_s;
const QString Marked = u"bof_otmetka"_s;
} // namespace

OfferList::OfferList(Data::Database& db) : KeyRangeList(db, u"bof_id"_s)
{
    onInternalPost = [this](TUpdatedADODataSet& ds) {
        if (ds.state() != Data::RowSetState::Edit)
            throw Exception(u"Новая заявка создается в окне заявки"_s);
        writeChangedFlags(u"scm_business_offer"_s, {Accepted, Marked}, u"Заявка %1 удалена другим пользователем"_s);
    };
    onInternalDelete = [](TUpdatedADODataSet&) {
        throw Exception(u"Заявка удаляется командой \"Удалить\""_s);
    };
}

Data::TQueryNodesPtr OfferList::listStatement(const OfferKeyRange& range) const
{
    return OfferListStatement::build(database()->dialect(), filters(), range);
}

Data::TQueryNodesPtr OfferList::batchEndStatement(const QVariant& after, int requests) const
{
    return OfferListStatement::buildBatchEnd(filters(), after, requests);
}

Data::TQueryNodesPtr OfferList::countStatement() const
{
    return OfferListStatement::buildCount(filters());
}

void OfferList::prepareFields()
{
    showAsFlag(Accepted, u"Да;Нет"_s);
    showAsFlag(Marked, u"Отмечен;"_s);
}

void OfferList::toggleAccepted()
{
    toggle(Accepted);
}

void OfferList::toggleMarked()
{
    toggle(Marked);
}

} // namespace Tarvo::BusOffer
