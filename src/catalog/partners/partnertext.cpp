#include "catalog/partners/partnertext.h"

namespace Tarvo::Catalog {

namespace {

bool kept(QChar c)
{
    const char16_t u = c.unicode();
    return (u >= 0x20 && u <= 0x7E) || (u >= 0x0410 && u <= 0x044F) || u == 0x0401 || u == 0x0451 ||
           u == 0x2116;
}

} // namespace

QString PartnerText::clean(const QString& text)
{
    QString r = text;
    for (QChar& c : r)
        if (!kept(c))
            c = QLatin1Char(' ');
    return r;
}

QString PartnerText::shortNameBase(const QString& fullName)
{
    static const QString removed = QStringLiteral("\"'+=-_;:,.\\/");
    QString r;
    for (QChar c : fullName.toUpper())
        if (c != QLatin1Char('\r') && c != QLatin1Char('\n') && c != QLatin1Char(' ') && !removed.contains(c))
            r += c;
    return r.left(8);
}

QString PartnerText::numbered(const QString& base, int number)
{
    const QString n = QString::number(number);
    return base.left(8 - n.size()) + n;
}

} // namespace Tarvo::Catalog
