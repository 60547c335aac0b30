#include "AddIn/tconnectionobject.h"

#include "AddIn/tstatementobject.h"
#include "data/engine/database.h"

namespace Tarvo::AddIn {

void TConnectionObject::disconnected()
{
    // Their queries go now, while the connection they were made on is still open.
    for (TStatementObject* s : std::as_const(m_statements))
        s->disconnect();
    m_db = nullptr;
}

int TConnectionObject::depth() const
{
    return m_db->inTransaction() ? 1 + int(m_savepoints.size()) : 0;
}

tarvo::HRESULT TConnectionObject::GetEngine(std::int32_t* engine)
{
    return call([&]() -> tarvo::HRESULT {
        if (!engine)
            return tarvo::E_POINTER;
        *engine = m_db->engine() == Data::Engine::PostgreSQL ? tarvo::IConnection::EnginePostgresql
                                                             : tarvo::IConnection::EngineSqlite;
        return tarvo::S_OK;
    });
}

tarvo::HRESULT TConnectionObject::Prepare(const char* sql, tarvo::IStatement** statement)
{
    return call([&]() -> tarvo::HRESULT {
        if (!sql || !statement)
            return tarvo::E_POINTER;
        *statement = nullptr;
        const QString text = QString::fromUtf8(sql).trimmed();
        if (text.isEmpty())
            throw Exception(QStringLiteral("Пустой текст запроса"));
        *statement = new TStatementObject(this, text);
        return tarvo::S_OK;
    });
}

tarvo::HRESULT TConnectionObject::Begin()
{
    return call([&] {
        if (!m_db->inTransaction()) {
            m_savepoints.clear();
            m_db->beginTransaction();
        } else {
            m_savepoints << m_db->setSavepoint();
        }
    });
}

tarvo::HRESULT TConnectionObject::Commit()
{
    return call([&] {
        if (!m_db->inTransaction())
            throw Exception(QStringLiteral("Нет открытой транзакции"));
        if (!m_savepoints.isEmpty())
            m_db->releaseSavepoint(m_savepoints.takeLast());
        else
            m_db->commit();
    });
}

tarvo::HRESULT TConnectionObject::Rollback()
{
    return call([&] {
        if (!m_db->inTransaction())
            throw Exception(QStringLiteral("Нет открытой транзакции"));
        if (!m_savepoints.isEmpty())
            m_db->rollbackToSavepoint(m_savepoints.takeLast());
        else
            m_db->rollback();
    });
}

tarvo::HRESULT TConnectionObject::GetTransactionDepth(std::int32_t* value)
{
    return call([&]() -> tarvo::HRESULT {
        if (!value)
            return tarvo::E_POINTER;
        *value = depth();
        return tarvo::S_OK;
    });
}

tarvo::HRESULT TConnectionObject::GetLastErrorText(char* buffer, std::int32_t size, std::int32_t* needed)
{
    // Readable after the call too: it tells why the object refuses.
    return tarvo::copyText(lastError(), buffer, size, needed);
}

} // namespace Tarvo::AddIn
