// "Импорт прайсов поставщиков": supplier price files in CSV/TXT (encoding from the file or
// forced) and Excel (.xlsx, .xls). The columns come from the import's mapping; the rows before
// the first numeric price are a heading.
#include "csvpricereader.h"
#include "pricenumber.h"
#include "pricetable.h"
#include "xlspricereader.h"
#include "xlsxpricereader.h"

#include "tarvo/addinbase.h"
#include "tarvo/priceimport.h"

#include <QFile>

#include <algorithm>
#include <map>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>

namespace {

using priceimport::parseInteger;
using priceimport::parseMoney;
using priceimport::trim;

std::string lower(std::string s)
{
    std::transform(s.begin(), s.end(), s.begin(), [](unsigned char c) { return char(std::tolower(c)); });
    return s;
}

// Rouble spellings are the program's empty currency code.
std::string currencyCode(std::string_view cell)
{
    const std::string s(trim(cell));
    const std::string l = lower(s);
    if (l == "rub" || l == "rur" || s == "руб" || s == "руб." || s == "Руб" || s == "Руб." || s == "РУБ" ||
        s == "р." || s == "Р." || s == "р" || s == "₽")
        return {};
    return s;
}

struct Mapping
{
    int article = -1, price = -1, currency = -1, name = -1;
    int delivery = -1, minLot = -1, pack = -1, chain = -1;
    int extra[8] = {-1, -1, -1, -1, -1, -1, -1, -1};
    std::vector<std::pair<std::string, int>> prices;
};

std::string readString(const std::function<tarvo::HRESULT(char*, std::int32_t, std::int32_t*)>& f)
{
    std::string out;
    if (tarvo::failed(tarvo::readText(f, out)))
        throw std::runtime_error("Не удалось прочитать настройку импорта");
    return out;
}

Mapping readMapping(tarvo::IPriceOptions* options)
{
    Mapping m;
    std::int32_t count = 0;
    if (tarvo::failed(options->GetColumnCount(&count)))
        throw std::runtime_error("Не удалось прочитать настройку колонок");
    for (std::int32_t i = 0; i < count; ++i) {
        std::int32_t id = 0;
        if (tarvo::failed(options->GetColumnID(i, &id)) || id < 0)
            throw std::runtime_error("Неверный номер колонки в настройке импорта");
        const std::string name = readString(
            [&](char* b, std::int32_t s, std::int32_t* n) { return options->GetColumnName(i, b, s, n); });
        static const std::string pricePrefix = "ЦЕНА:";
        if (name == "АРТИКУЛ_ПОСТАВЩИКА")
            m.article = id;
        else if (name == "ЦЕНА")
            m.price = id;
        else if (name == "ВАЛЮТА")
            m.currency = id;
        else if (name == "ИМЯ_ТОВАРА")
            m.name = id;
        else if (name == "ЗАДЕРЖКА_ВЫПОЛНЕНИЯ")
            m.delivery = id;
        else if (name == "МИН_ПАРТИЯ")
            m.minLot = id;
        else if (name == "КОЛВО_В_УПАК")
            m.pack = id;
        else if (name == "ВРЕМЯ_В_ПУТИ")
            m.chain = id;
        else if (name.rfind("ДОП", 0) == 0 && name.size() == 7 && name[6] >= '1' && name[6] <= '8')
            m.extra[name[6] - '1'] = id;
        else if (name.rfind(pricePrefix, 0) == 0 && name.size() > pricePrefix.size())
            m.prices.push_back({std::string(trim(name.substr(pricePrefix.size()))), id});
    }
    if (m.article < 0)
        throw std::runtime_error("В настройке колонок нет колонки «АРТИКУЛ_ПОСТАВЩИКА»");
    if (m.price < 0 && m.prices.empty())
        throw std::runtime_error("В настройке колонок нет ни колонки «ЦЕНА», ни колонки «ЦЕНА:<вид цены>»");
    return m;
}

bool endsWith(const std::string& s, const char* tail)
{
    const std::string t = tail;
    return s.size() >= t.size() && lower(s.substr(s.size() - t.size())) == t;
}

class PriceFileImport final : public tarvo::Aggregated<tarvo::IPriceImport, tarvo::IAddInErrorInfo>
{
public:
    PriceFileImport(tarvo::IUnknown* outer, std::string kind) : Aggregated(outer), m_kind(std::move(kind)) {}

    tarvo::HRESULT Open(std::uint64_t, tarvo::IConnection*, tarvo::IPriceOptions* options) override
    {
        return m_error.guard([&]() -> tarvo::HRESULT {
            if (!options)
                return tarvo::E_POINTER;
            const std::string path = readString(
                [&](char* b, std::int32_t s, std::int32_t* n) { return options->GetFileName(b, s, n); });
            m_map = readMapping(options);
            m_table = openTable(path);
            advance();
            return tarvo::S_OK;
        });
    }

