#pragma once

#include <QByteArray>
#include <QString>

namespace Tarvo::Security {

// Passwords are kept as libsodium's Argon2id strings in US_PWD. A value that is not such a string
// is a plain-text password left by an older installation or filled in by other means; it is
// compared as text and replaced by its hash at the next successful login.
class PasswordHash
{
public:
    // Throws Tarvo::Exception when the library cannot work (out of memory).
    static QByteArray hash(const QString& password);
    static bool isHash(const QByteArray& stored);
    // Exact and case-sensitive; a null or empty stored value is the empty password.
    static bool matches(const QByteArray& stored, const QString& password);
};

} // namespace Tarvo::Security
