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
    const int64_t q = rates.quotation(a.currencyCode(), a.date());
    a.setRubValue(CurrencyRates::convert(val, q, CurrencyRates::QuotationScale));
    a.setRubTotal(CurrencyRates::convert(valTotal, q, CurrencyRates::QuotationScale));
}

} // namespace Tarvo::Catalog
