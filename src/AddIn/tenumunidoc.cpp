#include "AddIn/tenumunidoc.h"

namespace Tarvo::AddIn {

void TEnumUniDoc::add(const QString& name, tarvo::IUnknown* object)
{
    m_items.append({name, tarvo::ComPtr<tarvo::IUnknown>(object)});
}

void TEnumUniDoc::checkIndex(std::int32_t index) const
{
    if (index < 0 || index >= m_items.size())
        throw Exception(QStringLiteral("Нет объекта с номером %1 (их %2)").arg(index).arg(m_items.size()));
}

tarvo::HRESULT TEnumUniDoc::GetCount(std::int32_t* count)
{
    return call([&]() -> tarvo::HRESULT {
        if (!count)
            return tarvo::E_POINTER;
        *count = std::int32_t(m_items.size());
        return tarvo::S_OK;
    });
}

tarvo::HRESULT TEnumUniDoc::GetName(std::int32_t index, char* buffer, std::int32_t size, std::int32_t* needed)
{
    return call([&]() -> tarvo::HRESULT {
        checkIndex(index);
        return tarvo::copyText(m_items[index].first.toStdString(), buffer, size, needed);
    });
}

tarvo::HRESULT TEnumUniDoc::GetItem(std::int32_t index, tarvo::IUnknown** item)
{
    return call([&]() -> tarvo::HRESULT {
        if (!item)
            return tarvo::E_POINTER;
        *item = nullptr;
        checkIndex(index);
        tarvo::IUnknown* object = m_items[index].second.get();
        object->AddRef();
        *item = object;
        return tarvo::S_OK;
    });
}

} // namespace Tarvo::AddIn
