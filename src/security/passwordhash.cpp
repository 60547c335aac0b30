#include "security/passwordhash.h"

#include "core/exception.h"

#include <sodium.h>

namespace Tarvo::Security {

namespace {

void ensureLibrary()
{
    static const bool ready = sodium_init() >= 0;
    if (!ready)
        throw Exception(QStringLiteral("Не удалось инициализировать библиотеку шифрования паролей"));
}

} // namespace

QByteArray PasswordHash::hash(const QString& password)
{
    ensureLibrary();
    const QByteArray utf8 = password.toUtf8();
    char out[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(out, utf8.constData(), quint64(utf8.size()), crypto_pwhash_OPSLIMIT_INTERACTIVE,
                          crypto_pwhash_MEMLIMIT_INTERACTIVE) != 0)
        throw Exception(QStringLiteral("Недостаточно памяти для вычисления хеша пароля"));
    return QByteArray(out);
}

bool PasswordHash::isHash(const QByteArray& stored)
{
    return stored.startsWith(crypto_pwhash_argon2id_STRPREFIX) ||
           stored.startsWith(crypto_pwhash_argon2i_STRPREFIX);
}

bool PasswordHash::matches(const QByteArray& stored, const QString& password)
{
    const QByteArray utf8 = password.toUtf8();
    if (!isHash(stored))
        return stored == utf8;
    ensureLibrary();
    const QByteArray text = stored + '\0';
    return crypto_pwhash_str_verify(text.constData(), utf8.constData(), quint64(utf8.size())) == 0;
}

} // namespace Tarvo::Security
