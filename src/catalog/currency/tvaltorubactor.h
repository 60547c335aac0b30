#pragma once

#include "catalog/currency/teditbaseactor.h"

namespace Tarvo::Data {
class Database;
}

namespace Tarvo::Catalog {

// A currency field was edited: the currency total follows, and the rouble value and total
// are converted from the document's currency at its date.
class TValToRubActor : public TEditBaseActor
{
public:
    TValToRubActor(TDataAccessor& accessor, Data::Database& db) : TEditBaseActor(accessor), m_db(db) {}

protected:
    void update() override;

private:
    Data::Database& m_db;
};

} // namespace Tarvo::Catalog
