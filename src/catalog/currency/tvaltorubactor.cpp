#include "catalog/currency/tvaltorubactor.h"

#include "catalog/currency/currencyrates.h"

namespace Tarvo::Catalog {

void TValToRubActor::update()
{
    TDataAccessor& a = accessor();
    const Money val = a.valValue();
    const Money valTotal = val * a.factor();
    a.setValTotal(valTotal);
    CurrencyRates rates(m_db);
    const double ratio = rates.ratio(a.currencyCode(), QString(), a.date());
    a.setRubValue(CurrencyRates::applyRatio(val, ratio));
    a.setRubTotal(CurrencyRates::applyRatio(valTotal, ratio));
}

} // namespace Tarvo::Catalog
