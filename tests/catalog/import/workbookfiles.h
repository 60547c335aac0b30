#pragma once

#include <QByteArray>
#include <QFile>
#include <QList>
#include <QString>
#include <utility>
#include <zip.h> // minizip

namespace Tarvo::Test {

// Writes a zip of the named parts.
inline void writeZip(const QString& path, const QList<std::pair<QByteArray, QByteArray>>& parts)
{
    zipFile z = zipOpen(QFile::encodeName(path).constData(), APPEND_STATUS_CREATE);
    for (const auto& [name, data] : parts) {
        zipOpenNewFileInZip(z, name.constData(), nullptr, nullptr, 0, nullptr, 0, nullptr, Z_DEFLATED, 6);
        zipWriteInFileInZip(z, data.constData(), unsigned(data.size()));
        zipCloseFileInZip(z);
    }
    zipClose(z, nullptr);
}

// A workbook of one sheet (at "xl/worksheets/<sheetFile>") with the given shared strings.
inline void writeWorkbook(const QString& path, const QByteArray& sheet, const QByteArray& sharedStrings = {},
                          const QByteArray& sheetFile = "sheet1.xml")
{
    QList<std::pair<QByteArray, QByteArray>> parts{
        {"xl/workbook.xml",
         R"(<?xml version="1.0"?><workbook xmlns:r="http://schemas.openxmlformats.org/officeDocument/2006/relationships"><sheets><sheet name="Прайс" sheetId="1" r:id="rId7"/><sheet name="Второй" sheetId="2" r:id="rId1"/></sheets></workbook>)"},
        {"xl/_rels/workbook.xml.rels",
         R"(<?xml version="1.0"?><Relationships><Relationship Id="rId1" Target="worksheets/other.xml"/><Relationship Id="rId7" Target="worksheets/)" +
             sheetFile + R"("/></Relationships>)"},
        {"xl/worksheets/" + sheetFile, sheet},
        {"xl/worksheets/other.xml", R"(<?xml version="1.0"?><worksheet><sheetData/></worksheet>)"}};
    if (!sharedStrings.isEmpty())
        parts.append({"xl/sharedStrings.xml", sharedStrings});
    writeZip(path, parts);
}

} // namespace Tarvo::Test
