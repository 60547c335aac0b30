#pragma once

#include "AddIn/hostobject.h"
#include "AddIn/tconnectionobject.h"

#include <memory>

namespace Tarvo::Data {
class Query;
}

namespace Tarvo::AddIn {

// A statement of the program's connection with bound "?" parameters (text never joins the SQL).
class TStatementObject final : public HostObject<tarvo::IStatement>
{
public:
    TStatementObject(TConnectionObject* connection, const QString& sql);
    ~TStatementObject() override;

    tarvo::HRESULT BindNull(std::int32_t index) override;
    tarvo::HRESULT BindInt64(std::int32_t index, std::int64_t value) override;
    tarvo::HRESULT BindDouble(std::int32_t index, double value) override;
    tarvo::HRESULT BindDecimal(std::int32_t index, const char* value) override;
    tarvo::HRESULT BindText(std::int32_t index, const char* value) override;
    tarvo::HRESULT BindDateTime(std::int32_t index, const char* value) override;
    tarvo::HRESULT Execute() override;
    tarvo::HRESULT Next(std::int32_t* hasRow) override;
    tarvo::HRESULT GetColumnCount(std::int32_t* count) override;
    tarvo::HRESULT GetColumnName(std::int32_t column, char* buffer, std::int32_t size,
                                 std::int32_t* needed) override;
    tarvo::HRESULT IsNull(std::int32_t column, std::int32_t* isNull) override;
    tarvo::HRESULT GetInt64(std::int32_t column, std::int64_t* value) override;
    tarvo::HRESULT GetDouble(std::int32_t column, double* value) override;
    tarvo::HRESULT GetText(std::int32_t column, char* buffer, std::int32_t size,
                           std::int32_t* needed) override;
    tarvo::HRESULT GetRowsAffected(std::int64_t* rows) override;

private:
    void disconnected() override;
    template <typename F> tarvo::HRESULT run(F&& f) noexcept;
    void bind(std::int32_t index, const QVariant& value, int type);
    QVariant column(std::int32_t column) const;

    tarvo::ComPtr<TConnectionObject> m_connection;
    QString m_sql;
    std::unique_ptr<Data::Query> m_query;
    int m_generation = -1;
    bool m_onRow = false;
    bool m_executed = false;
};

} // namespace Tarvo::AddIn
