#include "otbor/otborfile.h"

#include "core/exception.h"
#include "core/settingsfilereader.h"
#include "otbor/tvarlist.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>
#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace Tarvo::Otbor {

namespace {
const QString Root = QStringLiteral("scm_gotbors");

struct Entry
{
    QString id;
    QString active;
    TVarValues values;
};

// A value is plain text; the program writes no element inside one. Deeper nesting is damage,
// never read further (a file of nested elements would otherwise cost a stack frame each).
constexpr int MaxValueDepth = 16;

// The value element's text with that of the elements inside it, as
// QXmlStreamReader::readElementText(IncludeChildElements) gives it, without recursion.
bool readValueText(QXmlStreamReader& r, QString* text)
{
    int depth = 1;
    while (depth > 0) {
        switch (r.readNext()) {
        case QXmlStreamReader::Characters:
        case QXmlStreamReader::EntityReference:
            *text += r.text();
            break;
        case QXmlStreamReader::StartElement:
            if (++depth > MaxValueDepth)
                return false;
            break;
        case QXmlStreamReader::EndElement:
            --depth;
            break;
        case QXmlStreamReader::Invalid:
        case QXmlStreamReader::EndDocument:
            return false;
        default:
            break;
        }
    }
    return true;
}

// The whole document first: a file cut short or damaged anywhere changes nothing.
bool parse(const QByteArray& xml, QList<Entry>* entries)
{
    QXmlStreamReader r(xml);
    if (!r.readNextStartElement() || r.name() != Root)
        return false;
    while (r.readNextStartElement()) {
        Entry e;
        e.id = r.attributes().value(QStringLiteral("ID")).toString();
        e.active = r.attributes().value(QStringLiteral("active")).toString();
        while (r.readNextStartElement()) {
            const QString name = r.name().toString();
            QString text;
            if (!readValueText(r, &text))
                return false;
            e.values << qMakePair(name, text);
        }
        *entries << e;
    }
    // Anything after the root other than comments and blanks is an error as well.
    while (!r.atEnd())
        r.readNext();
    return !r.hasError();
}

bool parseActive(const QString& text, bool* active)
{
    int v = 0;
    if (!parseSmall(text, 0, 1, &v))
        return false;
    *active = v == 1;
    return true;
}

// XML 1.0 cannot carry control characters; a value holding one would make the file unreadable.
QString xmlSafe(const QString& text)
{
    QString r;
    r.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c.isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
            r += c;
            r += text.at(++i);
            continue;
        }
        const char16_t u = c.unicode();
        if (c.isSurrogate() || (u < 0x20 && u != 0x9 && u != 0xA && u != 0xD) || u == 0xFFFE || u == 0xFFFF)
            continue;
        r += c;
    }
    return r;
}
} // namespace

bool OtborFile::read(const QByteArray& xml, TVarList& list)
{
    QList<Entry> entries;
    if (!parse(xml, &entries))
        return false;
    list.beginUpdate();
    for (const Entry& e : entries) {
        const QUuid id = QUuid::fromString(e.id);
        TVar* var = id.isNull() ? nullptr : list.find(id);
        bool active = false;
        if (!var || !parseActive(e.active, &active))
            continue;
        TVarValues before;
        var->saveValues(before);
        const bool wasActive = var->active();
        bool ok = true;
        var->setActive(active);
        for (const auto& [name, text] : e.values)
            if (!var->loadValue(name, text)) {
                ok = false;
                break;
            }
        if (!ok) {
            // Activity first: switching a date off would reset the restored days.
            var->setActive(wasActive);
            for (const auto& [name, text] : before)
                var->loadValue(name, text);
        }
    }
    list.endUpdate();
    return true;
}

QByteArray OtborFile::write(const TVarList& list)
{
    QByteArray out;
    QXmlStreamWriter w(&out);
    w.setAutoFormatting(true);
    w.writeStartDocument();
    w.writeStartElement(Root);
    for (TVar* var : list.items()) {
        w.writeStartElement(QStringLiteral("VAR"));
        w.writeAttribute(QStringLiteral("active"), var->active() ? QStringLiteral("1") : QStringLiteral("0"));
        w.writeAttribute(QStringLiteral("ID"), var->guid().toString(QUuid::WithBraces).toUpper());
        TVarValues values;
        var->saveValues(values);
        for (const auto& [name, text] : values)
            w.writeTextElement(name, xmlSafe(text));
        w.writeEndElement();
    }
    w.writeEndElement();
    w.writeEndDocument();
    return out;
}

void OtborFile::load(const QString& path, TVarList& list)
{
    QByteArray xml;
    QString why;
    if (SettingsFileReader::read(path, &xml, &why))
        read(xml, list);
}

void OtborFile::save(const QString& path, const TVarList& list)
{
    const QByteArray data = write(list);
    auto fail = [&path](const QString& why) {
        return Exception(QStringLiteral("Не удалось сохранить отборы в файл \"%1\": %2").arg(path, why));
    };
    QDir().mkpath(QFileInfo(path).absolutePath());
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly))
        throw fail(f.errorString());
    if (f.write(data) != data.size() || !f.flush()) {
        const QString why = f.errorString();
        f.cancelWriting();
        throw fail(why);
    }
    if (!f.commit())
        throw fail(f.errorString());
}

} // namespace Tarvo::Otbor
