#include "data/modules/objectnotation.h"

#include "core/exception.h"

#include <QStringDecoder>

namespace Tarvo::Data {

NotationValue NotationValue::string(const QString& s)
{
    NotationValue v;
    v.kind = Kind::String;
    v.text = s;
    return v;
}

NotationValue NotationValue::integer(qint64 i)
{
    NotationValue v;
    v.kind = Kind::Integer;
    v.text = QString::number(i);
    return v;
}

NotationValue NotationValue::identifier(const QString& s)
{
    NotationValue v;
    v.kind = Kind::Identifier;
    v.text = s;
    return v;
}

const NotationProperty* NotationObject::find(const QString& n) const
{
    for (const NotationProperty& p : properties)
        if (p.name.compare(n, Qt::CaseInsensitive) == 0)
            return &p;
    return nullptr;
}

namespace {

constexpr int MaxDepth = 64;

class Reader
{
public:
    explicit Reader(const QByteArray& text) : m_text(decode(text)) {}

    // Ours is UTF-8 (in fact ASCII: the writer codes every other character). Texts that the
    // Windows class library wrote keep its 8-bit strings in the Cyrillic code page.
    static QString decode(const QByteArray& text)
    {
        QStringDecoder utf8(QStringDecoder::Utf8);
        QString s = utf8(text);
        if (!utf8.hasError())
            return s;
        QStringDecoder cp1251("windows-1251");
        return cp1251.isValid() ? cp1251(text) : QString::fromLatin1(text);
    }

    NotationObject readObject(int depth)
    {
        if (depth > MaxDepth)
            fail("слишком глубокая вложенность");
        NotationObject o;
        o.keyword = identifier();
        const QString kw = o.keyword.toLower();
        if (kw != QLatin1String("object") && kw != QLatin1String("inherited") &&
            kw != QLatin1String("inline"))
            fail("ожидалось object");
        const QString first = identifier();
        if (peekChar() == u':') {
            ++m_pos;
            o.name = first;
            o.className = identifier();
        } else {
            o.className = first;
        }
        if (peekChar() == u'[') { // creation order index
            while (m_pos < m_text.size() && m_text[m_pos] != u']')
                ++m_pos;
            ++m_pos;
        }
        while (true) {
            const QString word = identifier();
            const QString lower = word.toLower();
            if (lower == QLatin1String("end"))
                break;
            if (lower == QLatin1String("object") || lower == QLatin1String("inherited") ||
                lower == QLatin1String("inline")) {
                m_pos -= word.size();
                o.children << readObject(depth + 1);
                continue;
            }
            expect(u'=');
            o.properties << NotationProperty{word, value(depth)};
        }
        return o;
    }

