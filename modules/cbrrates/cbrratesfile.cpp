#include "cbrratesfile.h"

#include <QFile>
#include <QStringDecoder>
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
    // The bank writes windows-1251; the text is decoded here so that the reader does not depend on
    // which code pages the XML reader was built with.
    const QByteArray raw = f.readAll();
    const qsizetype declEnd = raw.indexOf("?>");
    const QByteArray decl = declEnd > 0 ? raw.left(declEnd).toLower() : QByteArray();
    QString text;
    if (decl.contains("windows-1251") || decl.contains("cp1251")) {
        QStringDecoder cp1251("windows-1251");
        text = cp1251(raw);
    } else {
        QStringDecoder utf8(QStringDecoder::Utf8);
        text = utf8(raw);
        if (utf8.hasError())
            fail(QStringLiteral("Файл курсов «%1» не в кодировке UTF-8 и не объявляет windows-1251")
                     .arg(path));
    }
    CbrRatesFile out;
    QXmlStreamReader xml(text);
    if (!xml.readNextStartElement() || xml.name() != QLatin1String("ValCurs"))
        fail(QStringLiteral("Файл «%1» не является файлом курсов ЦБ РФ (нет элемента ValCurs)").arg(path));
    out.date = QDate::fromString(xml.attributes().value(QLatin1String("Date")).toString(),
                                 QStringLiteral("dd.MM.yyyy"));
    if (!out.date.isValid())
        fail(QStringLiteral("В файле «%1» нет даты курсов (атрибут Date)").arg(path));
    while (xml.readNextStartElement()) {
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
    return out;
}
