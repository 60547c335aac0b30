#include "catalog/currency/trubtovalactor.h"

#include "catalog/currency/currencyrates.h"

namespace Tarvo::Catalog {

void TRubToValActor::update()
{
    TDataAccessor& a = accessor();
    const Money rub = a.rubValue();
    const Money rubTotal = rub * a.factor();
    a.setRubTotal(rubTotal);
    CurrencyRates rates(m_db);
    const int64_t q = rates.quotation(a.currencyCode(), a.date());
    a.setValValue(CurrencyRates::convert(rub, CurrencyRates::QuotationScale, q));
    a.setValTotal(CurrencyRates::convert(rubTotal, CurrencyRates::QuotationScale, q));
}

} // namespace Tarvo::Catalog
