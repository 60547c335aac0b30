#include "shell/connectionfailure.h"

#include "data/databaseerror.h"

namespace Tarvo::Shell {

QString ConnectionFailure::codeText(const QString& engineCode)
{
    bool ok = false;
    const qlonglong n = engineCode.trimmed().toLongLong(&ok);
    if (ok)
        return QStringLiteral("0x%1").arg(quint32(n), 0, 16);
    return engineCode.trimmed().isEmpty() ? QStringLiteral("0x0") : engineCode.trimmed();
}

QString ConnectionFailure::message(const Data::ConnectionError& error)
{
    QString text = error.message() + QStringLiteral("\r\nError code ") + codeText(error.engineCode());
    if (!error.details().isEmpty()) {
        bool ok = false;
        const int native = error.engineCode().toInt(&ok);
        text += QStringLiteral("\r\nNative error %1\r\nDescription %2").arg(ok ? native : 0).arg(error.details());
    }
    return text;
}

} // namespace Tarvo::Shell
