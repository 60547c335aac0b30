// Helpers for writing Tarvo SCM extension modules: reference counting, aggregation, the text of
// the last failure and a guard that keeps C++ exceptions inside the module.
#pragma once

#include "tarvo/addin.h"

#include <atomic>
#include <exception>
#include <new>
#include <string>
#include <type_traits>
#include <utility>

namespace tarvo {

// Copies `text` into a buffer of `size` bytes: always terminated, never cut inside a UTF-8
// sequence; `needed` (when given) receives the size the whole text needs.
inline HRESULT copyText(const std::string& text, char* buffer, std::int32_t size, std::int32_t* needed)
{
    const std::int32_t whole = std::int32_t(text.size()) + 1;
    if (needed)
        *needed = whole;
    if (!buffer || size <= 0)
        return buffer || needed ? E_NOT_SUFFICIENT_BUFFER : E_POINTER;
    if (whole <= size) {
        std::memcpy(buffer, text.data(), text.size());
        buffer[text.size()] = 0;
        return S_OK;
    }
    std::size_t n = std::size_t(size - 1);
    // Back up over continuation bytes so that the cut falls between characters.
    while (n > 0 && (static_cast<unsigned char>(text[n]) & 0xC0) == 0x80)
        --n;
    std::memcpy(buffer, text.data(), n);
    buffer[n] = 0;
    return E_NOT_SUFFICIENT_BUFFER;
}

// Reads a text through a (buffer, size, needed) method whatever its length.
template <typename F> HRESULT readText(F&& read, std::string& out)
{
    char small[256];
    std::int32_t needed = 0;
    HRESULT hr = read(small, std::int32_t(sizeof small), &needed);
    if (hr == E_NOT_SUFFICIENT_BUFFER && needed > 0) {
        std::string big(std::size_t(needed), '\0');
        hr = read(big.data(), needed, &needed);
        if (succeeded(hr))
            out.assign(big.c_str());
        return hr;
    }
    if (succeeded(hr))
        out.assign(small);
    return hr;
}

// An owning interface pointer.
template <typename T> class ComPtr
{
public:
    ComPtr() = default;
    ComPtr(T* p) : m_p(p)
    {
        if (m_p)
            m_p->AddRef();
    }
    ComPtr(const ComPtr& o) : ComPtr(o.m_p) {}
    ComPtr(ComPtr&& o) noexcept : m_p(std::exchange(o.m_p, nullptr)) {}
    ~ComPtr() { reset(); }
    ComPtr& operator=(ComPtr o) noexcept
    {
        std::swap(m_p, o.m_p);
        return *this;
    }
    static ComPtr adopt(T* p)
    {
        ComPtr c;
        c.m_p = p;
        return c;
    }
    void reset()
    {
        if (T* p = std::exchange(m_p, nullptr))
            p->Release();
    }
    T* get() const { return m_p; }
    T* operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }
    // For out parameters: releases what is held first.
    T** put()
    {
        reset();
        return &m_p;
    }
    void** putVoid() { return reinterpret_cast<void**>(put()); }
    template <typename U> ComPtr<U> as() const
    {
        ComPtr<U> r;
        if (m_p)
            m_p->QueryInterface(U::iid(), r.putVoid());
        return r;
    }

private:
    T* m_p = nullptr;
};

// Remembers the text of the last failure and answers IAddInErrorInfo with it.
class ErrorText
{
public:
    void setError(std::string text) { m_text = std::move(text); }
    const std::string& lastError() const { return m_text; }
    HRESULT writeError(char* buffer, std::int32_t size) const
    {
        const HRESULT hr = copyText(m_text, buffer, size, nullptr);
        return hr == E_NOT_SUFFICIENT_BUFFER ? S_OK : hr;
    }

