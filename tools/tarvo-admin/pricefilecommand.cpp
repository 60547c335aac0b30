#include "pricefilecommand.h"

#include "core/exception.h"
#include "data/engine/connector.h"
#include "data/engine/database.h"
#include "db/volume_pricesupplier.h"

#include <QDir>
#include <QTextStream>

using namespace Tarvo;
using namespace Tarvo::Data;
using namespace Qt::Literals::StringLiterals;

namespace {

int usage()
{
    QTextStream(stderr)
        << "Использование: tarvo-admin price-file ФАЙЛ [--format csv|xlsx] [--encoding utf-8|windows-1251]\n"
           "                                 [--round N] [ИМЯ=ЗНАЧЕНИЕ ...]\n"
           "  Записывает прайс-лист поставщика " << VolumePriceSupplier::supplierCode()
        << " (tarvo-admin generate --price-supplier N): колонки Артикул, Наименование, Цена, "
        << VolumePriceSupplier::priceNames().join(u", "_s)
        << ",\n  по строке на товар.\n"
           "  --format    csv (разделитель \";\", десятичная запятая) или xlsx; по умолчанию по расширению файла\n"
           "  --encoding  кодировка CSV: utf-8 (по умолчанию) или windows-1251\n"
           "  --round N   выпуск прайс-листа: каждый следующий меняет все цены (для повторного импорта), по умолчанию 0\n";
    return 2;
}

} // namespace

int priceFileCommand(const QStringList& args)
{
    QString path;
    QString format;
    VolumePriceSupplier::FileOptions options;
    QStringList overrides;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args.at(i);
        const bool hasValue = i + 1 < args.size();
        if (a == u"--format"_s && hasValue) {
            format = args.at(++i).toLower();
            if (format != u"csv"_s && format != u"xlsx"_s)
                return usage();
        } else if (a == u"--encoding"_s && hasValue) {
            const QString e = args.at(++i).toLower();
            if (e == u"windows-1251"_s || e == u"cp1251"_s)
                options.windows1251 = true;
            else if (e != u"utf-8"_s && e != u"utf8"_s)
                return usage();
        } else if (a == u"--round"_s && hasValue) {
            bool ok = false;
            options.round = args.at(++i).toInt(&ok);
            if (!ok || options.round < 0)
                return usage();
        } else if (a.contains(u'=') && !a.startsWith(u"--"_s)) {
            overrides << a;
        } else if (path.isEmpty() && !a.startsWith(u"--"_s)) {
            path = a;
        } else {
            return usage();
        }
    }
    if (path.isEmpty())
        return usage();
    if (format.isEmpty())
        format = path.endsWith(u".xlsx"_s, Qt::CaseInsensitive) ? u"xlsx"_s : u"csv"_s;
    options.format = format == u"xlsx"_s ? VolumePriceSupplier::FileFormat::Xlsx : VolumePriceSupplier::FileFormat::Csv;
    if (options.format == VolumePriceSupplier::FileFormat::Xlsx && options.windows1251)
        return usage();
    try {
        const ConnectionSettings settings = Connector::settingsFrom(overrides);
        auto db = Connector::connectReadOnly(settings);
        const qint64 lines = VolumePriceSupplier::writeFile(*db, path, options);
        QTextStream(stdout) << "Прайс-лист поставщика " << VolumePriceSupplier::supplierCode() << " записан в "
                            << QDir::toNativeSeparators(path) << ": строк " << lines << "\n";
        return 0;
    } catch (const Exception& e) {
        const QString message = e.message().trimmed();
        QTextStream(stderr) << "Ошибка: " << (message.isEmpty() ? u"причина не сообщена"_s : message) << "\n";
        return 1;
    }
}
