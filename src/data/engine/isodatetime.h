#pragma once

#include <QDate>
#include <QTime>

namespace Tarvo::Data {

// Reads "yyyy-MM-dd", optionally followed by " HH:mm[:ss[.fff]]" or "T...", and an ignored zone
// suffix, from UTF-16 or 8-bit text. Hand-written: result sets carry a date on every row and
// QDateTime::fromString is far slower.
template <class Ch> bool parseIsoDateTime(const Ch* s, qsizetype n, QDate* date, QTime* time)
{
    auto digits = [&](qsizetype pos, int count, int* out) {
        if (pos + count > n)
            return false;
        int v = 0;
        for (qsizetype i = pos; i < pos + count; ++i) {
            const auto c = s[i];
            if (c < Ch('0') || c > Ch('9'))
                return false;
            v = v * 10 + int(c - Ch('0'));
        }
        *out = v;
        return true;
    };
    int y, mo, d, h = 0, mi = 0, sec = 0, ms = 0;
    if (n < 10 || !digits(0, 4, &y) || s[4] != Ch('-') || !digits(5, 2, &mo) || s[7] != Ch('-') ||
        !digits(8, 2, &d))
        return false;
    if (n > 10 && (s[10] == Ch(' ') || s[10] == Ch('T'))) {
        if (n < 16 || !digits(11, 2, &h) || s[13] != Ch(':') || !digits(14, 2, &mi))
            return false;
        if (n > 16 && s[16] == Ch(':')) {
            if (!digits(17, 2, &sec))
                return false;
            if (n > 19 && (s[19] == Ch('.') || s[19] == Ch(','))) {
                qsizetype pos = 20;
                int scale = 100;
                while (pos < n && s[pos] >= Ch('0') && s[pos] <= Ch('9')) {
                    ms += int(s[pos] - Ch('0')) * scale;
                    scale /= 10;
                    ++pos;
                }
            }
        }
    }
    *date = QDate(y, mo, d);
    *time = QTime(h, mi, sec, ms);
    return date->isValid() && time->isValid();
}

} // namespace Tarvo::Data
