#include "AddIn/tstatementobject.h"

#include "data/engine/database.h"
#include "data/engine/money.h"
#include "data/engine/query.h"

#include <QDateTime>

namespace Tarvo::AddIn {

using Data::ParamType;

TStatementObject::TStatementObject(TConnectionObject* connection, const QString& sql)
    : m_connection(connection), m_sql(sql)
{
    m_query = std::make_unique<Data::Query>(*connection->database(), sql);
    connection->track(this);
}

TStatementObject::~TStatementObject()
{
    m_connection->untrack(this);
}

void TStatementObject::disconnected()
{
    m_query.reset();
}

template <typename F> tarvo::HRESULT TStatementObject::run(F&& f) noexcept
{
    const tarvo::HRESULT hr = call(std::forward<F>(f));
    if (tarvo::failed(hr))
        m_connection->noteError(lastError());
    return hr;
}

void TStatementObject::bind(std::int32_t index, const QVariant& value, int type)
{
    if (index < 1)
        throw Exception(QStringLiteral("Параметры запроса нумеруются с 1, передан номер %1").arg(index));
    m_query->bindAt(index - 1, value, ParamType(type));
}

tarvo::HRESULT TStatementObject::BindNull(std::int32_t index)
{
    return run([&] { bind(index, QVariant(), int(ParamType::Auto)); });
}

tarvo::HRESULT TStatementObject::BindInt64(std::int32_t index, std::int64_t value)
{
    return run([&] { bind(index, QVariant(qint64(value)), int(ParamType::Integer)); });
}

tarvo::HRESULT TStatementObject::BindDouble(std::int32_t index, double value)
{
    return run([&] { bind(index, QVariant(value), int(ParamType::Float)); });
}

tarvo::HRESULT TStatementObject::BindDecimal(std::int32_t index, const char* value)
{
    return run([&]() -> tarvo::HRESULT {
        if (!value)
            return tarvo::E_POINTER;
        const auto m = Money::parse(QString::fromUtf8(value));
        if (!m)
            throw Exception(
                QStringLiteral("«%1» не является десятичным числом").arg(QString::fromUtf8(value)));
        bind(index, m->toVariant(), int(ParamType::Money));
        return tarvo::S_OK;
    });
}

tarvo::HRESULT TStatementObject::BindText(std::int32_t index, const char* value)
{
    return run([&]() -> tarvo::HRESULT {
        if (!value)
            return tarvo::E_POINTER;
        bind(index, QString::fromUtf8(value), int(ParamType::String));
        return tarvo::S_OK;
    });
}

tarvo::HRESULT TStatementObject::BindDateTime(std::int32_t index, const char* value)
{
    return run([&]() -> tarvo::HRESULT {
        if (!value)
            return tarvo::E_POINTER;
        const QString text = QString::fromUtf8(value).trimmed();
        QDateTime when = QDateTime::fromString(text, Qt::ISODate);
        if (!when.isValid())
            when = QDate::fromString(text, Qt::ISODate).startOfDay();
        if (!when.isValid())
            throw Exception(QStringLiteral("«%1» не является датой (ожидается ГГГГ-ММ-ДД)").arg(text));
        bind(index, when, int(ParamType::DateTime));
        return tarvo::S_OK;
    });
}

tarvo::HRESULT TStatementObject::Execute()
{
    return run([&] {
        m_onRow = false;
        m_executed = false;
        m_query->exec();
        m_executed = true;
    });
}

tarvo::HRESULT TStatementObject::Next(std::int32_t* hasRow)
{
    return run([&]() -> tarvo::HRESULT {
        if (!hasRow)
            return tarvo::E_POINTER;
        if (!m_executed)
            throw Exception(QStringLiteral("Запрос не выполнен"));
        m_onRow = m_query->next();
        *hasRow = m_onRow ? 1 : 0;
        return tarvo::S_OK;
    });
}

tarvo::HRESULT TStatementObject::GetColumnCount(std::int32_t* count)
{
    return run([&]() -> tarvo::HRESULT {
        if (!count)
            return tarvo::E_POINTER;
        *count = m_executed ? m_query->columnCount() : 0;
        return tarvo::S_OK;
    });
}

QVariant TStatementObject::column(std::int32_t c) const
{
    if (!m_onRow)
        throw Exception(QStringLiteral("Запрос не стоит на строке"));
    if (c < 0 || c >= m_query->columnCount())
        throw Exception(QStringLiteral("Нет колонки с номером %1").arg(c));
    return m_query->value(c);
}

tarvo::HRESULT TStatementObject::GetColumnName(std::int32_t c, char* buffer, std::int32_t size,
                                               std::int32_t* needed)
{
    return run([&]() -> tarvo::HRESULT {
        if (!m_executed || c < 0 || c >= m_query->columnCount())
            throw Exception(QStringLiteral("Нет колонки с номером %1").arg(c));
        return tarvo::copyText(m_query->columnName(c).toStdString(), buffer, size, needed);
    });
}

tarvo::HRESULT TStatementObject::IsNull(std::int32_t c, std::int32_t* isNull)
{
    return run([&]() -> tarvo::HRESULT {
        if (!isNull)
            return tarvo::E_POINTER;
        *isNull = column(c).isNull() ? 1 : 0;
        return tarvo::S_OK;
    });
}

tarvo::HRESULT TStatementObject::GetInt64(std::int32_t c, std::int64_t* value)
{
    return run([&]() -> tarvo::HRESULT {
        if (!value)
            return tarvo::E_POINTER;
        const QVariant v = column(c);
        if (v.metaType() == QMetaType::fromType<Money>())
            *value = v.value<Money>().raw() / Money::Scale;
        else
            *value = v.toLongLong();
        return tarvo::S_OK;
    });
}

tarvo::HRESULT TStatementObject::GetDouble(std::int32_t c, double* value)
{
    return run([&]() -> tarvo::HRESULT {
        if (!value)
            return tarvo::E_POINTER;
        const QVariant v = column(c);
        *value = v.metaType() == QMetaType::fromType<Money>() ? v.value<Money>().toDouble() : v.toDouble();
        return tarvo::S_OK;
    });
}

tarvo::HRESULT TStatementObject::GetText(std::int32_t c, char* buffer, std::int32_t size,
                                         std::int32_t* needed)
{
    return run([&]() -> tarvo::HRESULT {
        const QVariant v = column(c);
        QString text;
        if (v.metaType() == QMetaType::fromType<Money>())
            text = v.value<Money>().toString();
        else if (v.metaType() == QMetaType::fromType<QDateTime>())
            text = v.toDateTime().toString(Qt::ISODate);
        else
            text = v.toString();
        return tarvo::copyText(text.toStdString(), buffer, size, needed);
    });
}

tarvo::HRESULT TStatementObject::GetRowsAffected(std::int64_t* rows)
{
    return run([&]() -> tarvo::HRESULT {
        if (!rows)
            return tarvo::E_POINTER;
        *rows = m_executed ? m_query->numRowsAffected() : 0;
        return tarvo::S_OK;
    });
}

} // namespace Tarvo::AddIn
