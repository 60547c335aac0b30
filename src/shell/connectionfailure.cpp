#include "shell/connectionfailure.h"

#include "data/engine/connectionsettings.h"
#include "data/engine/databaseerror.h"

#include <QStringList>

namespace Tarvo::Shell {

namespace {
// The engine's text without the client library's tab indents and blank lines.
QString tidy(const QString& text)
{
    QStringList lines;
    for (const QString& l : text.split(QLatin1Char('\n'))) {
        const QString t = l.trimmed();
        if (!t.isEmpty())
            lines << t;
    }
    return lines.join(QStringLiteral("\r\n"));
}

// A code of fewer than five digits is a native (SQLite) number.
bool nativeNumber(const QString& engineCode, int* number)
{
    bool ok = false;
    const QString c = engineCode.trimmed();
    *number = c.toInt(&ok);
    return ok && c.size() < 5;
}
} // namespace

QString ConnectionFailure::codeText(const QString& engineCode)
{
    int n = 0;
    if (nativeNumber(engineCode, &n))
        return QStringLiteral("0x%1").arg(quint32(n), 0, 16);
    return engineCode.trimmed();
}

QString ConnectionFailure::advice(const Data::ConnectionSettings& settings, const QString& settingsFile)
{
    if (settings.engine == Data::Engine::PostgreSQL)
        return QStringLiteral("Проверьте, что сервер запущен и доступен по сети, и параметры SERVER NAME, "
                              "DATABASE MAIN и DB USER в файле \"%1\".")
            .arg(settingsFile);
    return QStringLiteral("Проверьте файл базы данных и права на его папку, или параметр DATABASE MAIN в "
                          "файле \"%1\".")
        .arg(settingsFile);
}

QString ConnectionFailure::message(const Data::ConnectionError& error, const QString& advice)
{
    const QString details = tidy(error.details());
    // The engine may have put its own text under its sentence too: it is shown once, below.
    QString lead = error.message();
    for (const QString& repeated : {error.details().trimmed(), details})
        if (!repeated.isEmpty())
            lead.remove(repeated);
    lead = tidy(lead).replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    if (!advice.isEmpty())
        lead += QLatin1Char(' ') + advice;

    const QString code = codeText(error.engineCode());
    if (code.isEmpty())
        return details.isEmpty() ? lead : lead + QStringLiteral("\r\nПодробности: ") + details;
    QString text = lead + QStringLiteral("\r\nError code ") + code;
    if (!details.isEmpty()) {
        int native = 0;
        if (nativeNumber(error.engineCode(), &native))
            text += QStringLiteral("\r\nNative error %1").arg(native);
        text += QStringLiteral("\r\nDescription ") + details;
    }
    return text;
}

} // namespace Tarvo::Shell
