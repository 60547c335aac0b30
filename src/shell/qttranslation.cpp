#include "shell/qttranslation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>
#include <QtDebug>

namespace Tarvo::Shell {

bool QtTranslation::install()
{
    auto* translator = new QTranslator(QCoreApplication::instance());
    if (!translator->load(QStringLiteral("qtbase_ru"), QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        delete translator;
        qWarning("Перевод Qt на русский (qtbase_ru.qm) не найден: установите пакет qt6-translations-l10n");
        return false;
    }
    QCoreApplication::installTranslator(translator);
    return true;
}

} // namespace Tarvo::Shell
