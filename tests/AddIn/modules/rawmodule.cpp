// Modules written without the kit's helpers, for what the program must survive on its own:
// no class object at all, another kit version, a symbol the program does not have, exceptions
// thrown straight through the interface, an Init failure with and without text.
#include "tarvo/addin.h"

#include <cstring>
#include <stdexcept>

#if RAW_MODE_MISSING_SYMBOL
extern "C" int tarvo_symbol_nobody_has();
extern "C" int tarvo_test_use_missing()
{
    return tarvo_symbol_nobody_has();
}
#endif

#if !RAW_MODE_NO_CLASS
namespace {

struct Module final : tarvo::IAddIn, tarvo::IAddInErrorInfo
{
    int refs = 1;
    tarvo::HRESULT QueryInterface(const tarvo::GUID& iid, void** out) override
    {
        if (iid == tarvo::IID_IUnknown || iid == tarvo::IID_IAddIn)
            *out = static_cast<tarvo::IAddIn*>(this);
#if RAW_MODE_INIT_FAIL_TEXT
        else if (iid == tarvo::IID_IAddInErrorInfo)
            *out = static_cast<tarvo::IAddInErrorInfo*>(this);
#endif
        else {
            *out = nullptr;
            return tarvo::E_NOINTERFACE;
        }
        ++refs;
        return tarvo::S_OK;
    }
    std::uint32_t AddRef() override
    {
        return ++refs;
    }
    std::uint32_t Release() override
    {
        const int left = --refs;
        if (!left)
            delete this;
        return left;
    }
    tarvo::HRESULT Register(tarvo::IAddInInfo* info) override
    {
#if RAW_MODE_THROW
        throw std::runtime_error("сырое исключение при регистрации");
#endif
        return info->RegisterAddIn(MODULE_DESCR, 0, &tarvo::ADDIN_TYPE_RUN, nullptr, 0);
    }
    tarvo::HRESULT Init(tarvo::IUnknown*, const void*, std::int32_t, tarvo::IUnknown** inner) override
    {
        *inner = nullptr;
#if RAW_MODE_THROW
        throw std::runtime_error("сырое исключение при инициализации");
#endif
#if RAW_MODE_INIT_NULL_OK
        return tarvo::S_OK;
#endif
        return tarvo::E_FAIL;
    }
    tarvo::HRESULT Reserved() override
    {
        return tarvo::S_OK;
    }
    tarvo::HRESULT GetLastError(char* buffer, std::int32_t size) override
    {
        // Fills the whole buffer with no terminating zero: the program must stop at its size.
        std::memset(buffer, 'x', std::size_t(size));
        std::memcpy(buffer, "\xCE\xF8\xE8\xE1\xEA\xE0 ", 7); // "Ошибка " in windows-1251
        return tarvo::S_OK;
    }
};

struct Factory final : tarvo::IClassFactory
{
    tarvo::HRESULT QueryInterface(const tarvo::GUID&, void** out) override
    {
        *out = this;
        return tarvo::S_OK;
    }
    std::uint32_t AddRef() override { return 2; }
    std::uint32_t Release() override { return 1; }
    tarvo::HRESULT CreateInstance(tarvo::IUnknown*, const tarvo::GUID& iid, void** out) override
    {
        auto* m = new Module;
        const tarvo::HRESULT hr = m->QueryInterface(iid, out);
        m->Release();
        return hr;
    }
    tarvo::HRESULT LockServer(std::int32_t) override { return tarvo::S_OK; }
};

Factory factory;

} // namespace

extern "C" __attribute__((visibility("default"))) tarvo::HRESULT
DllGetClassObject(const tarvo::GUID*, const tarvo::GUID*, void** out)
{
    *out = &factory;
    return tarvo::S_OK;
}

extern "C" __attribute__((visibility("default"))) std::int32_t TarvoAddInSdkVersion()
{
    return RAW_SDK_VERSION;
}
#endif
