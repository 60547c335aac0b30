#pragma once

#include "AddIn/taddincollection.h"
#include "tarvo/addinbase.h"

namespace Tarvo::AddIn {

// What a module's Register is given: it appends the module's offers to the collection. A module
// that keeps it and calls it after discovery gets a refusal, never freed memory.
class TAddInInfo final : public tarvo::Object<tarvo::IAddInInfo>
{
public:
    static tarvo::ComPtr<TAddInInfo> make(TAddInCollectionB& target, const QString& fileName);

    tarvo::HRESULT RegisterAddIn(const char* descr, std::int32_t reserved, const tarvo::GUID* typeId,
                                 const void* data, std::int32_t dataLen) override;
    // After the registration run: every later call is refused.
    void disconnect() { m_target = nullptr; }

private:
    TAddInInfo(TAddInCollectionB& target, const QString& fileName) : m_target(&target), m_fileName(fileName)
    {}

    TAddInCollectionB* m_target;
    QString m_fileName;
};

} // namespace Tarvo::AddIn
