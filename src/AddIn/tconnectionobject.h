#pragma once

#include "AddIn/hostobject.h"

#include <QStringList>

namespace Tarvo::Data {
class Database;
}

namespace Tarvo::AddIn {

class TStatementObject;

// The program's main connection as a module sees it. Transactions a module begins are its own:
// nested ones are savepoints, and what it leaves open is rolled back by the caller.
class TConnectionObject final : public HostObject<tarvo::IConnection>
{
public:
    explicit TConnectionObject(Data::Database& db) : m_db(&db) {}

    tarvo::HRESULT GetEngine(std::int32_t* engine) override;
    tarvo::HRESULT Prepare(const char* sql, tarvo::IStatement** statement) override;
    tarvo::HRESULT Begin() override;
    tarvo::HRESULT Commit() override;
    tarvo::HRESULT Rollback() override;
    tarvo::HRESULT GetTransactionDepth(std::int32_t* depth) override;
    tarvo::HRESULT GetLastErrorText(char* buffer, std::int32_t size, std::int32_t* needed) override;

    // A statement's failure is the connection's last error too.
    void noteError(const std::string& text) { setError(QString::fromStdString(text)); }
    Data::Database* database() const { return m_db; }
    void track(TStatementObject* s) { m_statements.append(s); }
    void untrack(TStatementObject* s) { m_statements.removeOne(s); }

private:
    // The module's own transaction level, counted from the program's view of the connection.
    int depth() const;
    void disconnected() override;

    Data::Database* m_db;
    QStringList m_savepoints;
    QList<TStatementObject*> m_statements; // alive, not owned
};

} // namespace Tarvo::AddIn
