#pragma once

#include "AddIn/hostobject.h"
#include "tarvo/priceimport.h"

namespace Tarvo::Catalog {

class PriceImportSession;

// The row importer of one supplier's import, handed to the module. It answers the three row
// importer interfaces and the line log. A refused call fails with its text and marks the run as
// failed: the run ends when the module's call returns.
class T1PartnerImport final
    : public AddIn::HostObject<tarvo::IRowImporter, tarvo::IRowImporterByName, tarvo::IPriceImportLog>
{
public:
    explicit T1PartnerImport(PriceImportSession& session) : m_session(session) {}

    tarvo::HRESULT QueryInterface(const tarvo::GUID& iid, void** out) override;

    tarvo::HRESULT SetString(std::int32_t code, const char* text) override;
    tarvo::HRESULT SetInteger(std::int32_t code, std::int32_t value) override;
    tarvo::HRESULT SetCurrency(std::int32_t code, std::int64_t value) override;
    tarvo::HRESULT SetFloat(std::int32_t code, double value) override;
    tarvo::HRESULT AddPrice(const char* priceName, std::int64_t value) override;
    tarvo::HRESULT Reserved6(std::int32_t, std::int32_t) override { return tarvo::S_OK; }
    tarvo::HRESULT Reserved7(std::int32_t, std::int32_t) override { return tarvo::S_OK; }
    tarvo::HRESULT Reserved8(std::int32_t, std::int32_t, std::int32_t) override { return tarvo::S_OK; }
    tarvo::HRESULT Reserved9(std::int32_t, std::int32_t, std::int32_t) override { return tarvo::S_OK; }
    tarvo::HRESULT Reserved10() override { return tarvo::S_OK; }
    tarvo::HRESULT GetSupplierId(const char* text, std::int32_t* supplierId) override;
    tarvo::HRESULT AssignProduct(std::int32_t supplierId, const char* currency, std::int64_t price,
                                 const char* article) override;
    tarvo::HRESULT Commit() override;
    tarvo::HRESULT AssignProductByName(const char* name, const char* currency, std::int64_t price,
                                       const char* article) override;
    tarvo::HRESULT ReportLine(std::int64_t line, const char* text) override;

    // The first refusal of a host method in this run; empty when none.
    const QString& hostFailure() const { return m_failure; }

private:
    template <typename F> tarvo::HRESULT guarded(F&& f)
    {
        const tarvo::HRESULT hr = call(std::forward<F>(f));
        if (tarvo::failed(hr) && m_failure.isEmpty())
            m_failure = QString::fromStdString(lastError());
        return hr;
    }

    PriceImportSession& m_session;
    QString m_failure;
};

} // namespace Tarvo::Catalog
