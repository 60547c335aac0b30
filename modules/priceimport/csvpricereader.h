// The records of a CSV or text price file, streamed: the encoding (a BOM, else UTF-8 when valid,
// else windows-1251) and the separator (";", ",", tab or "|") come from the file unless forced.
#pragma once

#include "pricetable.h"

#include <QIODevice>
#include <QStringDecoder>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace priceimport {

class CsvPriceReader final : public PriceTable
{
public:
    enum class Encoding
    {
        Auto,
        Utf8,
        Windows1251,
        Utf16LE,
        Utf16BE
    };

    static constexpr std::size_t MaxRecord = 1 << 20;

    // The device stays the caller's and must outlive the reader.
    CsvPriceReader(QIODevice& device, Encoding encoding = Encoding::Auto, char separator = 0);

    bool next(PriceRecord& record) override;
    std::int64_t expectedRows() const override;

    Encoding encoding() const { return m_encoding; }
    char separator() const { return m_separator; }
    // Average bytes per line of the file's start (for an estimate of the rows).
    double bytesPerLine() const { return m_bytesPerLine; }

private:
    bool refill();
    void detect();

    QIODevice& m_device;
    Encoding m_encoding;
    char m_separator;
    std::unique_ptr<QStringDecoder> m_decoder;
    QByteArray m_pending; // raw bytes read while detecting
    std::string m_buf;    // UTF-8
    std::size_t m_pos = 0;
    std::int64_t m_line = 0;
    bool m_eof = false;
    double m_bytesPerLine = 0;
};

// True when the bytes are valid UTF-8 (a sequence cut at the end counts as valid when `partial`).
bool isValidUtf8(const char* data, std::size_t size, bool partial = false);

} // namespace priceimport
