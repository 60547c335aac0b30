#pragma once

#include <QString>

namespace Tarvo::Catalog {

// The text rules of the counterparty card: the cleaning of control and pseudo-graphic
// characters and the base of a generated short name.
class PartnerText
{
public:
    // Every character other than printable ASCII, the Cyrillic letters (Ё and ё included)
    // and "№" becomes a space: the warehouse's programs read these columns as code page 1251
    // and break on the rest.
    static QString clean(const QString& text);
    // The full name without line breaks and spaces, upper-cased, without the characters
    // " ' + = - _ ; : , . \ /, cut to the 8 characters of a short name.
    static QString shortNameBase(const QString& fullName);
    // The base itself, or the base cut to leave room for the number, followed by the number.
    static QString numbered(const QString& base, int number);
};

} // namespace Tarvo::Catalog
