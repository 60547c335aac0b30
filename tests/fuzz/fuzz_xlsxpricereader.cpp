// libFuzzer target for the .xlsx price reader: any bytes are read or refused with a message,
// never a crash. The input is the workbook's XML parts separated by NUL bytes (XML holds none):
// the first sheet, the shared strings, then optionally the workbook and its relations; the
// target wraps them in a stored zip, so the fuzzer varies the XML the reader parses rather than
// libzip's checks. The whole input is tried as a workbook's bytes as well.
#include "xlsxpricereader.h"

#include <QByteArray>
#include <QList>

#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <zip.h>

namespace {

const QByteArray DefaultWorkbook =
    R"(<workbook xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main" )"
    R"(xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships">)"
    R"(<sheets><sheet name="1" sheetId="1" r:id="rId1"/></sheets></workbook>)";
const QByteArray DefaultRelations =
    R"(<Relationships xmlns="http://schemas.openxmlformats.org/package/2006/relationships">)"
    R"(<Relationship Id="rId1" Target="worksheets/sheet1.xml"/></Relationships>)";

// A zip of stored parts, built in memory.
QByteArray workbook(const QList<QByteArray>& parts)
{
    zip_error_t error;
    zip_error_init(&error);
    zip_source_t* buffer = zip_source_buffer_create(nullptr, 0, 0, &error);
    zip_source_keep(buffer);
    zip_t* z = zip_open_from_source(buffer, ZIP_TRUNCATE, &error);
    const auto add = [&](const char* name, const QByteArray& data) {
        zip_source_t* s = zip_source_buffer(z, data.constData(), zip_uint64_t(data.size()), 0);
        const zip_int64_t i = zip_file_add(z, name, s, ZIP_FL_OVERWRITE);
        zip_set_file_compression(z, zip_uint64_t(i), ZIP_CM_STORE, 0);
    };
    add("xl/workbook.xml", parts.size() > 2 ? parts.at(2) : DefaultWorkbook);
    add("xl/_rels/workbook.xml.rels", parts.size() > 3 ? parts.at(3) : DefaultRelations);
    add("xl/worksheets/sheet1.xml", parts.at(0));
    if (parts.size() > 1)
        add("xl/sharedStrings.xml", parts.at(1));
    zip_close(z);
    QByteArray bytes;
    if (zip_source_open(buffer) == 0) {
        char chunk[64 * 1024];
        for (zip_int64_t n; (n = zip_source_read(buffer, chunk, sizeof chunk)) > 0;)
            bytes.append(chunk, qsizetype(n));
        zip_source_close(buffer);
    }
    zip_source_free(buffer);
    zip_error_fini(&error);
    return bytes;
}

void readAll(const QByteArray& bytes)
{
    try {
        priceimport::XlsxPriceReader reader(bytes);
        priceimport::PriceRecord record;
        while (reader.next(record)) {
        }
    } catch (const std::runtime_error&) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    readAll(workbook(input.split('\0').mid(0, 4)));
    readAll(input);
    return 0;
}
