// Tarvo SCM extension module interfaces.
//
// A module is a shared library exporting DllGetClassObject (and TarvoAddInSdkVersion, given by
// TARVO_ADDIN_MODULE in addinbase.h). Interfaces are reference counted and found by their GUIDs;
// methods return HRESULT codes and never let a C++ exception out. Strings are UTF-8, zero
// terminated. A buffer's size is always the whole buffer, terminating zero included.
// This header needs nothing but the C++ standard library.
#pragma once

#include <cstdint>
#include <cstring>

#define TARVO_ADDIN_SDK_VERSION 1

namespace tarvo {

using HRESULT = std::int32_t;

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = HRESULT(0x80004001u);
constexpr HRESULT E_NOINTERFACE = HRESULT(0x80004002u);
constexpr HRESULT E_POINTER = HRESULT(0x80004003u);
constexpr HRESULT E_FAIL = HRESULT(0x80004005u);
constexpr HRESULT E_UNEXPECTED = HRESULT(0x8000FFFFu);
constexpr HRESULT E_OUTOFMEMORY = HRESULT(0x8007000Eu);
constexpr HRESULT E_INVALIDARG = HRESULT(0x80070057u);
// The text did not fit: the buffer holds a terminated prefix, `needed` the whole size.
constexpr HRESULT E_NOT_SUFFICIENT_BUFFER = HRESULT(0x8007007Au);
constexpr HRESULT CLASS_E_NOAGGREGATION = HRESULT(0x80040110u);
constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = HRESULT(0x80040111u);
// An object the program handed out is used after the call it belonged to ended.
constexpr HRESULT RPC_E_DISCONNECTED = HRESULT(0x80010108u);

inline bool succeeded(HRESULT hr)
{
    return hr >= 0;
}
inline bool failed(HRESULT hr)
{
    return hr < 0;
}

// Data1..3 are stored in the machine's byte order, as the program's blobs keep them.
struct GUID
{
    std::uint32_t Data1;
    std::uint16_t Data2;
    std::uint16_t Data3;
    std::uint8_t Data4[8];
};

inline bool operator==(const GUID& a, const GUID& b)
{
    return std::memcmp(&a, &b, sizeof(GUID)) == 0;
}
inline bool operator!=(const GUID& a, const GUID& b)
{
    return !(a == b);
}

// {00000000-0000-0000-C000-000000000046}
constexpr GUID IID_IUnknown = {0x00000000, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
// {00000001-0000-0000-C000-000000000046}
constexpr GUID IID_IClassFactory = {
    0x00000001, 0x0000, 0x0000, {0xC0, 0x00, 0x00, 0x00, 0x00, 0x00, 0x00, 0x46}};
// The class every module library serves.
constexpr GUID CLSID_AddIn = {0x33CAA45F, 0xE980, 0x4EA3, {0xB8, 0x4C, 0x68, 0x68, 0x2F, 0x80, 0xDE, 0x49}};
constexpr GUID IID_IAddIn = {0xD87235D3, 0x9BD6, 0x4F75, {0x98, 0x3F, 0xEB, 0x79, 0xD8, 0xA2, 0xFE, 0x00}};
constexpr GUID IID_IAddInInfo = {
    0x2B09C9EF, 0xC6DD, 0x40C6, {0xA5, 0x3A, 0xC2, 0x40, 0x5E, 0x55, 0xB4, 0xDD}};
constexpr GUID IID_IAddInErrorInfo = {
    0xD9BC25DA, 0xC87A, 0x475C, {0x8A, 0xF7, 0x4B, 0xD4, 0x3C, 0x83, 0x9F, 0x0A}};

// Module types: what a module is for.
constexpr GUID ADDIN_TYPE_RUN = {
    0x709AFBA1, 0x1D0D, 0x4FA3, {0xBE, 0x78, 0x3D, 0xA0, 0x9B, 0xD7, 0x1E, 0xF2}};
constexpr GUID ADDIN_TYPE_DOCUMENT = {
    0xF302A2BC, 0x7C72, 0x450A, {0x97, 0x52, 0xE3, 0x80, 0xA7, 0x6E, 0x00, 0x3E}};
constexpr GUID ADDIN_TYPE_PROCESSING = {
    0xF14A544D, 0xDD8B, 0x4699, {0x80, 0xDC, 0xB4, 0x39, 0xB6, 0x9A, 0x79, 0x5D}};
constexpr GUID ADDIN_TYPE_PARCEL = {
    0x46010E48, 0x5629, 0x429E, {0xBF, 0xB5, 0xA1, 0xA0, 0x1E, 0x36, 0x73, 0xE1}};
constexpr GUID ADDIN_TYPE_PRICE_IMPORT = {
    0x81E84845, 0x7220, 0x4356, {0x9B, 0xBF, 0x15, 0x1F, 0xAD, 0xBF, 0x98, 0xAF}};
constexpr GUID ADDIN_TYPE_ORDER_FILL = {
    0xFA958E02, 0x0CB3, 0x43EA, {0x8B, 0xEE, 0xCD, 0x02, 0x15, 0x84, 0x73, 0x3A}};

// Program actions a module can be bound to.
constexpr GUID ACTION_PRINT_SUPPLIER_ORDER = {
    0xA405C6F2, 0x3224, 0x4AF8, {0x89, 0xBF, 0xC2, 0x01, 0x67, 0x55, 0x44, 0x7E}};
constexpr GUID ACTION_ORDER_GOODS = {
    0xD2C10CB1, 0x15D4, 0x4299, {0xBD, 0x94, 0x8E, 0x5B, 0x54, 0x4E, 0xFE, 0x26}};
constexpr GUID ACTION_REORDER_GOODS = {
    0xBB561866, 0xA7D4, 0x4A16, {0x8C, 0xEC, 0xDA, 0x8A, 0xBB, 0xCF, 0xF9, 0x17}};
constexpr GUID ACTION_FORM_ORDERS = {
    0x77531B1F, 0xF253, 0x41A0, {0x9C, 0xD8, 0xD8, 0xB2, 0x90, 0x93, 0x24, 0x2C}};
constexpr GUID ACTION_PROCESS_ORDER = {
    0xFB22DDC3, 0x0EEC, 0x4E17, {0x8D, 0x9A, 0xDC, 0x60, 0x91, 0x35, 0xBB, 0xE7}};
constexpr GUID ACTION_PROCESS_INVOICE = {
    0x5192BAE2, 0x51FC, 0x410C, {0xBF, 0xA0, 0xF8, 0x1B, 0x11, 0xBE, 0x09, 0x0E}};
constexpr GUID ACTION_PROCESS_OFFER = {
    0x33BBBC8A, 0xA7EA, 0x4038, {0xA4, 0x78, 0xA1, 0x4A, 0xBA, 0x03, 0xD6, 0xF6}};
constexpr GUID ACTION_PROCESS_ACCEPTED_ORDER = {
    0xE3264732, 0xB37B, 0x405C, {0xA7, 0xC8, 0x1C, 0x81, 0xE1, 0xF9, 0xDE, 0xE2}};
constexpr GUID ACTION_PROCESS_PARCEL = {
    0x5F106417, 0x0238, 0x4F5D, {0xA7, 0xEA, 0xED, 0xFF, 0x35, 0x0A, 0x80, 0x3C}};

constexpr GUID IID_ISimpleAddIn = {
    0x4C0F30C8, 0x4B5B, 0x40E6, {0xBE, 0xF0, 0xC6, 0xD6, 0x51, 0x9A, 0xB0, 0x98}};
constexpr GUID IID_IDocAddIn = {0xD562DB2A, 0xDDB3, 0x46F1, {0x9F, 0xF0, 0xD5, 0x15, 0xB5, 0xB0, 0x5D, 0x5B}};
constexpr GUID IID_IProcessingAddIn = {
    0xF530B63B, 0x7EF7, 0x4787, {0x8A, 0x30, 0x9D, 0xFF, 0x90, 0x9E, 0x51, 0x9E}};
constexpr GUID IID_IParcelAddIn = {
    0xA307EFD9, 0xC7EA, 0x4C4F, {0x8D, 0x96, 0xD5, 0x6D, 0xFF, 0x06, 0xA3, 0x7D}};
constexpr GUID IID_IDocIdentifier = {
    0xA4876E17, 0x45BC, 0x4789, {0x8F, 0xEA, 0x84, 0xE9, 0xA3, 0x28, 0xBB, 0xA5}};
constexpr GUID IID_IListDocument = {
    0x8284301B, 0xF8AF, 0x41D1, {0xBB, 0xC6, 0xEB, 0x77, 0x0E, 0x8C, 0x1F, 0x2D}};
constexpr GUID IID_IUniDocEnum = {
    0xBC8A7D44, 0x2A0E, 0x4F8F, {0x85, 0x8C, 0xCE, 0x4E, 0x69, 0x53, 0x3E, 0xD3}};
constexpr GUID IID_IOneUniq = {0xC75B96B2, 0xD66C, 0x4BEC, {0x9A, 0x7A, 0xE7, 0x5F, 0xE8, 0xF0, 0x08, 0xC2}};
constexpr GUID IID_INamedParams = {
    0xF99A7873, 0x578A, 0x48C2, {0xA0, 0x72, 0x10, 0x24, 0xC1, 0x96, 0x80, 0x5A}};
// The program's database connection and its statements.
constexpr GUID IID_IConnection = {
    0x6B3E2D51, 0x8C47, 0x4F0A, {0x9E, 0x21, 0x5D, 0x7A, 0x3C, 0x18, 0xB4, 0x60}};
constexpr GUID IID_IStatement = {
    0x6B3E2D52, 0x8C47, 0x4F0A, {0x9E, 0x21, 0x5D, 0x7A, 0x3C, 0x18, 0xB4, 0x60}};

// Automation boolean.
constexpr std::int32_t VARIANT_TRUE = -1;
constexpr std::int32_t VARIANT_FALSE = 0;

struct IUnknown
{
    virtual HRESULT QueryInterface(const GUID& iid, void** object) = 0;
    virtual std::uint32_t AddRef() = 0;
    virtual std::uint32_t Release() = 0;
    static constexpr const GUID& iid() { return IID_IUnknown; }

protected:
    ~IUnknown() = default;
};

struct IClassFactory : IUnknown
{
    virtual HRESULT CreateInstance(IUnknown* outer, const GUID& iid, void** object) = 0;
    virtual HRESULT LockServer(std::int32_t lock) = 0;
    static constexpr const GUID& iid() { return IID_IClassFactory; }

protected:
    ~IClassFactory() = default;
};

// Given to Register: the module tells the program what it offers, any number of times.
struct IAddInInfo : IUnknown
{
    // S_OK when the type is known and the module was listed, S_FALSE when the type is unknown.
    // `data` (may hold zero bytes) comes back to Init at every run; valid only during discovery.
    virtual HRESULT RegisterAddIn(const char* descr, std::int32_t reserved, const GUID* typeId,
                                  const void* data, std::int32_t dataLen) = 0;
    static constexpr const GUID& iid() { return IID_IAddInInfo; }

protected:
    ~IAddInInfo() = default;
};

// The object the class factory makes.
struct IAddIn : IUnknown
{
    virtual HRESULT Register(IAddInInfo* info) = 0;
    // `outer` controls the lifetime of what the module hands out; `inner` receives the module's
    // own (non-delegating) object. An empty InitData is a null pointer with length 0.
    virtual HRESULT Init(IUnknown* outer, const void* data, std::int32_t dataLen, IUnknown** inner) = 0;
    static constexpr const GUID& iid() { return IID_IAddIn; }

protected:
    ~IAddIn() = default;
};

// The text of the last failure, on module objects and on the program's objects alike.
struct IAddInErrorInfo : IUnknown
{
    virtual HRESULT Reserved() = 0;
    virtual HRESULT GetLastError(char* buffer, std::int32_t size) = 0;
    static constexpr const GUID& iid() { return IID_IAddInErrorInfo; }

protected:
    ~IAddInErrorInfo() = default;
};

struct IStatement;

// The program's own connection: the engine, statements with "?" parameters, transactions. Use it
// on the thread that called the module only.
struct IConnection : IUnknown
{
    enum Engine : std::int32_t
    {
        EngineSqlite = 1,
        EnginePostgresql = 2
    };
    virtual HRESULT GetEngine(std::int32_t* engine) = 0;
    virtual HRESULT Prepare(const char* sql, IStatement** statement) = 0;
    // Nested begins are savepoints; depth 0 is no open transaction.
    virtual HRESULT Begin() = 0;
    virtual HRESULT Commit() = 0;
    virtual HRESULT Rollback() = 0;
    virtual HRESULT GetTransactionDepth(std::int32_t* depth) = 0;
    // The Russian message of the last failure on this connection object.
    virtual HRESULT GetLastErrorText(char* buffer, std::int32_t size, std::int32_t* needed) = 0;
    static constexpr const GUID& iid() { return IID_IConnection; }

protected:
    ~IConnection() = default;
};

// Parameters are numbered from 1, columns from 0. Decimal values read as text use a point.
struct IStatement : IUnknown
{
    virtual HRESULT BindNull(std::int32_t index) = 0;
    virtual HRESULT BindInt64(std::int32_t index, std::int64_t value) = 0;
    virtual HRESULT BindDouble(std::int32_t index, double value) = 0;
    // A decimal number written with a point ("12.3456"): stored exactly.
    virtual HRESULT BindDecimal(std::int32_t index, const char* value) = 0;
    virtual HRESULT BindText(std::int32_t index, const char* value) = 0;
    // "YYYY-MM-DD" or "YYYY-MM-DDTHH:MM:SS", local time.
    virtual HRESULT BindDateTime(std::int32_t index, const char* value) = 0;
    virtual HRESULT Execute() = 0;
    // *hasRow: 1 on a row, 0 after the last.
    virtual HRESULT Next(std::int32_t* hasRow) = 0;
    virtual HRESULT GetColumnCount(std::int32_t* count) = 0;
    virtual HRESULT GetColumnName(std::int32_t column, char* buffer, std::int32_t size,
                                  std::int32_t* needed) = 0;
    virtual HRESULT IsNull(std::int32_t column, std::int32_t* isNull) = 0;
    virtual HRESULT GetInt64(std::int32_t column, std::int64_t* value) = 0;
    virtual HRESULT GetDouble(std::int32_t column, double* value) = 0;
    virtual HRESULT GetText(std::int32_t column, char* buffer, std::int32_t size, std::int32_t* needed) = 0;
    virtual HRESULT GetRowsAffected(std::int64_t* rows) = 0;
    static constexpr const GUID& iid() { return IID_IStatement; }

protected:
    ~IStatement() = default;
};

// Read-only program parameters by name (names compare without case).
struct INamedParams : IUnknown
{
    virtual HRESULT GetValue(const char* name, char* buffer, std::int32_t size, std::int32_t* needed) = 0;
    // Always fails: parameters are not changed by modules.
    virtual HRESULT SetValue(const char* name, const char* value) = 0;
    static constexpr const GUID& iid() { return IID_INamedParams; }

protected:
    ~INamedParams() = default;
};

struct IListDocument;

// A document and the list it was chosen in.
struct IDocIdentifier : IUnknown
{
    virtual HRESULT GetDocID(std::int32_t* value) = 0;
    // The same enumerator on every call; its cursor is its own, not the user's.
    virtual HRESULT GetList(IListDocument** value) = 0;
    static constexpr const GUID& iid() { return IID_IDocIdentifier; }

protected:
    ~IDocIdentifier() = default;
};

struct IListDocument : IUnknown
{
    virtual HRESULT First() = 0;
    virtual HRESULT Next() = 0;
    // VARIANT_TRUE past the last row.
    virtual HRESULT GetEof(std::int32_t* value) = 0;
    virtual HRESULT GetCurrent(std::int32_t* value) = 0;
    static constexpr const GUID& iid() { return IID_IListDocument; }

protected:
    ~IListDocument() = default;
};

// Named objects handed to a processing module ("Order", "Delivery", "Offer", "dbConn").
struct IUniDocEnum : IUnknown
{
    virtual HRESULT GetCount(std::int32_t* count) = 0;
    virtual HRESULT GetName(std::int32_t index, char* buffer, std::int32_t size, std::int32_t* needed) = 0;
    virtual HRESULT GetItem(std::int32_t index, IUnknown** item) = 0;
    static constexpr const GUID& iid() { return IID_IUniDocEnum; }

protected:
    ~IUniDocEnum() = default;
};

// One document id, given once.
struct IOneUniq : IUnknown
{
    virtual HRESULT GetEof(std::int32_t* value) = 0;
    virtual HRESULT Next(std::int32_t* docId) = 0;
    static constexpr const GUID& iid() { return IID_IOneUniq; }

protected:
    ~IOneUniq() = default;
};

// The module interfaces the program calls. `window` is the main window's native handle.
struct ISimpleAddIn : IUnknown
{
    virtual HRESULT Execute(std::uint64_t window, IConnection* connection, INamedParams* params) = 0;
    static constexpr const GUID& iid() { return IID_ISimpleAddIn; }

protected:
    ~ISimpleAddIn() = default;
};

struct IDocAddIn : IUnknown
{
    virtual HRESULT Process(std::uint64_t window, IConnection* connection, IOneUniq* documents,
                            INamedParams* params) = 0;
    static constexpr const GUID& iid() { return IID_IDocAddIn; }

protected:
    ~IDocAddIn() = default;
};

struct IProcessingAddIn : IUnknown
{
    // `reserved` is null.
    virtual HRESULT Process(std::uint64_t window, IConnection* connection, IUnknown* reserved,
                            IUniDocEnum* documents) = 0;
    static constexpr const GUID& iid() { return IID_IProcessingAddIn; }

protected:
    ~IProcessingAddIn() = default;
};

struct IParcelAddIn : IUnknown
{
    virtual HRESULT Process(std::uint64_t window, IConnection* connection, const std::int32_t* parcels,
                            std::int32_t count, INamedParams* params) = 0;
    static constexpr const GUID& iid() { return IID_IParcelAddIn; }

protected:
    ~IParcelAddIn() = default;
};

} // namespace tarvo

// What a module library exports (TARVO_ADDIN_MODULE defines them).
extern "C" {
using TarvoDllGetClassObject = tarvo::HRESULT (*)(const tarvo::GUID* clsid, const tarvo::GUID* iid,
                                                  void** object);
// The absolute UTF-8 path of the folder "exp" beside the module; optional.
using TarvoSetAppDir = void (*)(const char* directory);
using TarvoAddInSdkVersionFunction = std::int32_t (*)();
}