    tarvo::HRESULT GetExpectedRows(std::int32_t* rows) override
    {
        if (!rows)
            return tarvo::E_POINTER;
        const std::int64_t n = m_table ? m_table->expectedRows() : 0;
        *rows = std::int32_t(std::min<std::int64_t>(n, INT32_MAX));
        return tarvo::S_OK;
    }
    tarvo::HRESULT GetReserved(std::int32_t* value) override
    {
        if (!value)
            return tarvo::E_POINTER;
        *value = 0;
        return tarvo::S_OK;
    }

    tarvo::HRESULT Eof(std::int32_t* atEnd) override
    {
        if (!atEnd)
            return tarvo::E_POINTER;
        *atEnd = m_next ? 0 : 1;
        return tarvo::S_OK;
    }

    tarvo::HRESULT ImportRow(tarvo::IRowImporter* importer) override
    {
        return m_error.guard([&]() -> tarvo::HRESULT {
            if (!importer)
                return tarvo::E_POINTER;
            if (!m_next)
                throw std::runtime_error("Строк в файле больше нет");
            tarvo::ComPtr<tarvo::IRowImporter> holder(importer);
            m_log = holder.as<tarvo::IPriceImportLog>();
            flushProblems();
            const priceimport::PriceRecord record = std::move(*m_next);
            tarvo::HRESULT hr = importRecord(importer, record);
            if (tarvo::succeeded(hr)) {
                advance();
                flushProblems();
            }
            m_log.reset();
            return hr;
        });
    }

    tarvo::HRESULT Close() override
    {
        m_next.reset();
        m_table.reset();
        m_file.reset();
        return tarvo::S_OK;
    }

    tarvo::HRESULT Reserved() override { return tarvo::S_OK; }
    tarvo::HRESULT GetLastError(char* buffer, std::int32_t size) override { return m_error.writeError(buffer, size); }

private:
    std::unique_ptr<priceimport::PriceTable> openTable(const std::string& path)
    {
        const QString name = QString::fromStdString(path);
        const bool excel = m_kind == "excel" || (m_kind == "auto" && (endsWith(path, ".xlsx") || endsWith(path, ".xls")));
        if (excel && endsWith(path, ".xls"))
            return std::make_unique<priceimport::XlsPriceReader>(path);
        if (excel)
            return std::make_unique<priceimport::XlsxPriceReader>(path);
        m_file = std::make_unique<QFile>(name);
        if (!m_file->open(QIODevice::ReadOnly))
            throw std::runtime_error("Файл прайса «" + path + "» не открывается: " + m_file->errorString().toStdString());
        using E = priceimport::CsvPriceReader::Encoding;
        E e = E::Auto;
        if (m_kind == "csv:utf-8")
            e = E::Utf8;
        else if (m_kind == "csv:windows-1251")
            e = E::Windows1251;
        else if (m_kind == "csv:utf-16")
            e = E::Utf16LE;
        return std::make_unique<priceimport::CsvPriceReader>(*m_file, e);
    }

    void advance()
    {
        priceimport::PriceRecord r;
        if (m_table && m_table->next(r))
            m_next = std::move(r);
        else
            m_next.reset();
    }

    void flushProblems()
    {
        if (!m_table || !m_log)
            return;
        for (const auto& p : m_table->problems())
            m_log->ReportLine(p.line, p.text.c_str());
        m_table->problems().clear();
    }

    void report(std::int64_t line, const std::string& text)
    {
        if (m_log)
            m_log->ReportLine(line, text.c_str());
    }

    static std::string_view cell(const priceimport::PriceRecord& r, int column)
    {
        return column >= 0 && std::size_t(column) < r.cells.size() ? trim(r.cells[std::size_t(column)])
                                                                   : std::string_view();
    }

