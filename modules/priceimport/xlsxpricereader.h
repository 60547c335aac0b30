// The first worksheet of an .xlsx workbook, streamed: the zip parts are read in chunks, shared
// strings spilled to a temporary file with an offset index, so memory does not grow with the file.
#pragma once

#include "pricetable.h"

#include <QTemporaryFile>
#include <QXmlStreamReader>

#include <memory>
#include <string>
#include <vector>

struct zip;
struct zip_file;

namespace priceimport {

class XlsxPriceReader final : public PriceTable
{
public:
    // Throws std::runtime_error with a Russian message for a file that is not a readable workbook.
    explicit XlsxPriceReader(const std::string& path);
    // For tests and fuzzing: the workbook's bytes.
    explicit XlsxPriceReader(const QByteArray& bytes);
    ~XlsxPriceReader() override;

    bool next(PriceRecord& record) override;
    std::int64_t expectedRows() const override { return m_expected; }

private:
    class Part;
    void openArchive();
    std::string firstSheetPath();
    void readSharedStrings();
    std::string sharedString(std::int64_t index);
    [[noreturn]] void damaged(const std::string& why) const;

    std::string m_path;
    QByteArray m_bytes;
    zip* m_zip = nullptr;
    std::unique_ptr<Part> m_sheet;
    QTemporaryFile m_strings;
    std::vector<std::uint64_t> m_offsets; // string i is [offsets[i], offsets[i+1])
    std::int64_t m_expected = 0;
    std::int64_t m_lastRow = 0;
};

} // namespace priceimport
