#pragma once

#include "AddIn/hostobject.h"

namespace Tarvo::AddIn {

// One document id, given once.
class TOneUniq final : public HostObject<tarvo::IOneUniq>
{
public:
    explicit TOneUniq(std::int32_t docId) : m_docId(docId) {}

    tarvo::HRESULT GetEof(std::int32_t* value) override;
    tarvo::HRESULT Next(std::int32_t* docId) override;

private:
    std::int32_t m_docId;
    bool m_end = false;
};

} // namespace Tarvo::AddIn
