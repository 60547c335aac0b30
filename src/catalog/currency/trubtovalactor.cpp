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
    const double ratio = rates.ratio(QString(), a.currencyCode(), a.date());
    a.setValValue(CurrencyRates::applyRatio(rub, ratio));
    a.setValTotal(CurrencyRates::applyRatio(rubTotal, ratio));
}

} // namespace Tarvo::Catalog
