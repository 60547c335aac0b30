// The readers of the shipped price-import module: encodings, separators, quoting, numbers,
// damaged input, and .xlsx workbooks in their several string forms.
#include "csvpricereader.h"
#include "pricenumber.h"
#include "workbookfiles.h"
#include "xlsxpricereader.h"

#include <QBuffer>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QtTest>

using namespace priceimport;
using namespace Qt::Literals::StringLiterals;

namespace {

struct Read
{
    std::vector<PriceRecord> records;
    std::vector<PriceProblem> problems;
    CsvPriceReader::Encoding encoding;
    char separator;
};

Read readAll(const QByteArray& bytes, CsvPriceReader::Encoding e = CsvPriceReader::Encoding::Auto)
{
    QBuffer b;
    b.setData(bytes);
    b.open(QIODevice::ReadOnly);
    CsvPriceReader r(b, e);
    Read out;
    PriceRecord rec;
    while (r.next(rec))
        out.records.push_back(rec);
    out.problems = r.problems();
    out.encoding = r.encoding();
    out.separator = r.separator();
    return out;
}

QStringList cells(const PriceRecord& r)
{
    QStringList l;
    for (const auto& c : r.cells)
        l << QString::fromStdString(c);
    return l;
}

} // namespace

class tst_PriceReaders : public QObject
{
    Q_OBJECT

private slots:
    void encodingsFromTheFileOrForced();
    void separatorsQuotesAndLineBreaks();
    void damagedLinesAreReportedWithTheirNumbers();
    void numberForms();
    void workbookStringsNumbersAndFirstSheet();
    void damagedWorkbooksSayWhy();
};

void tst_PriceReaders::encodingsFromTheFileOrForced()
{
    const QString text = u"Артикул;Имя\nА-1;Болт «М8»\n"_s;
    const QStringList expected{u"А-1"_s, u"Болт «М8»"_s};
    using E = CsvPriceReader::Encoding;

    Read r = readAll("\xEF\xBB\xBF" + text.toUtf8());
    QCOMPARE(r.encoding, E::Utf8);
    QCOMPARE(cells(r.records.at(1)), expected);
    QCOMPARE(cells(r.records.at(0)).at(0), u"Артикул"_s); // the BOM is not part of the first cell

    QByteArray le("\xFF\xFE");
    le.append(reinterpret_cast<const char*>(text.utf16()), text.size() * 2);
    r = readAll(le);
    QCOMPARE(r.encoding, E::Utf16LE);
    QCOMPARE(cells(r.records.at(1)), expected);

    QByteArray be("\xFE\xFF");
    for (QChar c : text)
        be.append(char(c.unicode() >> 8)).append(char(c.unicode() & 0xFF));
    r = readAll(be);
    QCOMPARE(r.encoding, E::Utf16BE);
    QCOMPARE(cells(r.records.at(1)), expected);

    r = readAll(text.toUtf8());
    QCOMPARE(r.encoding, E::Utf8);
    QCOMPARE(cells(r.records.at(1)), expected);

    QStringEncoder cp("windows-1251");
    const QByteArray ansi = cp.encode(text);
    r = readAll(ansi);
    QCOMPARE(r.encoding, E::Windows1251);
    QCOMPARE(cells(r.records.at(1)), expected);
    // Forced: the same bytes as UTF-8 are invalid lines, reported and skipped.
    r = readAll(ansi, E::Utf8);
    QCOMPARE(r.records.size(), size_t(0));
    QCOMPARE(r.problems.size(), size_t(2));
    QCOMPARE(r.problems[1].line, 2);
}

void tst_PriceReaders::separatorsQuotesAndLineBreaks()
{
    for (const char sep : {';', ',', '\t', '|'}) {
        const QByteArray s(1, sep);
        const QByteArray file = "A" + s + "B" + s + "C\n1" + s + "\"x" + s + " \"\"y\"\"\nz\"" + s + "3\n4" + s + "5" + s +
                                "6\n";
        const Read r = readAll(file);
        QCOMPARE(r.separator, sep);
        QCOMPARE(r.records.size(), size_t(3));
        QCOMPARE(cells(r.records[1]), (QStringList{u"1"_s, QString::fromLatin1("x" + s + " \"y\"\nz"), u"3"_s}));
        QCOMPARE(r.records[2].line, 4); // the quoted line break counted
    }
    // Decimal commas do not make the comma the separator.
    const Read r = readAll("Арт;Цена\nA;1,5\nB;2,5\nC;1 234,56\n");
    QCOMPARE(r.separator, ';');
}

void tst_PriceReaders::damagedLinesAreReportedWithTheirNumbers()
{
    QByteArray file = "A;1\n";
    file += "B;" + QByteArray(CsvPriceReader::MaxRecord + 10, 'x') + "\n";
    file += "C;\xFF\xFE\n";
    file += "D;4\n";
    file += "E;\"never closed\n";
    file += "F;6\n";
    const Read r = readAll(file, CsvPriceReader::Encoding::Utf8);
    QStringList articles;
    for (const auto& rec : r.records)
        articles << QString::fromStdString(rec.cells[0]);
    QCOMPARE(articles, (QStringList{u"A"_s, u"D"_s}));
    QCOMPARE(r.problems.size(), size_t(3));
    QCOMPARE(r.problems[0].line, 2);
    QVERIFY(QString::fromStdString(r.problems[0].text).contains(u"1 МиБ"_s));
    QCOMPARE(r.problems[1].line, 3);
    QCOMPARE(r.problems[2].line, 5);
    QVERIFY(QString::fromStdString(r.problems[2].text).contains(u"кавычка"_s));
}

