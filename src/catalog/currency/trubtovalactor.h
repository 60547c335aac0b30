#pragma once

#include "catalog/currency/teditbaseactor.h"

namespace Tarvo::Data {
class Database;
}

namespace Tarvo::Catalog {

// A rouble field was edited: the rouble total follows, and the currency value and total
// are converted from roubles at the document's date.
class TRubToValActor : public TEditBaseActor
{
public:
    TRubToValActor(TDataAccessor& accessor, Data::Database& db) : TEditBaseActor(accessor), m_db(db) {}

protected:
    void update() override;

private:
    Data::Database& m_db;
};

} // namespace Tarvo::Catalog
