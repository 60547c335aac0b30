// One test module source built in several flavours (TEST_MODE) that misbehave in one way each.
// What a module saw is kept in its log, read by the tests through tarvo_test_log.
#include "tarvo/addinbase.h"

#include <QTimer>

#include <cstdio>
#include <stdexcept>
#include <string>

namespace {

std::string& logText()
{
    static std::string text;
    return text;
}

void log(const std::string& line)
{
    logText() += line + "\n";
}

std::string hex(const std::string& bytes)
{
    std::string out;
    char b[4];
    for (unsigned char c : bytes) {
        std::snprintf(b, sizeof b, "%02X", c);
        out += b;
    }
    return out;
}

// The bytes every flavour registers: a zero, high bytes and a windows-1251 letter.
const std::string initBytes("A\0\x01\xFF\x80\xC0z", 7);

class Instance final
    : public tarvo::Aggregated<tarvo::ISimpleAddIn, tarvo::IProcessingAddIn, tarvo::IAddInErrorInfo>
{
public:
    Instance(tarvo::IUnknown* outer, std::string data) : Aggregated(outer), m_data(std::move(data)) {}

    tarvo::HRESULT Execute(std::uint64_t, tarvo::IConnection* connection,
                           tarvo::INamedParams* params) override
    {
        return m_error.guard([&]() -> tarvo::HRESULT {
            log("execute " + hex(m_data));
#if TEST_MODE_THROW_EXECUTE
            throw std::runtime_error("Модуль упал при выполнении");
#endif
            std::string value;
            const tarvo::HRESULT hr =
                tarvo::readText([&](char* b, std::int32_t s,
                                    std::int32_t* n) { return params->GetValue("TEST_PARAM", b, s, n); },
                                value);
            log("param " + std::to_string(hr) + " " + value);
            tarvo::ComPtr<tarvo::IStatement> st;
            if (tarvo::failed(connection->Begin()))
                throw std::runtime_error("begin failed");
            if (tarvo::failed(connection->Prepare(
                    "insert into scm_parametrs (inside_name_nastr, value_nastr) values (?, ?)", st.put())))
                throw std::runtime_error("prepare failed");
            st->BindText(1, MODULE_NAME);
            st->BindText(2, hex(m_data).c_str());
            if (tarvo::failed(st->Execute())) {
                std::string text;
                tarvo::readText([&](char* b, std::int32_t s,
                                    std::int32_t* n) { return connection->GetLastErrorText(b, s, n); },
                                text);
                throw std::runtime_error("insert failed: " + text);
            }
#if TEST_MODE_LEAVE_OPEN
            return tarvo::S_OK;
#endif
#if TEST_MODE_KEEPER
            tarvo::IConnection* keptConnection = connection;
            keptConnection->AddRef();
            tarvo::INamedParams* keptParams = params;
            keptParams->AddRef();
            // After the call: the program's objects must refuse, not crash.
            QTimer::singleShot(0, [keptConnection, keptParams] {
                std::int32_t engine = 0;
                log("late engine " + std::to_string(keptConnection->GetEngine(&engine)));
                char buffer[8];
                std::int32_t needed = 0;
                log("late param " + std::to_string(keptParams->GetValue("TEST_PARAM", buffer, 8, &needed)));
                keptConnection->Release();
                keptParams->Release();
                log("late done");
            });
#endif
            return connection->Commit();
        });
    }

    tarvo::HRESULT Process(std::uint64_t, tarvo::IConnection* connection, tarvo::IUnknown*,
                           tarvo::IUniDocEnum* documents) override
    {
        return m_error.guard([&] {
            std::int32_t count = 0;
            documents->GetCount(&count);
            for (std::int32_t i = 0; i < count; ++i) {
                std::string name;
                tarvo::readText(
                    [&](char* b, std::int32_t s, std::int32_t* n) { return documents->GetName(i, b, s, n); },
                    name);
                tarvo::ComPtr<tarvo::IUnknown> item;
                documents->GetItem(i, item.put());
                auto doc = item.as<tarvo::IDocIdentifier>();
                if (!doc) {
                    log("entry " + name + (item.as<tarvo::IConnection>() ? " connection" : " other"));
                    continue;
                }
                std::int32_t id = 0;
                doc->GetDocID(&id);
                std::string line = "entry " + name + " " + std::to_string(id) + " list";
                tarvo::ComPtr<tarvo::IListDocument> list;
                doc->GetList(list.put());
                std::int32_t eof = 0;
                for (list->First(); list->GetEof(&eof), !eof; list->Next()) {
                    std::int32_t current = 0;
                    list->GetCurrent(&current);
                    line += " " + std::to_string(current);
                }
                log(line);
            }
            (void)connection;
        });
    }

    tarvo::HRESULT Reserved() override
    {
        return tarvo::S_OK;
    }
    tarvo::HRESULT GetLastError(char* buffer, std::int32_t size) override
    {
        return m_error.writeError(buffer, size);
    }

private:
    std::string m_data;
    tarvo::ErrorText m_error;
};

class Module final : public tarvo::AddInModule
{
protected:
    void registerAddIns(tarvo::IAddInInfo& info) override
    {
#if TEST_MODE_THROW_REGISTER
        throw std::runtime_error("Модуль упал при регистрации");
#endif
        log("register simple " +
            std::to_string(info.RegisterAddIn(MODULE_DESCR, 0, &tarvo::ADDIN_TYPE_RUN, initBytes.data(),
                                              std::int32_t(initBytes.size()))));
        const std::string processing = std::string(MODULE_DESCR) + " (обработка)";
        log("register processing " + std::to_string(info.RegisterAddIn(
                                         processing.c_str(), 0, &tarvo::ADDIN_TYPE_PROCESSING, nullptr, 0)));
        const tarvo::GUID unknown = {0x12345678, 0x1234, 0x1234, {1, 2, 3, 4, 5, 6, 7, 8}};
        log("register unknown " +
            std::to_string(info.RegisterAddIn("Неизвестный тип", 0, &unknown, nullptr, 0)));
        log("register bad length " +
            std::to_string(info.RegisterAddIn("Плохая длина", 0, &tarvo::ADDIN_TYPE_RUN, nullptr, 5)));
#if TEST_MODE_KEEP_INFO
        tarvo::IAddInInfo* kept = &info;
        kept->AddRef();
        QTimer::singleShot(0, [kept] {
            log("late register " +
                std::to_string(kept->RegisterAddIn("Поздно", 0, &tarvo::ADDIN_TYPE_RUN, nullptr, 0)));
            kept->Release();
        });
#endif
    }

    tarvo::IUnknown* makeInstance(tarvo::IUnknown* outer, const std::string& data) override
    {
        log("init " + hex(data));
#if TEST_MODE_THROW_INIT
        throw std::runtime_error("Модуль упал при инициализации");
#endif
#if TEST_MODE_INIT_NULL
        return nullptr;
#endif
#if TEST_MODE_OUTER_REFS
        outer->AddRef();
        outer->AddRef();
        outer->Release();
        outer->Release();
#endif
        return (new Instance(outer, data))->inner();
    }
};

} // namespace

TARVO_ADDIN_MODULE(Module)

TARVO_ADDIN_EXPORT const char* tarvo_test_log()
{
    return logText().c_str();
}
