#include "csvpricereader.h"

#include <algorithm>
#include <array>

namespace priceimport {

namespace {

constexpr qint64 Chunk = 256 * 1024;
constexpr qint64 Probe = 64 * 1024;

} // namespace

bool isValidUtf8(const char* data, std::size_t size, bool partial)
{
    const auto* s = reinterpret_cast<const unsigned char*>(data);
    std::size_t i = 0;
    while (i < size) {
        const unsigned char c = s[i];
        std::size_t n = 0;
        std::uint32_t cp = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if ((c & 0xE0) == 0xC0) {
            n = 1;
            cp = c & 0x1F;
        } else if ((c & 0xF0) == 0xE0) {
            n = 2;
            cp = c & 0x0F;
        } else if ((c & 0xF8) == 0xF0) {
            n = 3;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (i + n >= size) {
            // The sequence runs past the end of what was read.
            if (!partial)
                return false;
            for (std::size_t k = i + 1; k < size; ++k)
                if ((s[k] & 0xC0) != 0x80)
                    return false;
            return true;
        }
        for (std::size_t k = 1; k <= n; ++k) {
            if ((s[i + k] & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (s[i + k] & 0x3F);
        }
        if ((n == 1 && cp < 0x80) || (n == 2 && cp < 0x800) || (n == 3 && (cp < 0x10000 || cp > 0x10FFFF)) ||
            (cp >= 0xD800 && cp <= 0xDFFF))
            return false;
        i += n + 1;
    }
    return true;
}

CsvPriceReader::CsvPriceReader(QIODevice& device, Encoding encoding, char separator)
    : m_device(device), m_encoding(encoding), m_separator(separator)
{
    detect();
}

void CsvPriceReader::detect()
{
    m_pending = m_device.read(Probe);
    const auto starts = [&](std::initializer_list<unsigned char> bom) {
        if (m_pending.size() < qsizetype(bom.size()))
            return false;
        return std::equal(bom.begin(), bom.end(), reinterpret_cast<const unsigned char*>(m_pending.constData()));
    };
    if (starts({0xEF, 0xBB, 0xBF})) {
        m_pending.remove(0, 3);
        if (m_encoding == Encoding::Auto)
            m_encoding = Encoding::Utf8;
    } else if (starts({0xFF, 0xFE})) {
        m_pending.remove(0, 2);
        if (m_encoding == Encoding::Auto)
            m_encoding = Encoding::Utf16LE;
    } else if (starts({0xFE, 0xFF})) {
        m_pending.remove(0, 2);
        if (m_encoding == Encoding::Auto)
            m_encoding = Encoding::Utf16BE;
    }
    if (m_encoding == Encoding::Auto)
        m_encoding = isValidUtf8(m_pending.constData(), std::size_t(m_pending.size()), !m_device.atEnd())
                         ? Encoding::Utf8
                         : Encoding::Windows1251;
    switch (m_encoding) {
    case Encoding::Windows1251:
        m_decoder = std::make_unique<QStringDecoder>("windows-1251");
        break;
    case Encoding::Utf16LE:
        m_decoder = std::make_unique<QStringDecoder>(QStringDecoder::Utf16LE);
        break;
    case Encoding::Utf16BE:
        m_decoder = std::make_unique<QStringDecoder>(QStringDecoder::Utf16BE);
        break;
    default:
        break;
    }
    refill();

    // The separator: the candidate found the same number of times on most of the first lines.
    std::size_t lines = 0;
    std::size_t bytes = 0;
    std::array<const char, 4> candidates{';', '\t', '|', ','};
    std::array<std::vector<int>, 4> counts;
    bool quoted = false;
    std::array<int, 4> current{};
    for (std::size_t i = 0; i < m_buf.size() && lines < 50; ++i) {
        const char c = m_buf[i];
        ++bytes;
        if (c == '"')
            quoted = !quoted;
        else if (c == '\n' && !quoted) {
            for (std::size_t k = 0; k < 4; ++k) {
                counts[k].push_back(current[k]);
                current[k] = 0;
            }
            ++lines;
        } else if (!quoted) {
            for (std::size_t k = 0; k < 4; ++k)
                current[k] += c == candidates[k];
        }
    }
    if (lines == 0)
        for (std::size_t k = 0; k < 4; ++k)
            counts[k].push_back(current[k]);
    m_bytesPerLine = lines ? double(bytes) / double(lines) : 0;
    if (m_separator)
        return;
    int best = -1;
    std::size_t bestScore = 0;
    for (std::size_t k = 0; k < 4; ++k) {
        // The most frequent non-zero count and how many lines have it.
        std::vector<int> v = counts[k];
        std::sort(v.begin(), v.end());
        std::size_t score = 0;
        for (std::size_t a = 0; a < v.size();) {
            std::size_t b = a;
            while (b < v.size() && v[b] == v[a])
                ++b;
            if (v[a] > 0)
                score = std::max(score, b - a);
            a = b;
        }
        if (score > bestScore) {
            bestScore = score;
            best = int(k);
        }
    }
    m_separator = best >= 0 ? candidates[std::size_t(best)] : ';';
}

bool CsvPriceReader::refill()
{
    if (m_eof)
        return false;
    QByteArray raw = m_pending.isEmpty() ? m_device.read(Chunk) : std::exchange(m_pending, QByteArray());
    if (raw.isEmpty()) {
        m_eof = true;
        return false;
    }
    m_pos = 0;
    if (m_decoder) {
        const QString text = m_decoder->decode(raw);
        const QByteArray utf8 = text.toUtf8();
        m_buf.assign(utf8.constData(), std::size_t(utf8.size()));
        if (m_buf.empty())
            return refill();
    } else {
        m_buf.assign(raw.constData(), std::size_t(raw.size()));
    }
    return true;
}

std::int64_t CsvPriceReader::expectedRows() const
{
    const qint64 size = m_device.size();
    return m_bytesPerLine > 0 && size > 0 ? std::int64_t(double(size) / m_bytesPerLine) : 0;
}

bool CsvPriceReader::next(PriceRecord& record)
{
    for (;;) {
        record.cells.clear();
        record.line = m_line + 1;
        std::string cell;
        bool quoted = false, fieldStart = true, tooLong = false, any = false;
        std::size_t size = 0;
        bool ended = false;
        for (;;) {
            if (m_pos >= m_buf.size() && !refill()) {
                ended = true;
                break;
            }
            const char c = m_buf[m_pos++];
            any = true;
            if (++size > MaxRecord && !tooLong) {
                tooLong = true;
                cell.clear();
                cell.shrink_to_fit();
                record.cells.clear();
            }
            if (tooLong) {
                if (c == '\n') {
                    ++m_line;
                    break;
                }
                continue;
            }
            if (quoted) {
                if (c == '"') {
                    if (m_pos >= m_buf.size())
                        refill();
                    if (m_pos < m_buf.size() && m_buf[m_pos] == '"') {
                        cell += '"';
                        ++m_pos;
                    } else {
                        quoted = false;
                    }
                } else {
                    if (c == '\n')
                        ++m_line;
                    cell += c;
                }
                continue;
            }
            if (c == '"' && fieldStart) {
                quoted = true;
                fieldStart = false;
            } else if (c == m_separator) {
                record.cells.push_back(std::move(cell));
                cell.clear();
                fieldStart = true;
            } else if (c == '\n') {
                ++m_line;
                break;
            } else if (c != '\r') {
                cell += c;
                fieldStart = false;
                // The rest of a plain field in one piece (a quote inside it is text).
                const std::size_t limit = std::min(m_buf.size(), m_pos + (MaxRecord - size));
                std::size_t end = m_pos;
                while (end < limit && m_buf[end] != m_separator && m_buf[end] != '\n' && m_buf[end] != '\r')
                    ++end;
                cell.append(m_buf, m_pos, end - m_pos);
                size += end - m_pos;
                m_pos = end;
            }
        }
        if (ended && !any)
            return false;
        if (tooLong) {
            problem(record.line, "строка длиннее 1 МиБ пропущена");
            continue;
        }
        if (quoted) {
            problem(record.line, "кавычка не закрыта до конца файла; строка пропущена");
            return false;
        }
        record.cells.push_back(std::move(cell));
        if (m_encoding == Encoding::Utf8) {
            bool valid = true;
            for (const std::string& s : record.cells)
                valid = valid && isValidUtf8(s.data(), s.size());
            if (!valid) {
                problem(record.line, "недопустимый байт в тексте UTF-8; строка пропущена");
                continue;
            }
        }
        return true;
    }
}

} // namespace priceimport
