#include "shell/connectionfailure.h"

#include "data/engine/databaseerror.h"

namespace Tarvo::Shell {

QString ConnectionFailure::codeText(const QString& engineCode)
{
    // A five-character code is an SQLSTATE, even when it happens to be all digits.
    bool ok = false;
    const qlonglong n = engineCode.trimmed().toLongLong(&ok);
    if (ok && engineCode.trimmed().size() < 5)
        return QStringLiteral("0x%1").arg(quint32(n), 0, 16);
    return engineCode.trimmed().isEmpty() ? QStringLiteral("0x0") : engineCode.trimmed();
}

QString ConnectionFailure::message(const Data::ConnectionError& error)
{
    QString text = error.message() + QStringLiteral("\r\nError code ") + codeText(error.engineCode());
    if (!error.details().isEmpty()) {
        bool ok = false;
        const int native = error.engineCode().trimmed().toInt(&ok);
        const bool numeric = ok && error.engineCode().trimmed().size() < 5;
        text += QStringLiteral("\r\nNative error %1\r\nDescription %2")
                    .arg(numeric ? native : 0)
                    .arg(error.details());
    }
    return text;
}

} // namespace Tarvo::Shell
