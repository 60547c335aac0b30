#pragma once

#include "AddIn/hostobject.h"

#include <QString>

namespace Tarvo::Data {
class TRowSet;
}

namespace Tarvo::AddIn {

class TListDocument;

// The current document of a list, and the list itself through List (made once, kept).
class TDocIdentifier final : public HostObject<tarvo::IDocIdentifier>
{
public:
    TDocIdentifier(std::int32_t docId, Data::TRowSet* source, const QString& keyColumn);
    ~TDocIdentifier() override;

    tarvo::HRESULT GetDocID(std::int32_t* value) override;
    tarvo::HRESULT GetList(tarvo::IListDocument** value) override;

private:
    void disconnected() override;

    std::int32_t m_docId;
    Data::TRowSet* m_source;
    QString m_keyColumn;
    tarvo::ComPtr<TListDocument> m_list;
};

} // namespace Tarvo::AddIn
