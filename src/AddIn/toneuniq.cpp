#include "AddIn/toneuniq.h"

namespace Tarvo::AddIn {

tarvo::HRESULT TOneUniq::GetEof(std::int32_t* value)
{
    return call([&]() -> tarvo::HRESULT {
        if (!value)
            return tarvo::E_POINTER;
        *value = m_end ? tarvo::VARIANT_TRUE : tarvo::VARIANT_FALSE;
        return tarvo::S_OK;
    });
}

tarvo::HRESULT TOneUniq::Next(std::int32_t* docId)
{
    return call([&]() -> tarvo::HRESULT {
        if (!docId)
            return tarvo::E_POINTER;
        if (m_end)
            throw Exception(QStringLiteral("Документов больше нет"));
        *docId = m_docId;
        m_end = true;
        return tarvo::S_OK;
    });
}

} // namespace Tarvo::AddIn
