// A price file as rows of text cells, whatever its format.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace priceimport {

struct PriceRecord
{
    std::int64_t line = 0;          // the file line (or sheet row) it starts on, from 1
    std::vector<std::string> cells; // UTF-8, column 0 first
};

struct PriceProblem
{
    std::int64_t line;
    std::string text;
};

class PriceTable
{
public:
    virtual ~PriceTable() = default;
    // The next row; false at the end. Rows the reader skips are listed in problems().
    virtual bool next(PriceRecord& record) = 0;
    std::vector<PriceProblem>& problems() { return m_problems; }
    // Rows expected in all, 0 when unknown.
    virtual std::int64_t expectedRows() const = 0;

protected:
    void problem(std::int64_t line, std::string text) { m_problems.push_back({line, std::move(text)}); }

private:
    std::vector<PriceProblem> m_problems;
};

} // namespace priceimport
