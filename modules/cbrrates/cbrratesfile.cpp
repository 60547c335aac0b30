#include "cbrratesfile.h"

#include <QFile>
#include <QXmlStreamReader>

#include <stdexcept>

namespace {

[[noreturn]] void fail(const QString& text)
{
    throw std::runtime_error(text.toStdString());
}

double decimal(QString text, bool* ok)
{
    text = text.trimmed().remove(u' ').remove(QChar(0xA0));
    text.replace(u',', u'.');
    return text.toDouble(ok);
}

} // namespace

CbrRatesFile CbrRatesFile::read(const QString& path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        fail(QStringLiteral("Файл курсов «%1» не открывается: %2").arg(path, f.errorString()));
    CbrRatesFile out;
    QXmlStreamReader xml(&f);
    bool root = false;
    while (!xml.atEnd()) {
        if (!xml.readNextStartElement())
            continue;
        if (!root) {
            if (xml.name() != QLatin1String("ValCurs"))
                fail(QStringLiteral("Файл «%1» не является файлом курсов ЦБ РФ (нет элемента ValCurs)").arg(path));
            root = true;
            out.date = QDate::fromString(xml.attributes().value(QLatin1String("Date")).toString(),
                                         QStringLiteral("dd.MM.yyyy"));
            if (!out.date.isValid())
                fail(QStringLiteral("В файле «%1» нет даты курсов (атрибут Date)").arg(path));
            continue;
        }
        if (xml.name() != QLatin1String("Valute")) {
            xml.skipCurrentElement();
            continue;
        }
        CbrRate r;
        QString nominal, value;
        while (xml.readNextStartElement()) {
            const auto n = xml.name();
            const QString text = xml.readElementText().trimmed();
            if (n == QLatin1String("CharCode"))
                r.code = text.toUpper();
            else if (n == QLatin1String("Name"))
                r.name = text;
            else if (n == QLatin1String("Nominal"))
                nominal = text;
            else if (n == QLatin1String("Value"))
                value = text;
        }
        bool okNominal = false, okValue = false;
        r.nominal = nominal.trimmed().toInt(&okNominal);
        r.value = decimal(value, &okValue);
        const QString who = r.code.isEmpty() ? QStringLiteral("(без кода)") : r.code;
        if (r.code.isEmpty())
            out.refused << QStringLiteral("%1: нет кода валюты").arg(who);
        else if (!okNominal || r.nominal <= 0)
            out.refused << QStringLiteral("%1: неверный номинал «%2»").arg(who, nominal);
        else if (!okValue || !(r.value > 0))
            out.refused << QStringLiteral("%1: курс «%2» должен быть больше нуля").arg(who, value);
        else
            out.rates << r;
    }
    if (xml.hasError())
        fail(QStringLiteral("Файл курсов «%1» повреждён: %2 (строка %3)")
                 .arg(path, xml.errorString())
                 .arg(xml.lineNumber()));
    if (!root)
        fail(QStringLiteral("Файл «%1» не является файлом курсов ЦБ РФ").arg(path));
    return out;
}
