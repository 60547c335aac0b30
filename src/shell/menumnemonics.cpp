#include "shell/menumnemonics.h"

#include <QSet>

namespace Tarvo::Shell {

namespace {
// Index of the character after the mnemonic "&", or -1.
int markerAt(const QString& caption)
{
    for (int i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] != QLatin1Char('&'))
            continue;
        if (caption[i + 1] == QLatin1Char('&')) {
            ++i; // a literal ampersand
            continue;
        }
        return i + 1;
    }
    return -1;
}

// The first free character at a word start, else anywhere.
int freeLetter(const QString& text, const QSet<QChar>& used)
{
    for (int pass = 0; pass < 2; ++pass)
        for (int i = 0; i < text.size(); ++i) {
            const QChar c = text[i];
            if (!c.isLetterOrNumber() || used.contains(c.toLower()))
                continue;
            const bool wordStart = i == 0 || !text[i - 1].isLetterOrNumber();
            if (pass == 1 || wordStart)
                return i;
        }
    return -1;
}
} // namespace

QChar MenuMnemonics::mnemonic(const QString& caption)
{
    const int at = markerAt(caption);
    return at < 0 ? QChar() : caption[at].toLower();
}

QString MenuMnemonics::plain(const QString& caption)
{
    const int at = markerAt(caption);
    return at < 0 ? caption : caption.left(at - 1) + caption.mid(at);
}

QStringList MenuMnemonics::assign(const QStringList& captions)
{
    QStringList result = captions;
    QSet<QChar> used;
    QList<int> pending;
    for (int i = 0; i < result.size(); ++i) {
        const QChar m = mnemonic(result[i]);
        if (!m.isNull() && !used.contains(m)) {
            used.insert(m);
            continue;
        }
        result[i] = plain(result[i]);
        if (!result[i].trimmed().isEmpty())
            pending << i;
    }
    for (int i : std::as_const(pending)) {
        // Literal "&&" stays doubled; letters are searched in the text as shown.
        const QString& caption = result[i];
        QString shown = caption;
        shown.replace(QStringLiteral("&&"), QStringLiteral("\x01"));
        const int at = freeLetter(shown, used);
        if (at < 0)
            continue;
        used.insert(shown[at].toLower());
        shown.insert(at, QLatin1Char('&'));
        shown.replace(QChar(1), QStringLiteral("&&"));
        result[i] = shown;
    }
    return result;
}

} // namespace Tarvo::Shell