    // Runs `f`; an exception leaving it becomes E_FAIL with its text kept here.
    template <typename F> HRESULT guard(F&& f) noexcept
    {
        try {
            if constexpr (std::is_same_v<decltype(f()), void>) {
                f();
                return S_OK;
            } else {
                return f();
            }
        } catch (const std::bad_alloc&) {
            setErrorNoThrow("Недостаточно памяти");
            return E_OUTOFMEMORY;
        } catch (const std::exception& e) {
            setErrorNoThrow(e.what());
            return E_FAIL;
        } catch (...) {
            setErrorNoThrow("Неизвестная ошибка модуля");
            return E_FAIL;
        }
    }

private:
    void setErrorNoThrow(const char* text) noexcept
    {
        try {
            m_text = text;
        } catch (...) {
            m_text.clear();
        }
    }
    std::string m_text;
};

namespace detail {
template <typename... I> struct FirstOf;
template <typename F, typename... R> struct FirstOf<F, R...>
{
    using type = F;
};

template <typename Self, typename... Interfaces> bool findInterface(Self* self, const GUID& iid, void** out)
{
    bool found = false;
    ((!found && iid == Interfaces::iid() ? (*out = static_cast<Interfaces*>(self), found = true) : false),
     ...);
    return found;
}
} // namespace detail

// A plain reference-counted object serving the listed interfaces (and IUnknown, and
// IAddInErrorInfo when listed). Derive, implement the interfaces' methods, create with `new`.
template <typename... Interfaces> class Object : public Interfaces...
{
public:
    HRESULT QueryInterface(const GUID& iid, void** out) override
    {
        if (!out)
            return E_POINTER;
        *out = nullptr;
        if (iid == IID_IUnknown)
            *out = static_cast<typename detail::FirstOf<Interfaces...>::type*>(this);
        else if (!detail::findInterface<Object, Interfaces...>(this, iid, out))
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    std::uint32_t AddRef() override { return ++m_refs; }
    std::uint32_t Release() override
    {
        const std::uint32_t left = --m_refs;
        if (left == 0)
            delete this;
        return left;
    }
    // The object's identity (its first interface).
    IUnknown* unknown() { return static_cast<typename detail::FirstOf<Interfaces...>::type*>(this); }

protected:
    Object() = default;
    virtual ~Object() = default;

private:
    std::atomic<std::uint32_t> m_refs{1};
};

// An object whose interfaces answer for an outer object (the program's wrapper): their
// AddRef/Release/QueryInterface go to the outer one, and `inner()` is the non-delegating
// IUnknown that Init hands back. It lives while the outer object holds `inner()`.
template <typename... Interfaces> class Aggregated : public Interfaces...
{
public:
    explicit Aggregated(IUnknown* outer) : m_outer(outer ? outer : &m_inner), m_inner(this) {}

    HRESULT QueryInterface(const GUID& iid, void** out) override { return m_outer->QueryInterface(iid, out); }
    std::uint32_t AddRef() override { return m_outer->AddRef(); }
    std::uint32_t Release() override { return m_outer->Release(); }
    IUnknown* inner() { return &m_inner; }

protected:
    virtual ~Aggregated() = default;

private:
    class Inner final : public IUnknown
    {
    public:
        explicit Inner(Aggregated* owner) : m_owner(owner) {}
        HRESULT QueryInterface(const GUID& iid, void** out) override
        {
            if (!out)
                return E_POINTER;
            *out = nullptr;
            if (iid == IID_IUnknown)
                *out = static_cast<IUnknown*>(this);
            else if (!detail::findInterface<Aggregated, Interfaces...>(m_owner, iid, out))
                return E_NOINTERFACE;
            static_cast<IUnknown*>(*out)->AddRef();
            return S_OK;
        }
        std::uint32_t AddRef() override { return ++m_refs; }
        std::uint32_t Release() override
        {
            const std::uint32_t left = --m_refs;
            if (left == 0)
                delete m_owner;
            return left;
        }

    private:
        Aggregated* m_owner;
        std::atomic<std::uint32_t> m_refs{1};
    };

    IUnknown* m_outer;
    Inner m_inner;
};

// The module object behind the class factory: derive, give Register and makeInstance (which
// builds the module's Aggregated object for the outer one). Exceptions in either become a
// failure whose text the program shows.
class AddInModule : public Object<IAddIn, IAddInErrorInfo>
{
public:
    HRESULT Register(IAddInInfo* info) final
    {
        if (!info)
            return E_POINTER;
        return m_error.guard([&] { registerAddIns(*info); });
    }
    HRESULT Init(IUnknown* outer, const void* data, std::int32_t dataLen, IUnknown** inner) final
    {
        if (!inner)
            return E_POINTER;
        *inner = nullptr;
        if (dataLen < 0 || (dataLen > 0 && !data)) {
            m_error.setError("Неверные данные инициализации модуля");
            return E_INVALIDARG;
        }
        return m_error.guard([&]() -> HRESULT {
            std::string bytes(static_cast<const char*>(data ? data : ""), std::size_t(dataLen));
            IUnknown* made = makeInstance(outer, bytes);
            if (!made) {
                if (m_error.lastError().empty())
                    m_error.setError("Модуль не создал свой объект");
                return E_FAIL;
            }
            *inner = made;
            return S_OK;
        });
    }
    HRESULT Reserved() final { return S_OK; }
    HRESULT GetLastError(char* buffer, std::int32_t size) final { return m_error.writeError(buffer, size); }

protected:
    // Calls info.RegisterAddIn for each thing the library offers.
    virtual void registerAddIns(IAddInInfo& info) = 0;
    // The non-delegating IUnknown of a new module instance (Aggregated::inner()); `initData` is
    // what registration gave.
    virtual IUnknown* makeInstance(IUnknown* outer, const std::string& initData) = 0;
    // Gives the reason of a failure of makeInstance that returns null.
    void fail(std::string text) { m_error.setError(std::move(text)); }

private:
    ErrorText m_error;
};

template <typename Module> class AddInFactory final : public Object<IClassFactory>
{
public:
    HRESULT CreateInstance(IUnknown* outer, const GUID& iid, void** object) override
    {
        if (!object)
            return E_POINTER;
        *object = nullptr;
        if (outer)
            return CLASS_E_NOAGGREGATION;
        try {
            Module* m = new Module();
            const HRESULT hr = m->QueryInterface(iid, object);
            m->Release();
            return hr;
        } catch (...) {
            return E_OUTOFMEMORY;
        }
    }
    HRESULT LockServer(std::int32_t) override { return S_OK; }
};

// The module's folder for its own data files, as SetAppDir gave it.
inline std::string& moduleDataFolder()
{
    static std::string folder;
    return folder;
}

} // namespace tarvo