    tarvo::HRESULT importRecord(tarvo::IRowImporter* importer, const priceimport::PriceRecord& r)
    {
        if (std::all_of(r.cells.begin(), r.cells.end(), [](const std::string& c) { return trim(c).empty(); }))
            return tarvo::S_OK;
        const int priceColumn = m_map.price >= 0 ? m_map.price : m_map.prices.front().second;
        const std::string_view priceText = cell(r, priceColumn);
        std::optional<std::int64_t> price = parseMoney(priceText);
        if (!price) {
            if (!m_dataSeen)
                return tarvo::S_OK; // still the heading
            report(r.line, priceText.empty() ? "нет цены; строка пропущена"
                                             : "цена «" + std::string(priceText) + "» не является числом; строка пропущена");
            return tarvo::S_OK;
        }
        m_dataSeen = true;
        if (m_map.price < 0)
            price = 0;

        const auto number = [&](int column, const char* what, auto parse, auto& out) {
            const std::string_view t = cell(r, column);
            if (t.empty())
                return true;
            out = parse(t);
            if (!out) {
                report(r.line, std::string(what) + " «" + std::string(t) + "» не является числом; строка пропущена");
                return false;
            }
            return true;
        };
        std::optional<std::int32_t> delivery, chain;
        std::optional<std::int64_t> minLot, pack;
        if (!number(m_map.delivery, "ЗАДЕРЖКА_ВЫПОЛНЕНИЯ", parseInteger, delivery) ||
            !number(m_map.chain, "ВРЕМЯ_В_ПУТИ", parseInteger, chain) ||
            !number(m_map.minLot, "МИН_ПАРТИЯ", parseMoney, minLot) ||
            !number(m_map.pack, "КОЛВО_В_УПАК", parseMoney, pack))
            return tarvo::S_OK;
        std::vector<std::pair<std::string, std::int64_t>> named;
        for (const auto& [kind, column] : m_map.prices) {
            std::optional<std::int64_t> v;
            if (!number(column, ("ЦЕНА:" + kind).c_str(), parseMoney, v))
                return tarvo::S_OK;
            if (v)
                named.push_back({kind, *v});
        }

        tarvo::ComPtr<tarvo::IRowImporterByName> byName = tarvo::ComPtr<tarvo::IRowImporter>(importer).as<tarvo::IRowImporterByName>();
        const std::string name(cell(r, m_map.name));
        const std::string currency = currencyCode(cell(r, m_map.currency));
        const std::string article(cell(r, m_map.article));
        // Without a name column the row leaves the stored name as it is.
        tarvo::HRESULT hr = tarvo::E_NOINTERFACE;
        if (m_map.name >= 0 && byName) {
            hr = byName->AssignProductByName(name.c_str(), currency.c_str(), *price, article.c_str());
        } else {
            std::int32_t supplier = 0;
            hr = importer->GetSupplierId("", &supplier);
            if (tarvo::succeeded(hr))
                hr = importer->AssignProduct(supplier, currency.c_str(), *price, article.c_str());
        }
        if (tarvo::failed(hr))
            return hr;
        const auto ok = [&](tarvo::HRESULT h) {
            hr = h;
            return tarvo::succeeded(h);
        };
        if (delivery && !ok(importer->SetInteger(tarvo::FieldDeliveryDelay, *delivery)))
            return hr;
        if (chain && !ok(importer->SetInteger(tarvo::FieldChainDelay, *chain)))
            return hr;
        if (minLot && !ok(importer->SetCurrency(tarvo::FieldMinLot, *minLot)))
            return hr;
        if (pack && !ok(importer->SetCurrency(tarvo::FieldPiecesPerPack, *pack)))
            return hr;
        for (int i = 0; i < 8; ++i)
            if (m_map.extra[i] >= 0 && !ok(importer->SetString(tarvo::FieldExtra1 + i,
                                                                std::string(cell(r, m_map.extra[i])).c_str())))
                return hr;
        for (const auto& [kind, value] : named)
            if (!ok(importer->AddPrice(kind.c_str(), value)))
                return hr;
        return tarvo::S_OK;
    }

    std::string m_kind;
    tarvo::ErrorText m_error;
    Mapping m_map;
    std::unique_ptr<QFile> m_file;
    std::unique_ptr<priceimport::PriceTable> m_table;
    std::optional<priceimport::PriceRecord> m_next;
    tarvo::ComPtr<tarvo::IPriceImportLog> m_log;
    bool m_dataSeen = false;
};

class PriceFileModule final : public tarvo::AddInModule
{
protected:
    void registerAddIns(tarvo::IAddInInfo& info) override
    {
        const std::pair<const char*, const char*> variants[] = {
            {"Прайс-лист CSV/TXT (кодировка по файлу)", "csv"},
            {"Прайс-лист CSV/TXT в UTF-8", "csv:utf-8"},
            {"Прайс-лист CSV/TXT в windows-1251", "csv:windows-1251"},
            {"Прайс-лист CSV/TXT в UTF-16", "csv:utf-16"},
            {"Прайс-лист Excel (.xlsx, .xls)", "excel"},
        };
        for (const auto& [descr, kind] : variants)
            info.RegisterAddIn(descr, 0, &tarvo::ADDIN_TYPE_PRICE_IMPORT, kind, std::int32_t(std::strlen(kind)));
    }
    tarvo::IUnknown* makeInstance(tarvo::IUnknown* outer, const std::string& initData) override
    {
        return (new PriceFileImport(outer, initData.empty() ? "auto" : initData))->inner();
    }
};

} // namespace

TARVO_ADDIN_MODULE(PriceFileModule)
