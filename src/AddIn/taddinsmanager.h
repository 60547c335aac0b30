#pragma once

#include "AddIn/taddincollection.h"

#include <functional>
#include <memory>

namespace Tarvo::Data {
class Database;
}

namespace Tarvo::AddIn {

// A copy of the configured modules for one caller; the filter (null: all) narrows count and
// index without asking the type registry.
class TAddInsManager
{
public:
    virtual ~TAddInsManager() = default;

    void setFilter(const QUuid& type) { m_filter = type; }
    virtual int count() const;
    virtual const TAddInCollectionItem& item(int index) const;
    void append(const TAddInCollectionItem& item) { m_items.append(item); }

private:
    QUuid m_filter;
    QList<TAddInCollectionItem> m_items;
};

// The manager over the stored "Настроенные модули расширения" (visible items).
class TaddInsManager : public TAddInsManager
{
public:
    explicit TaddInsManager(Data::Database& db);
};

using AddInsManagerFactory = std::function<std::unique_ptr<TAddInsManager>(Data::Database& db)>;

// Once per process; a second registration is a programming error and throws.
void RegisterAddInsManagerClass(AddInsManagerFactory factory);
// A new manager over the configuration as stored now, owned by the caller (TaddInsManager when
// none was registered).
std::unique_ptr<TAddInsManager> AddInsManager(Data::Database& db);

} // namespace Tarvo::AddIn