#define TARVO_ADDIN_EXPORT extern "C" __attribute__((visibility("default")))

// Defines the library's exports for one module class derived from tarvo::AddInModule.
#define TARVO_ADDIN_MODULE(ModuleClass)                                                                      \
    TARVO_ADDIN_EXPORT tarvo::HRESULT DllGetClassObject(const tarvo::GUID* clsid, const tarvo::GUID* iid,    \
                                                        void** object)                                       \
    {                                                                                                        \
        if (!clsid || !iid || !object)                                                                       \
            return tarvo::E_POINTER;                                                                         \
        *object = nullptr;                                                                                   \
        if (*clsid != tarvo::CLSID_AddIn)                                                                    \
            return tarvo::CLASS_E_CLASSNOTAVAILABLE;                                                         \
        auto* f = new (std::nothrow) tarvo::AddInFactory<ModuleClass>();                                     \
        if (!f)                                                                                              \
            return tarvo::E_OUTOFMEMORY;                                                                     \
        const tarvo::HRESULT hr = f->QueryInterface(*iid, object);                                           \
        f->Release();                                                                                        \
        return hr;                                                                                           \
    }                                                                                                        \
    TARVO_ADDIN_EXPORT void SetAppDir(const char* directory)                                                 \
    {                                                                                                        \
        try {                                                                                                \
            tarvo::moduleDataFolder() = directory ? directory : "";                                          \
        } catch (...) {                                                                                      \
        }                                                                                                    \
    }                                                                                                        \
    TARVO_ADDIN_EXPORT std::int32_t TarvoAddInSdkVersion()                                                   \
    {                                                                                                        \
        return TARVO_ADDIN_SDK_VERSION;                                                                      \
    }
