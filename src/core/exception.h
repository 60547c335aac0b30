#pragma once

#include <QString>
#include <exception>

namespace Tarvo {

// Base of every failure the application's general handler shows in a message box.
class Exception : public std::exception
{
public:
    explicit Exception(QString message) : m_message(std::move(message)), m_utf8(m_message.toUtf8()) {}
    const QString& message() const noexcept { return m_message; }
    const char* what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
};

// A user's cancel: unwinds the operation and is never shown.
class Abort : public std::exception
{
public:
    const char* what() const noexcept override { return "operation cancelled"; }
};

} // namespace Tarvo
