#include "AddIn/tnamedparams_ro.h"

#include "data/modules/tscmnamedparams_ro.h"

namespace Tarvo::AddIn {

tarvo::HRESULT TNamedParams_RO::GetValue(const char* name, char* buffer, std::int32_t size,
                                         std::int32_t* needed)
{
    return call([&]() -> tarvo::HRESULT {
        if (!name)
            return tarvo::E_POINTER;
        const QString key = QString::fromUtf8(name);
        const std::optional<QString> v = m_params->lookup(key);
        if (!v)
            throw Exception(QStringLiteral("Параметр %1 не настроен").arg(key));
        return tarvo::copyText(v->toStdString(), buffer, size, needed);
    });
}

tarvo::HRESULT TNamedParams_RO::SetValue(const char*, const char*)
{
    return call([]() -> tarvo::HRESULT {
        throw Exception(QStringLiteral("Изменение параметров не поддерживается"));
    });
}

} // namespace Tarvo::AddIn
