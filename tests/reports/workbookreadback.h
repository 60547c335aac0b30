#pragma once

// Reads a written .xlsx back (minizip and the sheet XML): cells with their kind, text and
// style, column widths, the autofilter, and what each style means (bold, border, alignment,
// number format).
#include <QFile>
#include <QHash>
#include <QMap>
#include <QString>
#include <QXmlStreamReader>

#include <unzip.h>

namespace Tarvo::Test {

struct WorkbookReadBack
{
    struct Cell
    {
        QString type; // "", "n", "s", "inlineStr", "str"
        QString value;
        int style = 0;
    };
    struct Style
    {
        bool bold = false;
        bool border = false;
        QString horizontal;
        QString numberFormat;
    };
    QMap<QString, Cell> cells;
    QList<QString> rowOrder; // cell references in file order
    QList<double> widths;
    QString autoFilter;
    QString sheetName;
    QList<Style> styles;
    bool ok = false;

    static QByteArray entry(unzFile zip, const char* name)
    {
        QByteArray out;
        if (unzLocateFile(zip, name, 0) != UNZ_OK || unzOpenCurrentFile(zip) != UNZ_OK)
            return out;
        char buf[65536];
        int n = 0;
        while ((n = unzReadCurrentFile(zip, buf, sizeof buf)) > 0)
            out.append(buf, n);
        unzCloseCurrentFile(zip);
        return out;
    }

    explicit WorkbookReadBack(const QString& path)
    {
        unzFile zip = unzOpen64(QFile::encodeName(path).constData());
        if (!zip)
            return;
        const QByteArray sheet = entry(zip, "xl/worksheets/sheet1.xml");
        const QByteArray stylesXml = entry(zip, "xl/styles.xml");
        const QByteArray book = entry(zip, "xl/workbook.xml");
        unzClose(zip);
        ok = !sheet.isEmpty() && !stylesXml.isEmpty();
        readSheet(sheet);
        readStyles(stylesXml);
        QXmlStreamReader x(book);
        while (x.readNextStartElement() || !x.atEnd())
            if (x.isStartElement() && x.name() == QLatin1String("sheet"))
                sheetName = x.attributes().value(QLatin1String("name")).toString();
    }

    void readSheet(const QByteArray& xml)
    {
        QXmlStreamReader x(xml);
        QString ref;
        while (!x.atEnd()) {
            x.readNext();
            if (!x.isStartElement())
                continue;
            const auto n = x.name();
            if (n == QLatin1String("col")) {
                const int min = x.attributes().value(QLatin1String("min")).toInt();
                const int max = x.attributes().value(QLatin1String("max")).toInt();
                for (int c = min; c <= max; ++c) {
                    while (widths.size() < c)
                        widths << 0;
                    widths[c - 1] = x.attributes().value(QLatin1String("width")).toDouble();
                }
            } else if (n == QLatin1String("autoFilter")) {
                autoFilter = x.attributes().value(QLatin1String("ref")).toString();
            } else if (n == QLatin1String("c")) {
                ref = x.attributes().value(QLatin1String("r")).toString();
                Cell c;
                c.type = x.attributes().value(QLatin1String("t")).toString();
                c.style = x.attributes().value(QLatin1String("s")).toInt();
                cells.insert(ref, c);
                rowOrder << ref;
            } else if (n == QLatin1String("v") || n == QLatin1String("t")) {
                cells[ref].value += x.readElementText();
            }
        }
    }

    void readStyles(const QByteArray& xml)
    {
        QXmlStreamReader x(xml);
        QList<bool> fonts;
        QList<bool> borders;
        QHash<int, QString> formats{{0, QStringLiteral("General")}, {1, QStringLiteral("0")}, {3, QStringLiteral("#,##0")},
                                    {4, QStringLiteral("#,##0.00")}, {49, QStringLiteral("@")}};
        QString section;
        while (!x.atEnd()) {
            x.readNext();
            if (!x.isStartElement())
                continue;
            const auto n = x.name();
            const auto a = x.attributes();
            if (n == QLatin1String("fonts") || n == QLatin1String("borders") || n == QLatin1String("cellXfs") ||
                n == QLatin1String("cellStyleXfs"))
                section = n.toString();
            else if (n == QLatin1String("numFmt"))
                formats.insert(a.value(QLatin1String("numFmtId")).toInt(), a.value(QLatin1String("formatCode")).toString());
            else if (n == QLatin1String("font") && section == QLatin1String("fonts"))
                fonts << false;
            else if (n == QLatin1String("b") && section == QLatin1String("fonts") && !fonts.isEmpty())
                fonts.last() = true;
            else if (n == QLatin1String("border") && section == QLatin1String("borders"))
                borders << false;
            else if ((n == QLatin1String("left") || n == QLatin1String("top")) && section == QLatin1String("borders") &&
                     a.hasAttribute(QLatin1String("style")))
                borders.last() = true;
            else if (n == QLatin1String("xf") && section == QLatin1String("cellXfs")) {
                Style s;
                s.bold = fonts.value(a.value(QLatin1String("fontId")).toInt());
                s.border = borders.value(a.value(QLatin1String("borderId")).toInt());
                s.numberFormat = formats.value(a.value(QLatin1String("numFmtId")).toInt());
                styles << s;
            } else if (n == QLatin1String("alignment") && section == QLatin1String("cellXfs") && !styles.isEmpty())
                styles.last().horizontal = a.value(QLatin1String("horizontal")).toString();
        }
    }

    Style styleOf(const QString& ref) const { return styles.value(cells.value(ref).style); }
    QString text(const QString& ref) const { return cells.value(ref).value; }
};

} // namespace Tarvo::Test