    void finish()
    {
        skipBlanks();
        if (m_pos < m_text.size())
            fail("лишний текст после end");
    }

private:
    [[noreturn]] void fail(const char* what) const
    {
        throw Exception(QStringLiteral("Ошибка в описании объекта (позиция %1): %2")
                            .arg(m_pos)
                            .arg(QString::fromUtf8(what)));
    }
    void skipBlanks()
    {
        while (m_pos < m_text.size() && m_text[m_pos].isSpace())
            ++m_pos;
    }
    QChar peekChar()
    {
        skipBlanks();
        return m_pos < m_text.size() ? m_text[m_pos] : QChar();
    }
    void expect(QChar c)
    {
        if (peekChar() != c)
            fail("неожиданный символ");
        ++m_pos;
    }
    static bool identChar(QChar c) { return c.isLetterOrNumber() || c == u'_' || c == u'.'; }
    QString identifier()
    {
        skipBlanks();
        const qsizetype start = m_pos;
        while (m_pos < m_text.size() && identChar(m_text[m_pos]))
            ++m_pos;
        if (start == m_pos || m_text[start].isDigit())
            fail("ожидалось имя");
        return m_text.mid(start, m_pos - start);
    }
    int number(int base)
    {
        const qsizetype start = m_pos;
        while (m_pos < m_text.size() &&
               (base == 16 ? isxdigit(m_text[m_pos].unicode()) && m_text[m_pos].unicode() < 128
                           : m_text[m_pos].isDigit() && m_text[m_pos].unicode() < 128))
            ++m_pos;
        bool ok = false;
        const int v = m_text.mid(start, m_pos - start).toInt(&ok, base);
        if (!ok)
            fail("неверный код символа");
        return v;
    }
    // 'quoted' runs and #nnn codes, joined by "+" across lines.
    QString string()
    {
        QString out;
        while (true) {
            const QChar c = peekChar();
            if (c == u'\'') {
                ++m_pos;
                while (true) {
                    if (m_pos >= m_text.size())
                        fail("незакрытая строка");
                    const QChar ch = m_text[m_pos++];
                    if (ch == u'\'') {
                        if (m_pos < m_text.size() && m_text[m_pos] == u'\'') {
                            out += u'\'';
                            ++m_pos;
                            continue;
                        }
                        break;
                    }
                    if (ch == u'\n' || ch == u'\r')
                        fail("перевод строки внутри строки");
                    out += ch;
                }
            } else if (c == u'#') {
                ++m_pos;
                int code;
                if (m_pos < m_text.size() && m_text[m_pos] == u'$') {
                    ++m_pos;
                    code = number(16);
                } else {
                    code = number(10);
                }
                if (code < 0 || code > 0xFFFF)
                    fail("неверный код символа");
                out += QChar(char16_t(code));
            } else if (c == u'+') {
                ++m_pos;
                const QChar n = peekChar();
                if (n != u'\'' && n != u'#')
                    fail("после + ожидалась строка");
            } else {
                return out;
            }
        }
    }
    NotationValue value(int depth)
    {
        if (depth > MaxDepth)
            fail("слишком глубокая вложенность");
        NotationValue v;
        const QChar c = peekChar();
        if (c.isNull())
            fail("неожиданный конец текста");
        if (c == u'\'' || c == u'#') {
            v.kind = NotationValue::Kind::String;
            v.text = string();
        } else if (c == u'-' || c == u'+' || c.isDigit() || c == u'$') {
            const qsizetype start = m_pos;
            ++m_pos;
            bool isFloat = false;
            while (m_pos < m_text.size() && m_text[m_pos].unicode() < 128 &&
                   (isalnum(m_text[m_pos].unicode()) || m_text[m_pos] == u'.' ||
                    ((m_text[m_pos] == u'-' || m_text[m_pos] == u'+') &&
                     (m_text[m_pos - 1] == u'e' || m_text[m_pos - 1] == u'E')))) {
                isFloat = isFloat || m_text[m_pos] == u'.' || m_text[m_pos] == u'e' || m_text[m_pos] == u'E';
                ++m_pos;
            }
            v.text = m_text.mid(start, m_pos - start);
            const bool hex = v.text.contains(u'$');
            v.kind = isFloat && !hex ? NotationValue::Kind::Float : NotationValue::Kind::Integer;
            if (v.text == QLatin1String("-") || v.text == QLatin1String("+"))
                fail("ожидалось число");
        } else if (c == u'{') {
            ++m_pos;
            v.kind = NotationValue::Kind::Binary;
            QByteArray hex;
            while (true) {
                const QChar h = peekChar();
                if (h.isNull())
                    fail("незакрытые двоичные данные");
                ++m_pos;
                if (h == u'}')
                    break;
                if (h.unicode() >= 128 || !isxdigit(h.unicode()))
                    fail("неверные двоичные данные");
                hex += char(h.unicode());
            }
            if (hex.size() % 2)
                fail("нечётное число цифр в двоичных данных");
            v.bytes = QByteArray::fromHex(hex);
        } else if (c == u'[') {
            ++m_pos;
            v.kind = NotationValue::Kind::Set;
            if (peekChar() != u']') {
                while (true) {
                    v.set << identifier();
                    if (peekChar() == u',') {
                        ++m_pos;
                        continue;
                    }
                    break;
                }
            }
            expect(u']');
        } else if (c == u'(') {
            ++m_pos;
            v.kind = NotationValue::Kind::List;
            while (peekChar() != u')')
                v.list << value(depth + 1);
            ++m_pos;
        } else if (c == u'<') {
            ++m_pos;
            v.kind = NotationValue::Kind::Collection;
            while (peekChar() != u'>') {
                const QString word = identifier();
                if (word.compare(QLatin1String("item"), Qt::CaseInsensitive) != 0)
                    fail("ожидалось item");
                if (peekChar() == u'[') {
                    while (m_pos < m_text.size() && m_text[m_pos] != u']')
                        ++m_pos;
                    ++m_pos;
                }
                QList<NotationProperty> props;
                while (true) {
                    const QString name = identifier();
                    if (name.compare(QLatin1String("end"), Qt::CaseInsensitive) == 0)
                        break;
                    expect(u'=');
                    props << NotationProperty{name, value(depth + 1)};
                }
                v.items << props;
            }
            ++m_pos;
        } else {
            v.kind = NotationValue::Kind::Identifier;
            v.text = identifier();
        }
        return v;
    }

