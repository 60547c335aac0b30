#include "catalog/import/tpriceoptions.h"

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Catalog {

const TColumnMapping& TPriceOptions::column(std::int32_t index) const
{
    if (index < 0 || index >= m_entry.columns.size())
        throw Exception(u"Нет колонки с номером %1 (колонок %2)"_s.arg(index).arg(m_entry.columns.size()));
    return m_entry.columns[index];
}

tarvo::HRESULT TPriceOptions::GetFileName(char* buffer, std::int32_t size, std::int32_t* needed)
{
    return call([&] { return tarvo::copyText(m_entry.sourceName.toStdString(), buffer, size, needed); });
}

tarvo::HRESULT TPriceOptions::GetColumnCount(std::int32_t* count)
{
    return call([&] {
        if (!count)
            return tarvo::E_POINTER;
        *count = std::int32_t(m_entry.columns.size());
        return tarvo::S_OK;
    });
}

tarvo::HRESULT TPriceOptions::GetColumnID(std::int32_t index, std::int32_t* columnId)
{
    return call([&] {
        if (!columnId)
            return tarvo::E_POINTER;
        *columnId = column(index).columnId;
        return tarvo::S_OK;
    });
}

tarvo::HRESULT TPriceOptions::GetColumnName(std::int32_t index, char* buffer, std::int32_t size,
                                            std::int32_t* needed)
{
    return call([&] { return tarvo::copyText(column(index).name.toStdString(), buffer, size, needed); });
}

} // namespace Tarvo::Catalog
