#include "catalog/currency/teditbaseactor.h"

namespace Tarvo::Catalog {

void TEditBaseActor::changed()
{
    if (m_busy)
        return;
    struct Guard
    {
        bool& flag;
        ~Guard() { flag = false; }
    } guard{m_busy};
    m_busy = true;
    update();
}

} // namespace Tarvo::Catalog
