#include "AddIn/addinactionrunner.h"

#include "AddIn/addinguid.h"
#include "AddIn/addinlibrary.h"
#include "AddIn/addinregistry.h"
#include "AddIn/findactionaddin.h"
#include "AddIn/taddincollection.h"
#include "AddIn/taddinwrapper.h"
#include "AddIn/tconnectionobject.h"
#include "AddIn/tdocidentifier.h"
#include "AddIn/tenumunidoc.h"
#include "AddIn/tnamedparams_ro.h"
#include "AddIn/toneuniq.h"
#include "data/engine/database.h"
#include "data/modules/tscmnamedparams_ro.h"

#include <functional>
#include <vector>

namespace Tarvo::AddIn {

namespace {

using Guid::toUuid;

// The objects of one call, disconnected when it ends however it ends.
class CallObjects
{
public:
    ~CallObjects()
    {
        for (const auto& d : m_disconnect)
            d();
    }
    template <typename T> T* add(T* object)
    {
        m_disconnect.push_back([object] {
            object->disconnect();
            object->Release();
        });
        return object;
    }

private:
    std::vector<std::function<void()>> m_disconnect;
};

template <typename I>
tarvo::ComPtr<I> cast(const tarvo::ComPtr<tarvo::IUnknown>& module, const TAddInCollectionItem& item,
                      const char* name)
{
    tarvo::ComPtr<I> i;
    if (tarvo::failed(module->QueryInterface(I::iid(), i.putVoid())) || !i)
        AddInLibrary::fail(
            item.dllname,
            QStringLiteral("модуль «%1» не поддерживает интерфейс %2").arg(item.descr, QLatin1String(name)));
    return i;
}

// Calls the module, then deals with what it left: a failure is reported with its text, an open
// transaction is rolled back and reported.
void finishCall(Data::Database& db, const TAddInCollectionItem& item,
                const tarvo::ComPtr<tarvo::IUnknown>& module, const std::function<tarvo::HRESULT()>& call)
{
    tarvo::HRESULT hr = tarvo::S_OK;
    QString failure;
    try {
        AddInLibrary::guarded(item.dllname, QStringLiteral("Модуль «%1»").arg(item.descr),
                              [&] { hr = call(); });
    } catch (const Exception& e) {
        failure = e.message();
    }
    if (failure.isEmpty() && tarvo::failed(hr)) {
        const QString text = AddInLibrary::moduleErrorText(module.get());
        failure = QStringLiteral("Модуль «%1» завершился с ошибкой (код %2)%3")
                      .arg(item.descr, AddInLibrary::hresultText(hr),
                           text.isEmpty() ? QString() : QStringLiteral(": ") + text);
    }
    if (db.inTransaction()) {
        db.rollback();
        const QString rolledBack =
            QStringLiteral("Модуль «%1» оставил транзакцию незавершённой: его изменения "
                           "отменены и не сохранены.")
                .arg(item.descr);
        failure = failure.isEmpty() ? rolledBack : failure + u'\n' + rolledBack;
    }
    if (!failure.isEmpty())
        throw Exception(failure);
}

} // namespace

void AddInActionRunner::runSimple(const TAddInCollectionItem& item)
{
    try {
        const tarvo::ComPtr<tarvo::IUnknown> module = CreateAddIn(item);
        const auto simple = cast<tarvo::ISimpleAddIn>(module, item, "ISimpleAddIn");
        CallObjects objects;
        auto* connection = objects.add(new TConnectionObject(m_db));
        auto* params = objects.add(new TNamedParams_RO(std::make_shared<Data::TSCMNamedParams_RO>(m_db)));
        finishCall(m_db, item, module, [&] { return simple->Execute(m_window, connection, params); });
    } catch (...) {
        // Whatever failed before the call, the connection is not left in a module's transaction.
        if (m_db.inTransaction())
            m_db.rollback();
        throw;
    }
}

QString AddInActionRunner::unboundText(const QUuid& action)
{
    if (action == toUuid(tarvo::ACTION_FORM_ORDERS))
        return QStringLiteral("Не зарегистрировано действие для формирования заказов");
    if (action == toUuid(tarvo::ACTION_PROCESS_ORDER) ||
        action == toUuid(tarvo::ACTION_PROCESS_ACCEPTED_ORDER))
        return QStringLiteral("Не зарегистрировано действие для обработки заказа");
    if (action == toUuid(tarvo::ACTION_PROCESS_INVOICE))
        return QStringLiteral("Не зарегистрировано действие для обработки инвойса");
    if (action == toUuid(tarvo::ACTION_PROCESS_OFFER))
        return QStringLiteral("Не зарегистрировано действие для обработки заявки");
    if (action == toUuid(tarvo::ACTION_PROCESS_PARCEL))
        return QStringLiteral("Не зарегистрировано действие для обработки посылки");
    return {};
}

bool AddInActionRunner::runAction(const QUuid& action, const AddInDocumentList& list)
{
    TAddInActionCollectionItem item;
    if (!findActionBinding(m_db, action, item)) {
        const QString text = unboundText(action);
        if (text.isEmpty())
            return false;
        throw Exception(text);
    }
    const tarvo::ComPtr<tarvo::IUnknown> module = CreateAddIn(item);
    CallObjects objects;
    auto* connection = objects.add(new TConnectionObject(m_db));
    const auto params = [&] {
        return objects.add(new TNamedParams_RO(std::make_shared<Data::TSCMNamedParams_RO>(m_db)));
    };
    const auto document = [&] {
        return objects.add(new TDocIdentifier(std::int32_t(list.current), list.rows, list.keyColumn));
    };
    const auto entries = [&](const char* name, bool withConnection) {
        auto* e = objects.add(new TEnumUniDoc);
        e->add(QLatin1String(name), document()->unknown());
        if (withConnection)
            e->add(QStringLiteral("dbConn"), connection->unknown());
        return e;
    };

    if (action == toUuid(tarvo::ACTION_FORM_ORDERS)) {
        const auto simple = cast<tarvo::ISimpleAddIn>(module, item, "ISimpleAddIn");
        finishCall(m_db, item, module, [&] { return simple->Execute(m_window, connection, params()); });
    } else if (action == toUuid(tarvo::ACTION_PRINT_SUPPLIER_ORDER)) {
        const auto doc = cast<tarvo::IDocAddIn>(module, item, "IDocAddIn");
        auto* one = objects.add(new TOneUniq(std::int32_t(list.current)));
        finishCall(m_db, item, module, [&] { return doc->Process(m_window, connection, one, params()); });
    } else if (action == toUuid(tarvo::ACTION_PROCESS_PARCEL)) {
        const auto parcel = cast<tarvo::IParcelAddIn>(module, item, "IParcelAddIn");
        const std::int32_t id = std::int32_t(list.current);
        finishCall(m_db, item, module,
                   [&] { return parcel->Process(m_window, connection, &id, 1, params()); });
    } else if (action == toUuid(tarvo::ACTION_PROCESS_ORDER) ||
               action == toUuid(tarvo::ACTION_PROCESS_ACCEPTED_ORDER) ||
               action == toUuid(tarvo::ACTION_PROCESS_INVOICE) ||
               action == toUuid(tarvo::ACTION_PROCESS_OFFER)) {
        const auto processing = cast<tarvo::IProcessingAddIn>(module, item, "IProcessingAddIn");
        TEnumUniDoc* given = nullptr;
        if (action == toUuid(tarvo::ACTION_PROCESS_INVOICE))
            given = entries("Delivery", false);
        else if (action == toUuid(tarvo::ACTION_PROCESS_OFFER))
            given = entries("Offer", false);
        else
            given = entries("Order", true);
        finishCall(m_db, item, module,
                   [&] { return processing->Process(m_window, connection, nullptr, given); });
    } else {
        // The planning and price-import actions hand their modules objects of their own.
        throw Exception(QStringLiteral("Действие «%1» не вызывается из списка документов")
                            .arg(AddInRegistry::actionName(action)));
    }
    return true;
}

} // namespace Tarvo::AddIn
