#include "data/engine/likepattern.h"

namespace Tarvo::Data {

QString LikePattern::literal(const QString& text)
{
    QString r;
    r.reserve(text.size() + 4);
    for (const QChar c : text) {
        if (c == QLatin1Char('%') || c == QLatin1Char('_') || c == QLatin1Char('\\'))
            r += QLatin1Char('\\');
        r += c;
    }
    return r;
}

} // namespace Tarvo::Data
