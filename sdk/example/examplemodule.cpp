// An example module: counts the buyer requests and keeps the figure in the program parameter
// "EXAMPLE_OFFER_COUNT" (menu "Действия" → "Выполнение простых модулей").
//
// Build:  c++ -std=c++17 -shared -fPIC -fvisibility=hidden $(pkg-config --cflags tarvo-addin) \
//             examplemodule.cpp -o example_offer_count.so
// Install: copy the .so into $(pkg-config --variable=moduledir tarvo-addin) or the folder named
//          by "MODULES DIR" in section [CLIENT] of tarvo.ini.
#include <tarvo/addinbase.h>
#include <tarvo/addinsql.h>

#include <string>

namespace {

class Instance final : public tarvo::Aggregated<tarvo::ISimpleAddIn, tarvo::IAddInErrorInfo>
{
public:
    explicit Instance(tarvo::IUnknown* outer) : Aggregated(outer) {}

    tarvo::HRESULT Execute(std::uint64_t, tarvo::IConnection* connection, tarvo::INamedParams*) override
    {
        // The guard turns an exception into a failure code; the program shows its text.
        return m_error.guard([&] {
            tarvo::SqlTransaction transaction(connection);
            tarvo::SqlQuery count(connection, "select count(*) from scm_business_offer");
            count.exec();
            const std::string figure = count.next() ? std::to_string(count.integer(0)) : "0";
            tarvo::SqlQuery update(connection,
                                   "update scm_parametrs set value_nastr = ? where inside_name_nastr = ?");
            update.bind(1, figure).bind(2, std::string("EXAMPLE_OFFER_COUNT")).exec();
            if (update.rowsAffected() == 0) {
                tarvo::SqlQuery insert(
                    connection, "insert into scm_parametrs (inside_name_nastr, value_nastr) values (?, ?)");
                insert.bind(1, std::string("EXAMPLE_OFFER_COUNT")).bind(2, figure).exec();
            }
            transaction.commit();
        });
    }
    tarvo::HRESULT Reserved() override { return tarvo::S_OK; }
    tarvo::HRESULT GetLastError(char* buffer, std::int32_t size) override
    {
        return m_error.writeError(buffer, size);
    }

private:
    tarvo::ErrorText m_error;
};

class Module final : public tarvo::AddInModule
{
protected:
    void registerAddIns(tarvo::IAddInInfo& info) override
    {
        info.RegisterAddIn("Пример: число заявок", 0, &tarvo::ADDIN_TYPE_RUN, nullptr, 0);
    }
    tarvo::IUnknown* makeInstance(tarvo::IUnknown* outer, const std::string&) override
    {
        return (new Instance(outer))->inner();
    }
};

} // namespace

TARVO_ADDIN_MODULE(Module)
