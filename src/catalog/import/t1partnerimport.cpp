#include "catalog/import/t1partnerimport.h"

#include "catalog/import/priceimportsession.h"

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Catalog {

namespace {

QString text(const char* s)
{
    return s ? QString::fromUtf8(s) : QString();
}

} // namespace

tarvo::HRESULT T1PartnerImport::QueryInterface(const tarvo::GUID& iid, void** out)
{
    // Methods 1-12 are the first slots of the full interface.
    if (out && iid == tarvo::IID_IRowImporterNoCommit) {
        *out = static_cast<tarvo::IRowImporterNoCommit*>(static_cast<tarvo::IRowImporter*>(this));
        AddRef();
        return tarvo::S_OK;
    }
    return HostObject::QueryInterface(iid, out);
}

tarvo::HRESULT T1PartnerImport::SetString(std::int32_t code, const char* value)
{
    return guarded([&] { m_session.setString(code, text(value)); });
}

tarvo::HRESULT T1PartnerImport::SetInteger(std::int32_t code, std::int32_t value)
{
    return guarded([&] { m_session.setInteger(code, value); });
}

tarvo::HRESULT T1PartnerImport::SetCurrency(std::int32_t code, std::int64_t value)
{
    return guarded([&] { m_session.setMoney(code, Money::fromRaw(value)); });
}

tarvo::HRESULT T1PartnerImport::SetFloat(std::int32_t code, double value)
{
    return guarded([&] { m_session.setFloat(code, value); });
}

tarvo::HRESULT T1PartnerImport::AddPrice(const char* priceName, std::int64_t value)
{
    return guarded([&] { m_session.addPrice(text(priceName), Money::fromRaw(value)); });
}

tarvo::HRESULT T1PartnerImport::GetSupplierId(const char* value, std::int32_t* supplierId)
{
    return guarded([&] {
        if (!supplierId)
            return tarvo::E_POINTER;
        if (!m_session.isOwnSupplier(text(value)))
            throw Exception(u"Импорт выполняется для поставщика «%1»; поставщик «%2» не может быть указан"_s.arg(
                m_session.supplierNUser(), text(value)));
        *supplierId = m_session.supplierId();
        return tarvo::S_OK;
    });
}

tarvo::HRESULT T1PartnerImport::AssignProduct(std::int32_t supplierId, const char* currency, std::int64_t price,
                                              const char* article)
{
    return guarded([&] {
        if (supplierId != m_session.supplierId())
            throw Exception(u"Импорт выполняется для поставщика «%1» (код %2); указан код %3"_s.arg(
                m_session.supplierNUser(), QString::number(m_session.supplierId()), QString::number(supplierId)));
        m_session.assignProduct(text(article), {}, text(currency), Money::fromRaw(price), false);
    });
}

tarvo::HRESULT T1PartnerImport::AssignProductByName(const char* name, const char* currency, std::int64_t price,
                                                    const char* article)
{
    return guarded(
        [&] { m_session.assignProduct(text(article), text(name), text(currency), Money::fromRaw(price), true); });
}

tarvo::HRESULT T1PartnerImport::Commit()
{
    return guarded([&]() -> tarvo::HRESULT {
        throw Exception(u"Сохранение импорта выполняет программа после закрытия файла модулем"_s);
    });
}

tarvo::HRESULT T1PartnerImport::ReportLine(std::int64_t line, const char* value)
{
    return call([&] { m_session.reportLine(line, text(value)); });
}

} // namespace Tarvo::Catalog
