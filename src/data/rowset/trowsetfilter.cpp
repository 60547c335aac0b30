#include "data/rowset/trowsetfilter.h"

#include "data/engine/money.h"
#include "data/engine/query.h"
#include "core/exception.h"

#include <QDateTime>
#include <QLocale>
#include <QRegularExpression>
#include <cmath>
#include <vector>

namespace Tarvo::Data {

namespace {

enum class Op
{
    Eq,
    Ne,
    Lt,
    Gt,
    Le,
    Ge,
    Like,
    IsNull,
    NotNull
};

QDateTime parseDate(const QString& text)
{
    for (const char* fmt :
         {"dd.MM.yyyy HH:mm:ss", "dd.MM.yyyy HH:mm", "dd.MM.yyyy", "MM/dd/yyyy HH:mm:ss", "MM/dd/yyyy"}) {
        const QDateTime d = QDateTime::fromString(text, QLatin1String(fmt));
        if (d.isValid())
            return d;
    }
    return Query::parseDateTime(text);
}

// Only * and % are wildcards; "[*]", "[%]" and "[[]" stand for the character itself.
QRegularExpression likePattern(const QString& pattern)
{
    QString rx;
    for (qsizetype i = 0; i < pattern.size(); ++i) {
        const QChar c = pattern[i];
        if (c == u'[' && i + 2 < pattern.size() && pattern[i + 2] == u']') {
            rx += QRegularExpression::escape(QString(pattern[i + 1]));
            i += 2;
        } else if (c == u'*' || c == u'%') {
            rx += QStringLiteral(".*");
        } else {
            rx += QRegularExpression::escape(QString(c));
        }
    }
    return QRegularExpression(QRegularExpression::anchoredPattern(rx),
                              QRegularExpression::CaseInsensitiveOption |
                                  QRegularExpression::DotMatchesEverythingOption);
}

} // namespace

struct TRowSetFilter::Node
{
    enum Kind
    {
        And,
        Or,
        Not,
        Compare
    } kind = Compare;
    std::unique_ptr<Node> left, right;
    int field = -1;
    FieldType type = FieldType::String;
    Op op = Op::Eq;
    QVariant literal; // converted to the field's type
    QRegularExpression like;

    bool eval(const RowValues& values) const
    {
        switch (kind) {
        case And:
            return left->eval(values) && right->eval(values);
        case Or:
            return left->eval(values) || right->eval(values);
        case Not:
            return !left->eval(values);
        case Compare:
            break;
        }
        const QVariant v = values.at(field);
        const bool isNull = v.isNull() || !v.isValid();
        if (op == Op::IsNull)
            return isNull;
        if (op == Op::NotNull)
            return !isNull;
        if (op == Op::Like)
            return !isNull && like.match(v.toString()).hasMatch();
        if (isNull || literal.isNull())
            return false;
        int c = 0;
        switch (type) {
        case FieldType::Money:
        case FieldType::Integer:
        case FieldType::Float:
            // Not a number equals nothing and orders against nothing.
            if ((v.metaType().id() == QMetaType::Double && std::isnan(v.toDouble())) ||
                (literal.metaType().id() == QMetaType::Double && std::isnan(literal.toDouble())))
                return op == Op::Ne;
            c = RowValues::compareNumbers(v, literal);
            break;
        case FieldType::Boolean:
            c = int(v.toBool()) - int(literal.toBool());
            break;
        case FieldType::DateTime: {
            const QDateTime a = Query::parseDateTime(v), b = literal.toDateTime();
            c = a < b ? -1 : (a > b ? 1 : 0);
            break;
        }
        default:
            c = QString::compare(v.toString(), literal.toString(), Qt::CaseInsensitive);
        }
        switch (op) {
        case Op::Eq:
            return c == 0;
        case Op::Ne:
            return c != 0;
        case Op::Lt:
            return c < 0;
        case Op::Gt:
            return c > 0;
        case Op::Le:
            return c <= 0;
        case Op::Ge:
            return c >= 0;
        default:
            return false;
        }
    }
};

namespace {

class Parser
{
public:
    Parser(const QString& text, const QList<RowSetField>& fields) : m_text(text), m_fields(fields) {}

