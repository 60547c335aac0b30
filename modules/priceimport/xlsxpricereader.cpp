#include "xlsxpricereader.h"

#include <QDir>

#include <zip.h>

#include <charconv>
#include <cmath>
#include <cstdlib>
#include <stdexcept>

namespace priceimport {

// One zip part fed to an XML reader in chunks.
class XlsxPriceReader::Part
{
public:
    Part(zip* archive, const std::string& name, const XlsxPriceReader& owner) : m_owner(owner)
    {
        m_file = zip_fopen(archive, name.c_str(), 0);
        if (!m_file)
            owner.damaged("нет части «" + name + "»");
    }
    ~Part()
    {
        if (m_file)
            zip_fclose(m_file);
    }
    // The next token, reading more of the part when the reader ran dry.
    QXmlStreamReader::TokenType next()
    {
        for (;;) {
            const auto t = m_xml.readNext();
            if (t != QXmlStreamReader::Invalid)
                return t;
            if (m_xml.error() != QXmlStreamReader::PrematureEndOfDocumentError || m_done)
                m_owner.damaged("неверный XML: " + m_xml.errorString().toStdString());
            char buf[64 * 1024];
            const zip_int64_t n = zip_fread(m_file, buf, sizeof buf);
            if (n < 0)
                m_owner.damaged("часть архива не читается");
            if (n == 0) {
                m_done = true;
                // What was read so far may end the document.
                if (m_xml.atEnd() && m_xml.error() == QXmlStreamReader::PrematureEndOfDocumentError)
                    return QXmlStreamReader::EndDocument;
                continue;
            }
            m_xml.addData(QByteArray(buf, int(n)));
        }
    }
    QXmlStreamReader& xml() { return m_xml; }
    // The text of the current element up to its end (nested elements' text included).
    std::string text()
    {
        std::string s;
        int depth = 1;
        while (depth > 0) {
            const auto t = next();
            if (t == QXmlStreamReader::StartElement)
                ++depth;
            else if (t == QXmlStreamReader::EndElement)
                --depth;
            else if (t == QXmlStreamReader::Characters)
                s += m_xml.text().toUtf8().toStdString();
            else if (t == QXmlStreamReader::EndDocument)
                m_owner.damaged("часть оборвана");
        }
        return s;
    }

private:
    const XlsxPriceReader& m_owner;
    zip_file* m_file = nullptr;
    QXmlStreamReader m_xml;
    bool m_done = false;
};

namespace {

// Column letters of a cell reference ("AB12") as a number, 0 the first; -1 when absent.
int columnOf(QStringView ref)
{
    int col = 0;
    qsizetype i = 0;
    for (; i < ref.size() && ref[i].isLetter(); ++i) {
        col = col * 26 + (ref[i].toUpper().unicode() - u'A' + 1);
        if (col > 16384)
            return -1;
    }
    return i == 0 ? -1 : col - 1;
}

// A stored number as a price file means it: whole numbers without exponent (an article
// 1234567890123 stays so), others as their shortest decimal.
std::string numberText(const std::string& v)
{
    if (v.find_first_of("eE") == std::string::npos)
        return v;
    const double d = std::strtod(v.c_str(), nullptr);
    if (!std::isfinite(d))
        return v;
    char buf[400];
    const auto r = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::fixed);
    return r.ec == std::errc() ? std::string(buf, r.ptr) : v;
}

std::string attr(QXmlStreamReader& x, const char* name)
{
    return x.attributes().value(QLatin1String(name)).toString().toStdString();
}

} // namespace

XlsxPriceReader::XlsxPriceReader(const std::string& path) : m_path(path)
{
    int err = 0;
    m_zip = zip_open(path.c_str(), ZIP_RDONLY, &err);
    if (!m_zip)
        throw std::runtime_error("Файл «" + path + "» не является книгой Excel .xlsx или повреждён");
    openArchive();
}

XlsxPriceReader::XlsxPriceReader(const QByteArray& bytes) : m_path("<память>"), m_bytes(bytes)
{
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* src = zip_source_buffer_create(m_bytes.constData(), zip_uint64_t(m_bytes.size()), 0, &error);
    if (src)
        m_zip = zip_open_from_source(src, ZIP_RDONLY, &error);
    if (!m_zip) {
        if (src)
            zip_source_free(src);
        zip_error_fini(&error);
        throw std::runtime_error("Данные не являются книгой Excel .xlsx");
    }
    zip_error_fini(&error);
    openArchive();
}

XlsxPriceReader::~XlsxPriceReader()
{
    m_sheet.reset();
    if (m_zip)
        zip_discard(m_zip);
}

void XlsxPriceReader::damaged(const std::string& why) const
{
    throw std::runtime_error("Книга Excel «" + m_path + "» повреждена: " + why);
}

void XlsxPriceReader::openArchive()
{
    const std::string sheet = firstSheetPath();
    readSharedStrings();
    m_sheet = std::make_unique<Part>(m_zip, sheet, *this);
    zip_stat_t st;
    if (zip_stat(m_zip, sheet.c_str(), 0, &st) == 0 && (st.valid & ZIP_STAT_SIZE))
        m_expected = std::int64_t(st.size / 100); // a row of a few cells takes about this much XML
}

