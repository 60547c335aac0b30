#include "AddIn/taddinsmanager.h"

#include "core/exception.h"

namespace Tarvo::AddIn {

int TAddInsManager::count() const
{
    if (m_filter.isNull())
        return int(m_items.size());
    int n = 0;
    for (const auto& i : m_items)
        n += i.type == m_filter ? 1 : 0;
    return n;
}

const TAddInCollectionItem& TAddInsManager::item(int index) const
{
    int n = -1;
    for (const auto& i : m_items)
        if ((m_filter.isNull() || i.type == m_filter) && ++n == index)
            return i;
    throw Exception(QStringLiteral("Нет модуля расширения с номером %1").arg(index + 1));
}

TaddInsManager::TaddInsManager(Data::Database& db)
{
    TAddInCollection stored;
    stored.load(db, QString::fromUtf8(TAddInCollection::BlobName));
    for (int i = 0; i < stored.count(); ++i)
        append(stored.item(i));
}

namespace {

AddInsManagerFactory& registered()
{
    static AddInsManagerFactory factory;
    return factory;
}

} // namespace

void RegisterAddInsManagerClass(AddInsManagerFactory factory)
{
    if (registered())
        throw Exception(QStringLiteral("Класс менеджера модулей расширения уже зарегистрирован"));
    registered() = std::move(factory);
}

std::unique_ptr<TAddInsManager> AddInsManager(Data::Database& db)
{
    if (registered())
        return registered()(db);
    return std::make_unique<TaddInsManager>(db);
}

} // namespace Tarvo::AddIn
