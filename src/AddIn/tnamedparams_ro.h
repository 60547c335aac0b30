#pragma once

#include "AddIn/hostobject.h"

#include <memory>

namespace Tarvo::Data {
class TSCMNamedParams_RO;
}

namespace Tarvo::AddIn {

// Program parameters for a module, read through the program's named parameters (their cache:
// a name read once is not read again). Modules cannot change them.
class TNamedParams_RO final : public HostObject<tarvo::INamedParams>
{
public:
    explicit TNamedParams_RO(std::shared_ptr<const Data::TSCMNamedParams_RO> params)
        : m_params(std::move(params))
    {}

    tarvo::HRESULT GetValue(const char* name, char* buffer, std::int32_t size, std::int32_t* needed) override;
    tarvo::HRESULT SetValue(const char* name, const char* value) override;

private:
    void disconnected() override { m_params.reset(); }

    std::shared_ptr<const Data::TSCMNamedParams_RO> m_params;
};

} // namespace Tarvo::AddIn
