#pragma once

#include "core/exception.h"
#include "tarvo/addinbase.h"

#include <QCoreApplication>
#include <QThread>

namespace Tarvo::AddIn {

// Base of the objects the program hands to modules: every method runs through call(), so a
// failure reaches the module as a code with its Russian text in IAddInErrorInfo, never as an
// exception. After the module's call ends the program disconnects them: a module that kept a
// reference (from a timer, say) gets a refusal instead of reaching objects that are gone.
template <typename... Interfaces>
class HostObject : public tarvo::Object<Interfaces..., tarvo::IAddInErrorInfo>
{
public:
    tarvo::HRESULT Reserved() override { return tarvo::S_OK; }
    tarvo::HRESULT GetLastError(char* buffer, std::int32_t size) override
    {
        return m_error.writeError(buffer, size);
    }

    void disconnect()
    {
        if (!m_connected)
            return;
        m_connected = false;
        disconnected();
    }
    bool isConnected() const { return m_connected; }
    const std::string& lastError() const { return m_error.lastError(); }

protected:
    virtual void disconnected() {}
    void setError(const QString& text) { m_error.setError(text.toStdString()); }

    template <typename F> tarvo::HRESULT call(F&& f) noexcept
    {
        if (!m_connected) {
            m_error.setError("Объект программы больше недоступен: вызов модуля уже завершён");
            return tarvo::RPC_E_DISCONNECTED;
        }
        if (QCoreApplication::instance() &&
            QThread::currentThread() != QCoreApplication::instance()->thread()) {
            m_error.setError("Объекты программы доступны модулю только в потоке, из которого он вызван");
            return tarvo::E_UNEXPECTED;
        }
        return m_error.guard([&]() -> tarvo::HRESULT {
            try {
                if constexpr (std::is_same_v<decltype(f()), void>) {
                    f();
                    return tarvo::S_OK;
                } else {
                    return f();
                }
            } catch (const Exception& e) {
                throw std::runtime_error(e.message().toStdString());
            } catch (const Abort&) {
                throw std::runtime_error("Действие отменено");
            }
        });
    }

private:
    tarvo::ErrorText m_error;
    bool m_connected = true;
};

} // namespace Tarvo::AddIn
