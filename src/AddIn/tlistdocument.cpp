#include "AddIn/tlistdocument.h"

#include "data/rowset/trowset.h"

namespace Tarvo::AddIn {

TListDocument::TListDocument(Data::TRowSet& source, const QString& keyColumn)
    : m_source(&source), m_clone(source.clone()), m_key(m_clone->fieldIndexOrThrow(keyColumn))
{
    m_sourceGone = source.subscribeDestroyed([this] { m_source = nullptr; });
    m_past = m_clone->isEmpty() && !source.canFetchMore();
}

TListDocument::~TListDocument() = default;

void TListDocument::disconnected()
{
    m_sourceGone = {};
    m_source = nullptr;
    m_clone.reset();
}

tarvo::HRESULT TListDocument::First()
{
    return call([&] {
        if (m_clone->isEmpty() && m_source && m_source->canFetchMore())
            m_source->fetchMore();
        m_clone->first();
        m_past = m_clone->isEmpty();
    });
}

tarvo::HRESULT TListDocument::Next()
{
    return call([&] {
        if (m_past)
            return;
        const bool onLast = m_clone->recNo() >= m_clone->recordCount() - 1;
        if (onLast && m_source && m_source->canFetchMore()) {
            // The next batch lands in the rows this cursor shares.
            const int at = m_clone->recNo();
            m_source->fetchMore();
            m_clone->moveTo(at);
        }
        if (m_clone->recNo() >= m_clone->recordCount() - 1) {
            m_past = true;
            return;
        }
        m_clone->next();
    });
}

tarvo::HRESULT TListDocument::GetEof(std::int32_t* value)
{
    return call([&]() -> tarvo::HRESULT {
        if (!value)
            return tarvo::E_POINTER;
        *value = m_past ? tarvo::VARIANT_TRUE : tarvo::VARIANT_FALSE;
        return tarvo::S_OK;
    });
}

tarvo::HRESULT TListDocument::GetCurrent(std::int32_t* value)
{
    return call([&]() -> tarvo::HRESULT {
        if (!value)
            return tarvo::E_POINTER;
        if (m_past)
            throw Exception(QStringLiteral("Список документов пройден до конца: текущего документа нет"));
        *value = std::int32_t(m_clone->value(m_key).toLongLong());
        return tarvo::S_OK;
    });
}

} // namespace Tarvo::AddIn
