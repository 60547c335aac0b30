// The first worksheet of an old .xls workbook (at most 65,536 rows), through libfreexl.
#pragma once

#include "pricetable.h"

#include <string>

namespace priceimport {

class XlsPriceReader final : public PriceTable
{
public:
    // Throws std::runtime_error with a Russian message for a file that is not a readable workbook.
    explicit XlsPriceReader(const std::string& path);
    ~XlsPriceReader() override;

    bool next(PriceRecord& record) override;
    std::int64_t expectedRows() const override { return m_rows; }

private:
    const void* m_handle = nullptr;
    std::string m_path;
    unsigned int m_rows = 0;
    unsigned short m_columns = 0;
    unsigned int m_row = 0;
};

} // namespace priceimport
