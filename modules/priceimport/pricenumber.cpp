#include "pricenumber.h"

#include <string>

namespace priceimport {

namespace {

bool isSpaceAt(std::string_view s, std::size_t i, std::size_t* len)
{
    const unsigned char c = static_cast<unsigned char>(s[i]);
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n') {
        *len = 1;
        return true;
    }
    // U+00A0 and U+202F, which spreadsheets put between thousands.
    if (c == 0xC2 && i + 1 < s.size() && static_cast<unsigned char>(s[i + 1]) == 0xA0) {
        *len = 2;
        return true;
    }
    if (c == 0xE2 && i + 2 < s.size() && static_cast<unsigned char>(s[i + 1]) == 0x80 &&
        static_cast<unsigned char>(s[i + 2]) == 0xAF) {
        *len = 3;
        return true;
    }
    return false;
}

} // namespace

std::string_view trim(std::string_view s)
{
    std::size_t len = 0;
    while (!s.empty() && isSpaceAt(s, 0, &len))
        s.remove_prefix(len);
    for (;;) {
        bool cut = false;
        for (std::size_t n = 1; n <= 3 && n <= s.size(); ++n)
            if (isSpaceAt(s, s.size() - n, &len) && len == n) {
                s.remove_suffix(n);
                cut = true;
                break;
            }
        if (!cut)
            return s;
    }
}

std::optional<std::int64_t> parseMoney(std::string_view text)
{
    // Spaces between digits are grouping.
    std::string s;
    s.reserve(text.size());
    text = trim(text);
    for (std::size_t i = 0; i < text.size();) {
        std::size_t len = 0;
        if (isSpaceAt(text, i, &len)) {
            i += len;
            continue;
        }
        s += text[i++];
    }
    if (s.empty())
        return std::nullopt;
    bool negative = false;
    std::size_t i = 0;
    if (s[0] == '-' || s[0] == '+') {
        negative = s[0] == '-';
        i = 1;
    }
    const std::size_t lastComma = s.rfind(',');
    const std::size_t lastPoint = s.rfind('.');
    std::size_t commas = 0, points = 0;
    for (char c : s) {
        commas += c == ',';
        points += c == '.';
    }
    // The decimal mark: the later of a comma and a point when both are there; a single one
    // alone; repeated marks of one kind only group thousands.
    char decimal = 0;
    if (commas && points)
        decimal = lastComma > lastPoint ? ',' : '.';
    else if (commas == 1)
        decimal = ',';
    else if (points == 1)
        decimal = '.';
    if ((decimal == ',' && commas > 1) || (decimal == '.' && points > 1))
        return std::nullopt;

    unsigned __int128 whole = 0;
    std::int64_t fraction = 0;
    int decimals = 0;
    bool digits = false, afterMark = false, roundUp = false, grouped = false;
    int groupDigits = 0; // digits since the start or the last grouping mark
    for (; i < s.size(); ++i) {
        const char c = s[i];
        if (c >= '0' && c <= '9') {
            digits = true;
            if (!afterMark)
                ++groupDigits;
            if (!afterMark) {
                whole = whole * 10 + unsigned(c - '0');
                if (whole > (unsigned __int128)(INT64_MAX / 10000))
                    return std::nullopt;
            } else if (decimals < 4) {
                fraction = fraction * 10 + (c - '0');
                ++decimals;
            } else if (decimals == 4) {
                roundUp = c >= '5';
                ++decimals;
            }
        } else if (c == decimal && !afterMark) {
            if (grouped && groupDigits != 3)
                return std::nullopt;
            afterMark = true;
        } else if ((c == ',' || c == '.') && c != decimal && !afterMark) {
            // Thousands: one to three digits first, then groups of three.
            if (groupDigits == 0 || groupDigits > 3 || (grouped && groupDigits != 3))
                return std::nullopt;
            grouped = true;
            groupDigits = 0;
        } else {
            return std::nullopt;
        }
    }
    if (!digits || (grouped && !afterMark && groupDigits != 3))
        return std::nullopt;
    for (int d = std::min(decimals, 4); d < 4; ++d)
        fraction *= 10;
    unsigned __int128 raw = whole * 10000 + (unsigned __int128)fraction + (roundUp ? 1 : 0);
    if (raw > (unsigned __int128)INT64_MAX)
        return std::nullopt;
    const std::int64_t v = std::int64_t(raw);
    return negative ? -v : v;
}

std::optional<std::int32_t> parseInteger(std::string_view text)
{
    const auto m = parseMoney(text);
    if (!m || *m % 10000 != 0)
        return std::nullopt;
    const std::int64_t v = *m / 10000;
    if (v < INT32_MIN || v > INT32_MAX)
        return std::nullopt;
    return std::int32_t(v);
}

} // namespace priceimport