    QString m_text;
    qsizetype m_pos = 0;
};

class Writer
{
public:
    QByteArray result() const { return m_out.toUtf8(); }

    void object(const NotationObject& o, int indent)
    {
        line(indent, o.keyword + QLatin1Char(' ') +
                         (o.name.isEmpty() ? o.className : o.name + QStringLiteral(": ") + o.className));
        for (const NotationProperty& p : o.properties)
            property(p, indent + 1);
        for (const NotationObject& c : o.children)
            object(c, indent + 1);
        line(indent, QStringLiteral("end"));
    }

private:
    static QString pad(int indent) { return QString(indent * 2, u' '); }
    void line(int indent, const QString& text) { m_out += pad(indent) + text + QLatin1Char('\n'); }

    void property(const NotationProperty& p, int indent)
    {
        m_out += pad(indent) + p.name + QStringLiteral(" = ");
        value(p.value, indent);
        m_out += QLatin1Char('\n');
    }

    // Printable ASCII in quoted runs, everything else as #code; long texts continue with " +".
    void string(const QString& s, int indent)
    {
        if (s.isEmpty()) {
            m_out += QStringLiteral("''");
            return;
        }
        int lineLength = 0;
        bool quoted = false;
        for (qsizetype i = 0; i < s.size(); ++i) {
            if (lineLength >= 64) {
                if (quoted)
                    m_out += QLatin1Char('\'');
                quoted = false;
                m_out += QStringLiteral(" +\n") + pad(indent + 1);
                lineLength = 0;
            }
            const char16_t c = s[i].unicode();
            if (c >= 32 && c < 127) {
                if (!quoted)
                    m_out += QLatin1Char('\'');
                quoted = true;
                m_out += c == u'\'' ? QStringLiteral("''") : QString(QChar(c));
            } else {
                if (quoted)
                    m_out += QLatin1Char('\'');
                quoted = false;
                m_out += QLatin1Char('#') + QString::number(c);
            }
            ++lineLength;
        }
        if (quoted)
            m_out += QLatin1Char('\'');
    }

    void value(const NotationValue& v, int indent)
    {
        switch (v.kind) {
        case NotationValue::Kind::Integer:
        case NotationValue::Kind::Float:
        case NotationValue::Kind::Identifier:
            m_out += v.text;
            break;
        case NotationValue::Kind::String:
            string(v.text, indent);
            break;
        case NotationValue::Kind::Binary: {
            m_out += QLatin1Char('{');
            const QByteArray hex = v.bytes.toHex().toUpper();
            for (qsizetype i = 0; i < hex.size(); i += 64)
                m_out += QLatin1Char('\n') + pad(indent + 1) + QString::fromLatin1(hex.mid(i, 64));
            m_out += QLatin1Char('}');
            break;
        }
        case NotationValue::Kind::Set:
            m_out += QLatin1Char('[') + v.set.join(QStringLiteral(", ")) + QLatin1Char(']');
            break;
        case NotationValue::Kind::List:
            m_out += QLatin1Char('(');
            for (const NotationValue& item : v.list) {
                m_out += QLatin1Char('\n') + pad(indent + 1);
                value(item, indent + 1);
            }
            m_out += QLatin1Char(')');
            break;
        case NotationValue::Kind::Collection:
            m_out += QLatin1Char('<');
            for (const auto& item : v.items) {
                m_out += QLatin1Char('\n') + pad(indent + 1) + QStringLiteral("item");
                for (const NotationProperty& p : item) {
                    m_out += QLatin1Char('\n');
                    m_out += pad(indent + 2) + p.name + QStringLiteral(" = ");
                    value(p.value, indent + 2);
                }
                m_out += QLatin1Char('\n') + pad(indent + 1) + QStringLiteral("end");
            }
            m_out += QLatin1Char('>');
            break;
        }
    }

    QString m_out;
};

} // namespace

namespace ObjectNotation {

NotationObject read(const QByteArray& text)
{
    Reader r(text);
    NotationObject o = r.readObject(0);
    r.finish();
    return o;
}

QByteArray write(const NotationObject& object)
{
    Writer w;
    w.object(object, 0);
    return w.result();
}

} // namespace ObjectNotation

} // namespace Tarvo::Data
