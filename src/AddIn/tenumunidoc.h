#pragma once

#include "AddIn/hostobject.h"

#include <QList>
#include <QString>

namespace Tarvo::AddIn {

// The named objects given to a processing module ("Order", "dbConn", ...).
class TEnumUniDoc final : public HostObject<tarvo::IUniDocEnum>
{
public:
    void add(const QString& name, tarvo::IUnknown* object);

    tarvo::HRESULT GetCount(std::int32_t* count) override;
    tarvo::HRESULT GetName(std::int32_t index, char* buffer, std::int32_t size,
                           std::int32_t* needed) override;
    tarvo::HRESULT GetItem(std::int32_t index, tarvo::IUnknown** item) override;

private:
    void checkIndex(std::int32_t index) const;
    void disconnected() override { m_items.clear(); }

    QList<std::pair<QString, tarvo::ComPtr<tarvo::IUnknown>>> m_items;
};

} // namespace Tarvo::AddIn