std::string XlsxPriceReader::firstSheetPath()
{
    std::string rid;
    {
        Part wb(m_zip, "xl/workbook.xml", *this);
        for (auto t = wb.next(); t != QXmlStreamReader::EndDocument; t = wb.next())
            if (t == QXmlStreamReader::StartElement && wb.xml().name() == QLatin1String("sheet")) {
                for (const auto& a : wb.xml().attributes())
                    if (a.name() == QLatin1String("id"))
                        rid = a.value().toString().toStdString();
                break;
            }
    }
    if (rid.empty())
        damaged("в книге нет листов");
    Part rels(m_zip, "xl/_rels/workbook.xml.rels", *this);
    for (auto t = rels.next(); t != QXmlStreamReader::EndDocument; t = rels.next())
        if (t == QXmlStreamReader::StartElement && rels.xml().name() == QLatin1String("Relationship") &&
            attr(rels.xml(), "Id") == rid) {
            std::string target = attr(rels.xml(), "Target");
            if (!target.empty() && target[0] == '/')
                return target.substr(1);
            return "xl/" + target;
        }
    damaged("не найден первый лист");
}

void XlsxPriceReader::readSharedStrings()
{
    if (zip_name_locate(m_zip, "xl/sharedStrings.xml", 0) < 0)
        return;
    m_strings.setFileTemplate(QDir::tempPath() + QStringLiteral("/tarvo-xlsx-XXXXXX"));
    if (!m_strings.open())
        throw std::runtime_error("Не удалось создать временный файл для строк книги: " +
                                 m_strings.errorString().toStdString());
    Part part(m_zip, "xl/sharedStrings.xml", *this);
    std::uint64_t offset = 0;
    m_offsets.push_back(0);
    for (auto t = part.next(); t != QXmlStreamReader::EndDocument; t = part.next()) {
        if (t != QXmlStreamReader::StartElement || part.xml().name() != QLatin1String("si"))
            continue;
        // Phonetic runs (rPh) are not part of the text.
        std::string s;
        int depth = 1;
        bool phonetic = false;
        int phoneticDepth = 0;
        while (depth > 0) {
            const auto k = part.next();
            if (k == QXmlStreamReader::StartElement) {
                ++depth;
                if (part.xml().name() == QLatin1String("rPh")) {
                    phonetic = true;
                    phoneticDepth = depth;
                }
            } else if (k == QXmlStreamReader::EndElement) {
                if (phonetic && depth == phoneticDepth)
                    phonetic = false;
                --depth;
            } else if (k == QXmlStreamReader::Characters && !phonetic) {
                s += part.xml().text().toUtf8().toStdString();
            } else if (k == QXmlStreamReader::EndDocument) {
                damaged("строки книги оборваны");
            }
        }
        if (m_strings.write(s.data(), qint64(s.size())) != qint64(s.size()))
            throw std::runtime_error("Не удалось записать временный файл для строк книги (диск заполнен?)");
        offset += s.size();
        m_offsets.push_back(offset);
    }
    m_strings.flush();
}

std::string XlsxPriceReader::sharedString(std::int64_t index)
{
    if (index < 0 || std::size_t(index) + 1 >= m_offsets.size())
        damaged("ссылка на несуществующую строку " + std::to_string(index));
    const std::uint64_t from = m_offsets[std::size_t(index)];
    const std::uint64_t to = m_offsets[std::size_t(index) + 1];
    std::string s(std::size_t(to - from), '\0');
    if (!m_strings.seek(qint64(from)) || m_strings.read(s.data(), qint64(s.size())) != qint64(s.size()))
        throw std::runtime_error("Не удалось прочитать временный файл строк книги");
    return s;
}

bool XlsxPriceReader::next(PriceRecord& record)
{
    if (!m_sheet)
        return false;
    QXmlStreamReader& x = m_sheet->xml();
    for (auto t = m_sheet->next(); t != QXmlStreamReader::EndDocument; t = m_sheet->next()) {
        if (t != QXmlStreamReader::StartElement || x.name() != QLatin1String("row"))
            continue;
        const std::string r = attr(x, "r");
        record.line = r.empty() ? m_lastRow + 1 : std::atoll(r.c_str());
        if (record.line <= 0)
            record.line = m_lastRow + 1;
        m_lastRow = record.line;
        record.cells.clear();
        int nextColumn = 0;
        for (auto k = m_sheet->next();; k = m_sheet->next()) {
            if (k == QXmlStreamReader::EndDocument)
                damaged("лист оборван");
            if (k == QXmlStreamReader::EndElement && x.name() == QLatin1String("row"))
                break;
            if (k != QXmlStreamReader::StartElement || x.name() != QLatin1String("c"))
                continue;
            int column = columnOf(x.attributes().value(QLatin1String("r")));
            if (column < 0)
                column = nextColumn;
            nextColumn = column + 1;
            const std::string type = attr(x, "t");
            std::string value;
            bool haveValue = false;
            for (auto c = m_sheet->next();; c = m_sheet->next()) {
                if (c == QXmlStreamReader::EndDocument)
                    damaged("лист оборван");
                if (c == QXmlStreamReader::EndElement && x.name() == QLatin1String("c"))
                    break;
                if (c != QXmlStreamReader::StartElement)
                    continue;
                if (x.name() == QLatin1String("v") || x.name() == QLatin1String("is")) {
                    value = m_sheet->text();
                    haveValue = true;
                }
            }
            if (!haveValue)
                continue;
            if (type == "s") {
                char* end = nullptr;
                const long long i = std::strtoll(value.c_str(), &end, 10);
                if (end == value.c_str())
                    damaged("неверная ссылка на строку");
                value = sharedString(i);
            } else if (type == "b") {
                value = value == "1" ? "1" : "0";
            } else if (type.empty() || type == "n") {
                value = numberText(value);
            }
            if (record.cells.size() <= std::size_t(column))
                record.cells.resize(std::size_t(column) + 1);
            record.cells[std::size_t(column)] = std::move(value);
        }
        return true;
    }
    m_sheet.reset();
    return false;
}

} // namespace priceimport
