#include "xlspricereader.h"

#include <freexl.h>

#include <charconv>
#include <cmath>
#include <stdexcept>

namespace priceimport {

XlsPriceReader::XlsPriceReader(const std::string& path) : m_path(path)
{
    if (freexl_open(path.c_str(), &m_handle) != FREEXL_OK) {
        if (m_handle)
            freexl_close(m_handle);
        m_handle = nullptr;
        throw std::runtime_error("Файл «" + path + "» не является книгой Excel .xls или повреждён");
    }
    if (freexl_select_active_worksheet(m_handle, 0) != FREEXL_OK ||
        freexl_worksheet_dimensions(m_handle, &m_rows, &m_columns) != FREEXL_OK) {
        freexl_close(m_handle);
        m_handle = nullptr;
        throw std::runtime_error("Книга Excel «" + path + "» повреждена: первый лист не читается");
    }
}

XlsPriceReader::~XlsPriceReader()
{
    if (m_handle)
        freexl_close(m_handle);
}

bool XlsPriceReader::next(PriceRecord& record)
{
    if (!m_handle || m_row >= m_rows)
        return false;
    record.line = std::int64_t(m_row) + 1;
    record.cells.assign(m_columns, std::string());
    for (unsigned short c = 0; c < m_columns; ++c) {
        FreeXL_CellValue v;
        if (freexl_get_cell_value(m_handle, m_row, c, &v) != FREEXL_OK)
            throw std::runtime_error("Книга Excel «" + m_path + "» повреждена: ячейка строки " +
                                     std::to_string(record.line) + " не читается");
        switch (v.type) {
        case FREEXL_CELL_INT:
            record.cells[c] = std::to_string(v.value.int_value);
            break;
        case FREEXL_CELL_DOUBLE: {
            char buf[400];
            const auto r = std::isfinite(v.value.double_value)
                               ? std::to_chars(buf, buf + sizeof buf, v.value.double_value, std::chars_format::fixed)
                               : std::to_chars_result{buf, std::errc::invalid_argument};
            if (r.ec == std::errc())
                record.cells[c].assign(buf, r.ptr);
            break;
        }
        case FREEXL_CELL_TEXT:
        case FREEXL_CELL_SST_TEXT:
        case FREEXL_CELL_DATE:
        case FREEXL_CELL_DATETIME:
        case FREEXL_CELL_TIME:
            if (v.value.text_value)
                record.cells[c] = v.value.text_value;
            break;
        default:
            break;
        }
    }
    ++m_row;
    return true;
}

} // namespace priceimport
