#include "AddIn/addinregistry.h"

#include "AddIn/addinguid.h"

namespace Tarvo::AddIn::AddInRegistry {

namespace {

QList<TAddInTypeItem>& typeList()
{
    static QList<TAddInTypeItem> list;
    return list;
}

QList<TAddInActionItem>& actionList()
{
    static QList<TAddInActionItem> list;
    return list;
}

} // namespace

void RegisterAddInType(const QUuid& type, const QString& name)
{
    typeList().append({type, name});
}

QString AddInTypeName(const QUuid& type)
{
    const auto& list = typeList();
    for (auto it = list.crbegin(); it != list.crend(); ++it)
        if (it->type == type)
            return it->name;
    return {};
}

bool isTypeRegistered(const QUuid& type)
{
    for (const TAddInTypeItem& t : typeList())
        if (t.type == type)
            return true;
    return false;
}

const QList<TAddInTypeItem>& types()
{
    return typeList();
}

void RegisterAddInAction(const QUuid& type, const QUuid& action, const QString& name)
{
    // The feature that owns an action registers it again when it arrives: it keeps its place in
    // the list the binding dialog shows.
    for (TAddInActionItem& a : actionList())
        if (a.action == action) {
            a = {type, name, action};
            return;
        }
    actionList().append({type, name, action});
}

const QList<TAddInActionItem>& actions()
{
    return actionList();
}

QString actionName(const QUuid& action)
{
    const auto& list = actionList();
    for (auto it = list.crbegin(); it != list.crend(); ++it)
        if (it->action == action)
            return it->name;
    return {};
}

QUuid actionType(const QUuid& action)
{
    const auto& list = actionList();
    for (auto it = list.crbegin(); it != list.crend(); ++it)
        if (it->action == action)
            return it->type;
    return {};
}

void registerStandard(const std::function<QString(const QString&)>& menuCaption)
{
    using Guid::toUuid;
    RegisterAddInType(toUuid(tarvo::ADDIN_TYPE_RUN), QStringLiteral("Выполнение модулей"));
    RegisterAddInType(toUuid(tarvo::ADDIN_TYPE_DOCUMENT), QStringLiteral("Обработка документов"));
    RegisterAddInType(toUuid(tarvo::ADDIN_TYPE_PROCESSING), QStringLiteral("Общая обработка"));
    RegisterAddInType(toUuid(tarvo::ADDIN_TYPE_PARCEL), QStringLiteral("Обработка посылок"));
    RegisterAddInType(toUuid(tarvo::ADDIN_TYPE_PRICE_IMPORT), QStringLiteral("Импорт прайсов поставщиков"));
    RegisterAddInType(toUuid(tarvo::ADDIN_TYPE_ORDER_FILL), QStringLiteral("Заполнение заказов поставщику"));

    const auto caption = [&](const char* key, const char* fallback) {
        QString text = menuCaption ? menuCaption(QLatin1String(key)) : QString();
        text.remove(u'&');
        return text.isEmpty() ? QString::fromUtf8(fallback) : text;
    };
    const QUuid processing = toUuid(tarvo::ADDIN_TYPE_PROCESSING);
    RegisterAddInAction(toUuid(tarvo::ADDIN_TYPE_DOCUMENT), toUuid(tarvo::ACTION_PRINT_SUPPLIER_ORDER),
                        QStringLiteral("Печать заказа поставщику"));
    RegisterAddInAction(toUuid(tarvo::ADDIN_TYPE_ORDER_FILL), toUuid(tarvo::ACTION_ORDER_GOODS),
                        caption("itemOrderGoods", "Заказ товаров"));
    RegisterAddInAction(toUuid(tarvo::ADDIN_TYPE_ORDER_FILL), toUuid(tarvo::ACTION_REORDER_GOODS),
                        caption("itemReorderGoods", "Дозаказ товаров"));
    RegisterAddInAction(toUuid(tarvo::ADDIN_TYPE_RUN), toUuid(tarvo::ACTION_FORM_ORDERS),
                        QStringLiteral("Формирование заказов на основе заявок"));
    RegisterAddInAction(processing, toUuid(tarvo::ACTION_PROCESS_ORDER), QStringLiteral("Обработка заказа"));
    RegisterAddInAction(processing, toUuid(tarvo::ACTION_PROCESS_INVOICE),
                        QStringLiteral("Обработка инвойса"));
    RegisterAddInAction(processing, toUuid(tarvo::ACTION_PROCESS_OFFER), QStringLiteral("Обработка заявки"));
    RegisterAddInAction(processing, toUuid(tarvo::ACTION_PROCESS_ACCEPTED_ORDER),
                        QStringLiteral("Обработка подтвержденного заказа"));
    RegisterAddInAction(toUuid(tarvo::ADDIN_TYPE_PARCEL), toUuid(tarvo::ACTION_PROCESS_PARCEL),
                        QStringLiteral("Обработка посылки"));
}

void clear()
{
    typeList().clear();
    actionList().clear();
}

} // namespace Tarvo::AddIn::AddInRegistry
