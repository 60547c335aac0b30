// libFuzzer target for the .xlsx price reader: any bytes are read or refused with a message,
// never a crash. Inputs are the zip's sheet part: the fuzzer varies the XML, the target wraps it
// in a workbook (a zip of random bytes only exercises libzip's checks).
#include "xlsxpricereader.h"

#include <QBuffer>
#include <QFile>
#include <QTemporaryFile>

#include <cstdint>
#include <cstdlib>
#include <stdexcept>
#include <zip.h>

namespace {

QByteArray workbook(const QByteArray& sheet, const QByteArray& strings)
{
    QTemporaryFile file;
    file.open();
    const QByteArray path = QFile::encodeName(file.fileName());
    file.close();
    int err = 0;
    zip_t* z = zip_open(path.constData(), ZIP_TRUNCATE | ZIP_CREATE, &err);
    const auto add = [&](const char* name, const QByteArray& data) {
        zip_source_t* s = zip_source_buffer(z, data.constData(), zip_uint64_t(data.size()), 0);
        zip_file_add(z, name, s, ZIP_FL_OVERWRITE);
    };
    static const QByteArray wb = R"(<workbook><sheets><sheet r:id="rId1"/></sheets></workbook>)";
    static const QByteArray rels = R"(<Relationships><Relationship Id="rId1" Target="worksheets/sheet1.xml"/></Relationships>)";
    add("xl/workbook.xml", wb);
    add("xl/_rels/workbook.xml.rels", rels);
    add("xl/worksheets/sheet1.xml", sheet);
    add("xl/sharedStrings.xml", strings);
    zip_close(z);
    QFile f(QString::fromLocal8Bit(path));
    f.open(QIODevice::ReadOnly);
    return f.readAll();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
    // The first half is the sheet, the rest the shared strings.
    const qsizetype half = input.size() / 2;
    try {
        priceimport::XlsxPriceReader reader(workbook(input.left(half), input.mid(half)));
        priceimport::PriceRecord record;
        while (reader.next(record)) {
        }
    } catch (const std::runtime_error&) {
    }
    try {
        priceimport::XlsxPriceReader raw(input);
        priceimport::PriceRecord record;
        while (raw.next(record)) {
        }
    } catch (const std::runtime_error&) {
    }
    return 0;
}