    std::unique_ptr<TRowSetFilter::Node> parse()
    {
        auto n = parseOr();
        skipBlanks();
        if (m_pos < m_text.size())
            fail();
        return n;
    }

private:
    using NodePtr = std::unique_ptr<TRowSetFilter::Node>;

    [[noreturn]] void fail() const
    {
        throw Exception(QStringLiteral("Неверное условие отбора: %1").arg(m_text));
    }
    void skipBlanks()
    {
        while (m_pos < m_text.size() && m_text[m_pos].isSpace())
            ++m_pos;
    }
    // Consumes a keyword when it stands here as a whole word.
    bool keyword(QLatin1String word)
    {
        skipBlanks();
        const qsizetype end = m_pos + word.size();
        if (end > m_text.size() ||
            QStringView(m_text).mid(m_pos, word.size()).compare(word, Qt::CaseInsensitive) != 0)
            return false;
        if (end < m_text.size() && (m_text[end].isLetterOrNumber() || m_text[end] == u'_'))
            return false;
        m_pos = end;
        return true;
    }
    NodePtr binary(TRowSetFilter::Node::Kind kind, NodePtr l, NodePtr r)
    {
        auto n = std::make_unique<TRowSetFilter::Node>();
        n->kind = kind;
        n->left = std::move(l);
        n->right = std::move(r);
        return n;
    }
    NodePtr parseOr()
    {
        auto n = parseAnd();
        while (keyword(QLatin1String("or")))
            n = binary(TRowSetFilter::Node::Or, std::move(n), parseAnd());
        return n;
    }
    NodePtr parseAnd()
    {
        auto n = parseFactor();
        while (keyword(QLatin1String("and")))
            n = binary(TRowSetFilter::Node::And, std::move(n), parseFactor());
        return n;
    }
    NodePtr parseFactor()
    {
        skipBlanks();
        if (keyword(QLatin1String("not")))
            return binary(TRowSetFilter::Node::Not, parseFactor(), nullptr);
        if (m_pos < m_text.size() && m_text[m_pos] == u'(') {
            ++m_pos;
            auto n = parseOr();
            skipBlanks();
            if (m_pos >= m_text.size() || m_text[m_pos] != u')')
                fail();
            ++m_pos;
            return n;
        }
        return parseComparison();
    }
    QString identifier()
    {
        skipBlanks();
        if (m_pos < m_text.size() && m_text[m_pos] == u'[') {
            const qsizetype close = m_text.indexOf(u']', m_pos);
            if (close < 0)
                fail();
            QString name = m_text.mid(m_pos + 1, close - m_pos - 1);
            m_pos = close + 1;
            return name;
        }
        const qsizetype start = m_pos;
        while (m_pos < m_text.size() && (m_text[m_pos].isLetterOrNumber() || m_text[m_pos] == u'_'))
            ++m_pos;
        if (start == m_pos)
            fail();
        return m_text.mid(start, m_pos - start);
    }
    Op op()
    {
        skipBlanks();
        if (keyword(QLatin1String("like")))
            return Op::Like;
        static const std::pair<const char*, Op> ops[] = {{"<>", Op::Ne}, {"<=", Op::Le}, {">=", Op::Ge},
                                                         {"=", Op::Eq},  {"<", Op::Lt},  {">", Op::Gt}};
        for (const auto& [text, o] : ops) {
            const QLatin1String t(text);
            if (QStringView(m_text).mid(m_pos).startsWith(t)) {
                m_pos += t.size();
                return o;
            }
        }
        fail();
    }
    // The literal as text, and whether it was quoted or a date.
    QVariant literal(FieldType type, bool* isNull)
    {
        skipBlanks();
        *isNull = false;
        if (m_pos >= m_text.size())
            fail();
        QString text;
        const QChar c = m_text[m_pos];
        if (c == u'\'' || c == u'"') {
            ++m_pos;
            while (true) {
                if (m_pos >= m_text.size())
                    fail();
                if (m_text[m_pos] == c) {
                    if (m_pos + 1 < m_text.size() && m_text[m_pos + 1] == c) {
                        text += c;
                        m_pos += 2;
                        continue;
                    }
                    ++m_pos;
                    break;
                }
                text += m_text[m_pos++];
            }
        } else if (c == u'#') {
            const qsizetype close = m_text.indexOf(u'#', m_pos + 1);
            if (close < 0)
                fail();
            text = m_text.mid(m_pos + 1, close - m_pos - 1);
            m_pos = close + 1;
        } else if (keyword(QLatin1String("null"))) {
            *isNull = true;
            return {};
        } else {
            const qsizetype start = m_pos;
            while (m_pos < m_text.size() && (m_text[m_pos].isLetterOrNumber() || m_text[m_pos] == u'.' ||
                                             m_text[m_pos] == u'-' || m_text[m_pos] == u'+'))
                ++m_pos;
            if (start == m_pos)
                fail();
            text = m_text.mid(start, m_pos - start);
        }
        switch (type) {
        case FieldType::Float: {
            bool ok = false;
            const double d = QLocale::c().toDouble(text, &ok);
            if (!ok)
                fail();
            return d;
        }
        case FieldType::Integer: {
            bool ok = false;
            const qlonglong n = text.toLongLong(&ok);
            if (ok)
                return n;
            [[fallthrough]];
        }
        case FieldType::Money: {
            const auto m = Money::parse(text);
            if (!m)
                fail();
            return QVariant::fromValue(*m);
        }
        case FieldType::Boolean: {
            const QString t = text.toLower();
            if (t == QLatin1String("true") || t == QLatin1String("1"))
                return true;
            if (t == QLatin1String("false") || t == QLatin1String("0"))
                return false;
            fail();
        }
        case FieldType::DateTime: {
            const QDateTime d = parseDate(text);
            if (!d.isValid())
                fail();
            return d;
        }
        default:
            return text;
        }
    }
    NodePtr parseComparison()
    {
        const QString name = identifier();
        int field = -1;
        for (int i = 0; i < m_fields.size(); ++i)
            if (m_fields[i].name.compare(name, Qt::CaseInsensitive) == 0) {
                field = i;
                break;
            }
        if (field < 0)
            throw Exception(QStringLiteral("Поле '%1' не найдено").arg(name));
        auto n = std::make_unique<TRowSetFilter::Node>();
        n->field = field;
        n->type = m_fields[field].type;
        if (keyword(QLatin1String("is"))) {
            const bool negate = keyword(QLatin1String("not"));
            if (!keyword(QLatin1String("null")))
                fail();
            n->op = negate ? Op::NotNull : Op::IsNull;
            return n;
        }
        n->op = op();
        bool isNull = false;
        if (n->op == Op::Like) {
            n->like = likePattern(literal(FieldType::String, &isNull).toString());
            return n;
        }
        n->literal = literal(n->type, &isNull);
        if (isNull && (n->op == Op::Eq || n->op == Op::Ne))
            n->op = n->op == Op::Eq ? Op::IsNull : Op::NotNull;
        return n;
    }

    const QString& m_text;
    const QList<RowSetField>& m_fields;
    qsizetype m_pos = 0;
};

} // namespace

TRowSetFilter::TRowSetFilter(const QString& expression, const QList<RowSetField>& fields)
    : m_root(Parser(expression, fields).parse())
{}

TRowSetFilter::~TRowSetFilter() = default;
TRowSetFilter::TRowSetFilter(TRowSetFilter&&) noexcept = default;

bool TRowSetFilter::matches(const RowValues& values) const
{
    return m_root->eval(values);
}

QString TRowSetFilter::quoted(const QString& text)
{
    QString out = text;
    out.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + out + QLatin1Char('\'');
}

QString TRowSetFilter::likeLiteral(const QString& text)
{
    QString out;
    out.reserve(text.size() + 8);
    for (QChar c : text) {
        if (c == u'*' || c == u'%' || c == u'[')
            out += QLatin1Char('[') + c + QLatin1Char(']');
        else
            out += c;
    }
    return out;
}

QString TRowSetFilter::startsWith(const QString& field, const QString& text)
{
    return QStringLiteral("[%1] like %2").arg(field, quoted(likeLiteral(text) + QLatin1Char('*')));
}

} // namespace Tarvo::Data
