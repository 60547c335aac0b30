#pragma once

#include <QChar>
#include <QStringList>

namespace Tarvo::Shell {

// Alt-letters inside one menu: every caption gets one, and no two share a letter
// (letter case ignored). A caption's own "&" letter is kept unless an earlier
// caption already holds it; the others take the first free initial of a word,
// then the first free letter or digit. "&&" is a literal ampersand.
class MenuMnemonics
{
public:
    static QStringList assign(const QStringList& captions);
    // The caption's Alt-letter in lower case, or a null QChar.
    static QChar mnemonic(const QString& caption);
    // The caption without its mnemonic marker.
    static QString plain(const QString& caption);
};

} // namespace Tarvo::Shell
