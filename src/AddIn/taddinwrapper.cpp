#include "AddIn/taddinwrapper.h"

#include "AddIn/addinlibrary.h"

namespace Tarvo::AddIn {

tarvo::HRESULT TaddInWrapper::QueryInterface(const tarvo::GUID& iid, void** object)
{
    if (!object)
        return tarvo::E_POINTER;
    *object = nullptr;
    if (iid == tarvo::IID_IUnknown) {
        *object = static_cast<tarvo::IUnknown*>(this);
        AddRef();
        return tarvo::S_OK;
    }
    // During Init the module has not handed its object over yet.
    if (!m_inner)
        return tarvo::E_NOINTERFACE;
    return m_inner->QueryInterface(iid, object);
}

std::uint32_t TaddInWrapper::AddRef()
{
    return ++m_refs;
}

std::uint32_t TaddInWrapper::Release()
{
    const std::uint32_t left = --m_refs;
    if (left == 0)
        delete this;
    return left;
}

TaddInWrapper::~TaddInWrapper()
{
    if (tarvo::IUnknown* inner = std::exchange(m_inner, nullptr)) {
        // Keep the wrapper alive while the module's object goes: its destructor may still call
        // the outer object.
        m_refs = 1;
        try {
            inner->Release();
        } catch (...) {
            // A module's destructor has nowhere to report to; the program goes on.
        }
    }
}

tarvo::ComPtr<tarvo::IUnknown> TaddInWrapper::create(const TAddInCollectionItem& item)
{
    const QString name = TAddInCollectionItem::bareFileName(item.dllname);
    const AddInLibrary& library = AddInLibrary::load(name);
    tarvo::ComPtr<tarvo::IAddIn> module = library.createModule();

    auto* wrapper = new TaddInWrapper(item);
    auto owned = tarvo::ComPtr<tarvo::IUnknown>::adopt(wrapper);
    tarvo::IUnknown* inner = nullptr;
    tarvo::HRESULT hr = tarvo::S_OK;
    AddInLibrary::guarded(name, QStringLiteral("Инициализация модуля"), [&] {
        const QByteArray& data = item.initData;
        hr = module->Init(wrapper, data.isEmpty() ? nullptr : data.constData(), std::int32_t(data.size()),
                          &inner);
    });
    if (tarvo::failed(hr)) {
        if (inner)
            inner->Release();
        const QString text = AddInLibrary::moduleErrorText(module.get());
        AddInLibrary::fail(name,
                           QStringLiteral("ошибка инициализации модуля «%1» (код %2)")
                               .arg(item.descr, AddInLibrary::hresultText(hr)),
                           text.isEmpty() ? QStringLiteral("Error running programm") : text);
    }
    if (!inner)
        AddInLibrary::fail(
            name, QStringLiteral("модуль «%1» сообщил об успешной инициализации, но не вернул свой объект")
                      .arg(item.descr));
    wrapper->m_inner = inner;
    return owned;
}

tarvo::ComPtr<tarvo::IUnknown> CreateAddIn(const TAddInCollectionItem& item)
{
    return TaddInWrapper::create(item);
}

} // namespace Tarvo::AddIn
