// Supplier price-list import: what a module of the type "Импорт прайсов поставщиков"
// (ADDIN_TYPE_PRICE_IMPORT) serves and what the program hands it.
//
// The program asks the module's object for IPriceImport, calls Open, then Eof/ImportRow until
// the end (or until the user stops the run), then always Close. Each ImportRow reports one file
// row through the row importer: AssignProduct (or AssignProductByName) starts the row, the
// setters fill it. Money is fixed point with four decimals (12.5 is 125000).
#pragma once

#include "tarvo/addin.h"

namespace tarvo {

// {34C604E3-2DE4-11D7-96B7-00C0DFF32DB4}
constexpr GUID IID_IPriceImport = {0x34C604E3, 0x2DE4, 0x11D7, {0x96, 0xB7, 0x00, 0xC0, 0xDF, 0xF3, 0x2D, 0xB4}};
// {4826704E-D259-43D5-BE44-9FA45CF96003}
constexpr GUID IID_IPriceOptions = {0x4826704E, 0xD259, 0x43D5, {0xBE, 0x44, 0x9F, 0xA4, 0x5C, 0xF9, 0x60, 0x03}};
// {9FA0F141-7AE5-11D7-8968-00002102A44D}: methods 1-13.
constexpr GUID IID_IRowImporter = {0x9FA0F141, 0x7AE5, 0x11D7, {0x89, 0x68, 0x00, 0x00, 0x21, 0x02, 0xA4, 0x4D}};
// {34C604E4-2DE4-11D7-96B7-00C0DFF32DB4}: methods 1-12 (no Commit).
constexpr GUID IID_IRowImporterNoCommit = {
    0x34C604E4, 0x2DE4, 0x11D7, {0x96, 0xB7, 0x00, 0xC0, 0xDF, 0xF3, 0x2D, 0xB4}};
// {90CAAA85-D7C6-4B12-B5FD-51B961F4A0AC}: methods 1-10, then AssignProductByName.
constexpr GUID IID_IRowImporterByName = {
    0x90CAAA85, 0xD7C6, 0x4B12, {0xB5, 0xFD, 0x51, 0xB9, 0x61, 0xF4, 0xA0, 0xAC}};

// {B1D4E2A7-5C39-4F6E-9A0B-3E7C1D2F8A64}: answered by the row importer as well.
constexpr GUID IID_IPriceImportLog = {0xB1D4E2A7, 0x5C39, 0x4F6E, {0x9A, 0x0B, 0x3E, 0x7C, 0x1D, 0x2F, 0x8A, 0x64}};

// Field codes of the setters.
enum PriceField : std::int32_t
{
    FieldDeliveryDelay = 1, // SetInteger
    FieldMinLot = 2,        // SetCurrency / SetFloat
    FieldPiecesPerPack = 3, // SetCurrency / SetFloat
    FieldChainDelay = 4,    // SetInteger
    FieldName = 5,          // SetString
    FieldExtra1 = 6,        // SetString, up to FieldExtra8 = 13
    FieldExtra8 = 13
};

// The import as configured: the file and which column holds which value.
struct IPriceOptions : IUnknown
{
    virtual HRESULT GetFileName(char* buffer, std::int32_t size, std::int32_t* needed) = 0;
    virtual HRESULT GetColumnCount(std::int32_t* count) = 0;
    // The column number in the file, 0 the first.
    virtual HRESULT GetColumnID(std::int32_t index, std::int32_t* columnId) = 0;
    // "АРТИКУЛ_ПОСТАВЩИКА", "ЦЕНА", "ВАЛЮТА", "ИМЯ_ТОВАРА", ..., or "ЦЕНА:<price kind>".
    virtual HRESULT GetColumnName(std::int32_t index, char* buffer, std::int32_t size, std::int32_t* needed) = 0;
    static constexpr const GUID& iid() { return IID_IPriceOptions; }

protected:
    ~IPriceOptions() = default;
};

// Methods 1-10, common to every row importer interface. A failure code comes with its text
// (IAddInErrorInfo); the run ends when the module's ImportRow returns.
struct IRowImporterSetters : IUnknown
{
    virtual HRESULT SetString(std::int32_t code, const char* text) = 0;
    virtual HRESULT SetInteger(std::int32_t code, std::int32_t value) = 0;
    virtual HRESULT SetCurrency(std::int32_t code, std::int64_t value) = 0;
    virtual HRESULT SetFloat(std::int32_t code, double value) = 0;
    // A named price of the current row.
    virtual HRESULT AddPrice(const char* priceName, std::int64_t value) = 0;
    // Accepted and ignored.
    virtual HRESULT Reserved6(std::int32_t, std::int32_t) = 0;
    virtual HRESULT Reserved7(std::int32_t, std::int32_t) = 0;
    virtual HRESULT Reserved8(std::int32_t, std::int32_t, std::int32_t) = 0;
    virtual HRESULT Reserved9(std::int32_t, std::int32_t, std::int32_t) = 0;
    virtual HRESULT Reserved10() = 0;

protected:
    ~IRowImporterSetters() = default;
};

struct IRowImporterNoCommit : IRowImporterSetters
{
    // The import's supplier; naming another one is refused.
    virtual HRESULT GetSupplierId(const char* text, std::int32_t* supplierId) = 0;
    // Starts a row (name empty).
    virtual HRESULT AssignProduct(std::int32_t supplierId, const char* currency, std::int64_t price,
                                  const char* article) = 0;
    static constexpr const GUID& iid() { return IID_IRowImporterNoCommit; }

protected:
    ~IRowImporterNoCommit() = default;
};

struct IRowImporter : IRowImporterNoCommit
{
    // Called by the program after Close; modules do not call it.
    virtual HRESULT Commit() = 0;
    static constexpr const GUID& iid() { return IID_IRowImporter; }

protected:
    ~IRowImporter() = default;
};

struct IRowImporterByName : IRowImporterSetters
{
    // Starts a row with its name, for the import's supplier.
    virtual HRESULT AssignProductByName(const char* name, const char* currency, std::int64_t price,
                                        const char* article) = 0;
    static constexpr const GUID& iid() { return IID_IRowImporterByName; }

protected:
    ~IRowImporterByName() = default;
};

// A file line the module left out (a bad number, a broken quote, ...): the program lists it with
// the rows it left out itself before the save question.
struct IPriceImportLog : IUnknown
{
    virtual HRESULT ReportLine(std::int64_t line, const char* text) = 0;
    static constexpr const GUID& iid() { return IID_IPriceImportLog; }

protected:
    ~IPriceImportLog() = default;
};

// The module's side.
struct IPriceImport : IUnknown
{
    // Reads the current row, reports it (the importer answers the three row importer IIDs), advances.
    virtual HRESULT ImportRow(IRowImporter* importer) = 0;
    // The rows expected, read once after Open; 0 when unknown.
    virtual HRESULT GetExpectedRows(std::int32_t* rows) = 0;
    virtual HRESULT Open(std::uint64_t window, IConnection* connection, IPriceOptions* options) = 0;
    virtual HRESULT Eof(std::int32_t* atEnd) = 0;
    // Read once after Open; not used.
    virtual HRESULT GetReserved(std::int32_t* value) = 0;
    virtual HRESULT Close() = 0;
    static constexpr const GUID& iid() { return IID_IPriceImport; }

protected:
    ~IPriceImport() = default;
};

} // namespace tarvo
