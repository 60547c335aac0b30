#include "shell/formplacement.h"

#include <QList>

namespace Tarvo::Shell {

std::optional<FormPlacement> FormPlacement::parse(const QString& text)
{
    QList<int> numbers;
    int i = 0;
    const int n = text.size();
    while (i < n && numbers.size() < 5) {
        while (i < n && !text[i].isDigit() && text[i] != QLatin1Char('-'))
            ++i;
        if (i >= n)
            break;
        const int start = i;
        if (text[i] == QLatin1Char('-'))
            ++i;
        const int digits = i;
        while (i < n && text[i].isDigit())
            ++i;
        if (i == digits)
            continue; // a lone "-" is not a number
        bool ok = false;
        const int v = text.mid(start, i - start).toInt(&ok);
        if (!ok)
            return std::nullopt; // out of range: the whole value is damaged
        numbers << v;
        if (i < n)
            ++i; // the separator after the digits
    }
    // More than five numbers still reads the first five, as the rule says.
    if (numbers.size() != 5)
        return std::nullopt;
    FormPlacement p{numbers[0], numbers[1], numbers[2], numbers[3], numbers[4]};
    if (p.state < Normal || p.state > Maximized || p.width <= 0 || p.height <= 0)
        return std::nullopt;
    return p;
}

QString FormPlacement::toString() const
{
    return QStringLiteral("%1 %2 %3 %4 %5").arg(left).arg(top).arg(width).arg(height).arg(state);
}

} // namespace Tarvo::Shell
