#include "AddIn/tdocidentifier.h"

#include "AddIn/tlistdocument.h"

namespace Tarvo::AddIn {

TDocIdentifier::TDocIdentifier(std::int32_t docId, Data::TRowSet* source, const QString& keyColumn)
    : m_docId(docId), m_source(source), m_keyColumn(keyColumn)
{}

TDocIdentifier::~TDocIdentifier() = default;

void TDocIdentifier::disconnected()
{
    m_source = nullptr;
    if (m_list)
        m_list->disconnect();
}

tarvo::HRESULT TDocIdentifier::GetDocID(std::int32_t* value)
{
    return call([&]() -> tarvo::HRESULT {
        if (!value)
            return tarvo::E_POINTER;
        *value = m_docId;
        return tarvo::S_OK;
    });
}

tarvo::HRESULT TDocIdentifier::GetList(tarvo::IListDocument** value)
{
    return call([&]() -> tarvo::HRESULT {
        if (!value)
            return tarvo::E_POINTER;
        *value = nullptr;
        if (!m_list) {
            if (!m_source)
                throw Exception(QStringLiteral("Документ передан без списка"));
            m_list = tarvo::ComPtr<TListDocument>::adopt(new TListDocument(*m_source, m_keyColumn));
        }
        m_list->AddRef();
        *value = m_list.get();
        return tarvo::S_OK;
    });
}

} // namespace Tarvo::AddIn
