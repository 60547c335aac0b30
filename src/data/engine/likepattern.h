#pragma once

#include <QString>

namespace Tarvo::Data {

// Typed text inside a LIKE pattern (with the dialect's case-insensitive operator) that matches as
// typed: "%", "_" and the escape character "\" are escaped, and the bound pattern is followed by
// the escape clause, which both engines accept.
class LikePattern
{
public:
    static QString literal(const QString& text);
    // " escape '\'", to follow the bound pattern.
    static QString escapeClause() { return QStringLiteral(" escape '\\'"); }
    // "%text%" with the text matched literally.
    static QString contains(const QString& text)
    {
        return QLatin1Char('%') + literal(text) + QLatin1Char('%');
    }
};

} // namespace Tarvo::Data
