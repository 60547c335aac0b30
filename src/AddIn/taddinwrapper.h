#pragma once

#include "AddIn/taddincollection.h"
#include "tarvo/addinbase.h"

#include <atomic>

namespace Tarvo::AddIn {

class AddInLibrary;

// The outer object of one module instance: it answers IUnknown itself and passes every other
// interface to the module's inner object. Its library stays loaded after it goes.
class TaddInWrapper final : public tarvo::IUnknown
{
public:
    tarvo::HRESULT QueryInterface(const tarvo::GUID& iid, void** object) override;
    std::uint32_t AddRef() override;
    std::uint32_t Release() override;

    const TAddInCollectionItem& item() const { return m_item; }

    // Loads the module of the item and runs its Init; the wrapper comes with one reference for
    // the caller. Throws a Russian message naming the file and the cause.
    static tarvo::ComPtr<tarvo::IUnknown> create(const TAddInCollectionItem& item);

private:
    explicit TaddInWrapper(const TAddInCollectionItem& item) : m_item(item) {}
    ~TaddInWrapper();

    TAddInCollectionItem m_item;
    std::atomic<std::uint32_t> m_refs{1};
    tarvo::IUnknown* m_inner = nullptr;
};

// The module instance of a configured item (its wrapper).
tarvo::ComPtr<tarvo::IUnknown> CreateAddIn(const TAddInCollectionItem& item);

} // namespace Tarvo::AddIn
