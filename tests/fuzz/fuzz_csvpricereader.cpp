// libFuzzer target for the CSV price reader: any input reads to its end without a crash, every
// record stays within the size limit, and the line numbers never go back.
#include "csvpricereader.h"

#include <QBuffer>

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QBuffer buffer;
    buffer.setData(reinterpret_cast<const char*>(data), qsizetype(size));
    buffer.open(QIODevice::ReadOnly);
    priceimport::CsvPriceReader reader(buffer);
    priceimport::PriceRecord record;
    std::int64_t last = 0;
    while (reader.next(record)) {
        std::size_t bytes = 0;
        for (const auto& c : record.cells)
            bytes += c.size();
        if (bytes > priceimport::CsvPriceReader::MaxRecord || record.line < last)
            abort();
        last = record.line;
    }
    return 0;
}
