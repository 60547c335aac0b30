#pragma once

#include "AddIn/hostobject.h"
#include "catalog/import/thostcomponent.h"
#include "tarvo/priceimport.h"

namespace Tarvo::Catalog {

// The configured import as the module reads it: the file and the column mapping.
class TPriceOptions final : public AddIn::HostObject<tarvo::IPriceOptions>
{
public:
    explicit TPriceOptions(const TFPPrice& entry) : m_entry(entry) {}

    tarvo::HRESULT GetFileName(char* buffer, std::int32_t size, std::int32_t* needed) override;
    tarvo::HRESULT GetColumnCount(std::int32_t* count) override;
    tarvo::HRESULT GetColumnID(std::int32_t index, std::int32_t* columnId) override;
    tarvo::HRESULT GetColumnName(std::int32_t index, char* buffer, std::int32_t size,
                                 std::int32_t* needed) override;

private:
    const TColumnMapping& column(std::int32_t index) const;
    TFPPrice m_entry;
};

} // namespace Tarvo::Catalog
