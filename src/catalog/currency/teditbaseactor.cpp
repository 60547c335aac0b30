#include "catalog/currency/teditbaseactor.h"

namespace Tarvo::Catalog {

void TEditBaseActor::changed()
{
    if (m_accessor.busy())
        return;
    struct Guard
    {
        TDataAccessor& accessor;
        ~Guard() { accessor.setBusy(false); }
    } guard{m_accessor};
    m_accessor.setBusy(true);
    update();
}

} // namespace Tarvo::Catalog