void tst_PriceReaders::numberForms()
{
    QCOMPARE(parseMoney("1 234,56"), std::optional<std::int64_t>(12345600));
    QCOMPARE(parseMoney("1234.56"), std::optional<std::int64_t>(12345600));
    QCOMPARE(parseMoney("1,234.56"), std::optional<std::int64_t>(12345600));
    QCOMPARE(parseMoney("1.234,56"), std::optional<std::int64_t>(12345600));
    QCOMPARE(parseMoney("\xC2\xA0" "1\xC2\xA0" "000 "), std::optional<std::int64_t>(10000000));
    QCOMPARE(parseMoney("-0,00005"), std::optional<std::int64_t>(-1)); // half away from zero
    QCOMPARE(parseMoney("2,00004"), std::optional<std::int64_t>(20000));
    QCOMPARE(parseMoney("1,234,567"), std::optional<std::int64_t>(12345670000));
    QCOMPARE(parseMoney("922337203685477,5807"), std::optional<std::int64_t>(INT64_MAX));
    for (const char* bad : {"", "abc", "1,2,3.4.5", "12 руб", "1e5", "99999999999999999999", "-", "1.2.3"})
        QVERIFY2(!parseMoney(bad), bad);
    QCOMPARE(parseInteger("12"), std::optional<std::int32_t>(12));
    QVERIFY(!parseInteger("1,5"));
    QVERIFY(!parseInteger("3000000000"));
}

void tst_PriceReaders::workbookStringsNumbersAndFirstSheet()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(u"p.xlsx"_s);
    Tarvo::Test::writeWorkbook(
        path,
        R"(<?xml version="1.0"?><worksheet><sheetData>)"
        R"(<row r="1"><c r="A1" t="s"><v>0</v></c><c r="C1" t="s"><v>1</v></c></row>)"
        R"(<row r="3"><c r="A3"><v>1.234567890123E+12</v></c><c r="B3" t="inlineStr"><is><r><t>Бо</t></r><r><t>лт</t></r></is></c>)"
        R"(<c r="C3"><v>12.5</v></c><c r="D3" t="str"><v>USD</v></c><c r="E3" t="b"><v>1</v></c></row>)"
        R"(<row><c t="s"><v>2</v></c><c/><c><v>7</v></c></row>)"
        R"(</sheetData></worksheet>)",
        R"(<?xml version="1.0"?><sst><si><t>Артикул</t></si><si><r><t>Це</t></r><r><t>на</t></r><rPh><t>ツ</t></rPh></si><si><t xml:space="preserve"> B-2 </t></si></sst>)",
        "price sheet.xml");
    XlsxPriceReader r(path.toStdString());
    PriceRecord rec;
    QVERIFY(r.next(rec));
    QCOMPARE(rec.line, 1);
    QCOMPARE(cells(rec), (QStringList{u"Артикул"_s, QString(), u"Цена"_s}));
    QVERIFY(r.next(rec));
    QCOMPARE(rec.line, 3);
    QCOMPARE(cells(rec), (QStringList{u"1234567890123"_s, u"Болт"_s, u"12.5"_s, u"USD"_s, u"1"_s}));
    QVERIFY(r.next(rec));
    QCOMPARE(rec.line, 4);
    QCOMPARE(cells(rec), (QStringList{u" B-2 "_s, QString(), u"7"_s}));
    QVERIFY(!r.next(rec));
}

void tst_PriceReaders::damagedWorkbooksSayWhy()
{
    QTemporaryDir dir;
    const auto message = [](auto make) {
        try {
            make();
        } catch (const std::runtime_error& e) {
            return QString::fromUtf8(e.what());
        }
        return QString();
    };
    const QString notZip = dir.filePath(u"text.xlsx"_s);
    QFile f(notZip);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write("not a workbook");
    f.close();
    QVERIFY(message([&] { XlsxPriceReader r(notZip.toStdString()); }).contains(u"не является книгой"_s));

    const QString noSheet = dir.filePath(u"nosheet.xlsx"_s);
    Tarvo::Test::writeZip(noSheet, {{"xl/workbook.xml", "<workbook><sheets/></workbook>"}});
    QVERIFY(message([&] { XlsxPriceReader r(noSheet.toStdString()); }).contains(u"нет листов"_s));

    const QString badRef = dir.filePath(u"badref.xlsx"_s);
    Tarvo::Test::writeWorkbook(badRef, R"(<worksheet><sheetData><row r="1"><c t="s"><v>5</v></c></row></sheetData></worksheet>)",
                               "<sst><si><t>a</t></si></sst>");
    const QString text = message([&] {
        XlsxPriceReader r(badRef.toStdString());
        PriceRecord rec;
        r.next(rec);
    });
    QVERIFY2(text.contains(u"повреждена"_s) && text.contains(u"5"_s), qPrintable(text));
}

QTEST_MAIN(tst_PriceReaders)
#include "tst_pricereaders.moc"
