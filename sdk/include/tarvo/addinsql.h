// Statements on the program's connection for module code that prefers exceptions: every failure
// throws std::runtime_error with the program's Russian message (catch it inside the module; the
// guard of addinbase.h does).
#pragma once

#include "tarvo/addinbase.h"

#include <stdexcept>
#include <string>

namespace tarvo {

class SqlQuery
{
public:
    SqlQuery(IConnection* connection, const char* sql) : m_connection(connection)
    {
        check(connection->Prepare(sql, m_statement.put()));
    }

    SqlQuery& bind(std::int32_t index, const std::string& text)
    {
        return check(m_statement->BindText(index, text.c_str()));
    }
    SqlQuery& bind(std::int32_t index, std::int64_t value)
    {
        return check(m_statement->BindInt64(index, value));
    }
    SqlQuery& bindDouble(std::int32_t index, double value)
    {
        return check(m_statement->BindDouble(index, value));
    }
    SqlQuery& bindDecimal(std::int32_t index, const std::string& value)
    {
        return check(m_statement->BindDecimal(index, value.c_str()));
    }
    SqlQuery& bindDateTime(std::int32_t index, const std::string& iso)
    {
        return check(m_statement->BindDateTime(index, iso.c_str()));
    }
    SqlQuery& exec() { return check(m_statement->Execute()); }
    bool next()
    {
        std::int32_t row = 0;
        check(m_statement->Next(&row));
        return row != 0;
    }
    bool isNull(std::int32_t column)
    {
        std::int32_t n = 0;
        check(m_statement->IsNull(column, &n));
        return n != 0;
    }
    std::string text(std::int32_t column)
    {
        std::string out;
        check(readText(
            [&](char* b, std::int32_t s, std::int32_t* n) { return m_statement->GetText(column, b, s, n); },
            out));
        return out;
    }
    std::int64_t integer(std::int32_t column)
    {
        std::int64_t v = 0;
        check(m_statement->GetInt64(column, &v));
        return v;
    }
    double number(std::int32_t column)
    {
        double v = 0;
        check(m_statement->GetDouble(column, &v));
        return v;
    }
    std::int64_t rowsAffected()
    {
        std::int64_t n = 0;
        check(m_statement->GetRowsAffected(&n));
        return n;
    }

    // The connection's last error text.
    static std::string lastError(IConnection* connection)
    {
        std::string text;
        readText(
            [&](char* b, std::int32_t s, std::int32_t* n) { return connection->GetLastErrorText(b, s, n); },
            text);
        return text.empty() ? std::string("Ошибка базы данных") : text;
    }

private:
    SqlQuery& check(HRESULT hr)
    {
        if (failed(hr))
            throw std::runtime_error(lastError(m_connection));
        return *this;
    }

    IConnection* m_connection;
    ComPtr<IStatement> m_statement;
};

// Begins a transaction on the connection and rolls it back unless committed.
class SqlTransaction
{
public:
    explicit SqlTransaction(IConnection* connection) : m_connection(connection)
    {
        if (failed(connection->Begin()))
            throw std::runtime_error(SqlQuery::lastError(connection));
    }
    ~SqlTransaction()
    {
        if (!m_done)
            m_connection->Rollback();
    }
    void commit()
    {
        m_done = true;
        if (failed(m_connection->Commit()))
            throw std::runtime_error(SqlQuery::lastError(m_connection));
    }

private:
    IConnection* m_connection;
    bool m_done = false;
};

// A program parameter, or `fallback` when it is not set.
inline std::string parameter(INamedParams* params, const char* name, const std::string& fallback = {})
{
    std::string value;
    if (!params || failed(readText([&](char* b, std::int32_t s,
                                       std::int32_t* n) { return params->GetValue(name, b, s, n); },
                                   value)))
        return fallback;
    return value.empty() ? fallback : value;
}

} // namespace tarvo
