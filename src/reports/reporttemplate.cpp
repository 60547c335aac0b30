#include "reports/reporttemplate.h"

#include "core/exception.h"

#include <QRegularExpression>
#include <QXmlStreamReader>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Reports {

namespace {

const QRegularExpression& identifier()
{
    static const QRegularExpression re(u"^[A-Za-z_][A-Za-z0-9_]*$"_s);
    return re;
}

class Parser
{
public:
    explicit Parser(const QByteArray& data) : m_xml(data) {}

    ReportTemplate run()
    {
        ReportTemplate t;
        if (!nextElement())
            fail(u"шаблон пуст: нет элемента <report>"_s);
        if (m_xml.name() != u"report"_s)
            fail(u"шаблон начинается не с элемента <report>, а с <%1>"_s.arg(m_xml.name()));
        const auto a = attributes({u"version"_s, u"name"_s});
        if (a.value(u"version"_s) != u"1"_s)
            fail(u"версия шаблона \"%1\" не поддерживается (нужна version=\"1\")"_s.arg(a.value(u"version"_s)));
        t.name = a.value(u"name"_s);
        while (nextChild()) {
            const QString el = m_xml.name().toString();
            if (el == u"dialog"_s)
                t.dialogs << dialog();
            else if (el == u"dataset"_s)
                t.datasets << dataset(t);
            else if (el == u"page"_s)
                t.pages << page(t);
            else
                unknownElement();
        }
        while (!m_xml.atEnd())
            m_xml.readNext();
        if (m_xml.hasError())
            xmlFail();
        return t;
    }

private:
    [[noreturn]] void fail(const QString& what, qint64 line = -1, qint64 column = -1)
    {
        throw Exception(u"Ошибка в шаблоне отчета, строка %1, позиция %2: %3."_s.arg(line < 0 ? m_xml.lineNumber() : line)
                            .arg(column < 0 ? m_xml.columnNumber() : column)
                            .arg(what));
    }
    [[noreturn]] void xmlFail() { fail(u"неверный XML (%1)"_s.arg(m_xml.errorString())); }
    [[noreturn]] void unknownElement() { fail(u"неизвестный элемент <%1>"_s.arg(m_xml.name())); }

    bool nextElement()
    {
        while (!m_xml.atEnd()) {
            m_xml.readNext();
            if (m_xml.isStartElement())
                return true;
        }
        if (m_xml.hasError())
            xmlFail();
        return false;
    }
    // The next child element of the current one; false at its end. Text between children is
    // refused (it would be silently lost).
    bool nextChild()
    {
        while (!m_xml.atEnd()) {
            m_xml.readNext();
            if (m_xml.isStartElement())
                return true;
            if (m_xml.isEndElement())
                return false;
            if (m_xml.isCharacters() && !m_xml.isWhitespace())
                fail(u"лишний текст \"%1\""_s.arg(m_xml.text().trimmed().left(40)));
        }
        xmlFail();
    }
    QString text()
    {
        QString out;
        while (!m_xml.atEnd()) {
            m_xml.readNext();
            if (m_xml.isCharacters())
                out += m_xml.text();
            else if (m_xml.isStartElement())
                fail(u"внутри текста элемент <%1> недопустим"_s.arg(m_xml.name()));
            else if (m_xml.isEndElement())
                return out;
        }
        xmlFail();
    }
    QHash<QString, QString> attributes(const QStringList& allowed)
    {
        QHash<QString, QString> out;
        for (const QXmlStreamAttribute& a : m_xml.attributes()) {
            const QString name = a.name().toString();
            if (!allowed.contains(name))
                fail(u"у элемента <%1> нет атрибута \"%2\""_s.arg(m_xml.name(), name));
            out.insert(name, a.value().toString());
        }
        return out;
    }
    double number(const QHash<QString, QString>& a, const QString& name, double fallback, double min, double max)
    {
        if (!a.contains(name))
            return fallback;
        bool ok = false;
        const double v = QString(a.value(name)).replace(u',', u'.').toDouble(&ok);
        if (!ok || v < min || v > max)
            fail(u"атрибут \"%1\" должен быть числом от %2 до %3, а не \"%4\""_s.arg(name).arg(min).arg(max).arg(a.value(name)));
        return v;
    }
    bool yesNo(const QHash<QString, QString>& a, const QString& name)
    {
        const QString v = a.value(name, u"no"_s);
        if (v == u"yes"_s)
            return true;
        if (v == u"no"_s)
            return false;
        fail(u"атрибут \"%1\" принимает \"yes\" или \"no\", а не \"%2\""_s.arg(name, v));
    }
    ReportTemplate::Align align(const QHash<QString, QString>& a, ReportTemplate::Align fallback)
    {
        if (!a.contains(u"align"_s))
            return fallback;
        const QString v = a.value(u"align"_s);
        if (v == u"left"_s)
            return ReportTemplate::Align::Left;
        if (v == u"center"_s)
            return ReportTemplate::Align::Center;
        if (v == u"right"_s)
            return ReportTemplate::Align::Right;
        fail(u"атрибут \"align\" принимает left, center или right, а не \"%1\""_s.arg(v));
    }
    QString name(const QHash<QString, QString>& a, const QString& attribute)
    {
        const QString v = a.value(attribute);
        if (!identifier().match(v).hasMatch())
            fail(u"\"%1\" не годится как имя в атрибуте \"%2\" (латинские буквы, цифры, \"_\")"_s.arg(v, attribute));
        return v;
    }

    void checkPlaceholders(const QString& text, qint64 line)
    {
        for (const QString& p : ReportTemplate::placeholders(text)) {
            static const QRegularExpression sum(u"^sum\\(([A-Za-z_][A-Za-z0-9_]*)\\)$"_s);
            if (p == u"count()"_s || sum.match(p).hasMatch() || identifier().match(p).hasMatch())
                continue;
            fail(u"неизвестная подстановка [%1]"_s.arg(p), line, 1);
        }
        if (text.count(u'[') - 2 * text.count(u"[["_s) > ReportTemplate::placeholders(text).size())
            fail(u"не закрыта скобка \"[\""_s, line, 1);
    }

    ReportTemplate::Band band(double fontSize)
    {
        ReportTemplate::Band b;
        b.line = int(m_xml.lineNumber());
        const auto a = attributes({u"align"_s, u"bold"_s, u"size"_s});
        b.align = align(a, ReportTemplate::Align::Left);
        b.bold = yesNo(a, u"bold"_s);
        b.fontSize = number(a, u"size"_s, fontSize, 4, 72);
        b.text = text().trimmed();
        checkPlaceholders(b.text, b.line);
        return b;
    }

    ReportTemplate::Dialog dialog()
    {
        ReportTemplate::Dialog d;
        d.title = attributes({u"title"_s}).value(u"title"_s);
        while (nextChild()) {
            if (m_xml.name() != u"parameter"_s)
                unknownElement();
            const auto a = attributes({u"name"_s, u"type"_s, u"caption"_s, u"default"_s});
            ReportTemplate::Parameter p;
            p.name = name(a, u"name"_s);
            p.caption = a.value(u"caption"_s, p.name);
            p.defaultValue = a.value(u"default"_s);
            static const QHash<QString, ReportTemplate::ParamType> types{
                {u"text"_s, ReportTemplate::ParamType::Text},   {u"integer"_s, ReportTemplate::ParamType::Integer},
                {u"money"_s, ReportTemplate::ParamType::Money}, {u"date"_s, ReportTemplate::ParamType::Date},
                {u"yesno"_s, ReportTemplate::ParamType::YesNo}};
            const QString type = a.value(u"type"_s, u"text"_s);
            if (!types.contains(type))
                fail(u"неизвестный тип параметра \"%1\" (text, integer, money, date, yesno)"_s.arg(type));
            p.type = types.value(type);
            if (!text().trimmed().isEmpty())
                fail(u"у параметра не бывает текста"_s);
            d.parameters << p;
        }
        if (d.parameters.isEmpty())
            fail(u"в диалоге нет ни одного параметра"_s);
        return d;
    }

    ReportTemplate::Dataset dataset(const ReportTemplate& t)
    {
        ReportTemplate::Dataset d;
        d.line = int(m_xml.lineNumber());
        const auto a = attributes({u"name"_s, u"source"_s});
        d.name = name(a, u"name"_s);
        if (t.dataset(d.name))
            fail(u"набор данных \"%1\" уже описан"_s.arg(d.name));
        const QString source = a.value(u"source"_s, u"sql"_s);
        if (source != u"sql"_s && source != u"list"_s)
            fail(u"атрибут \"source\" принимает sql или list, а не \"%1\""_s.arg(source));
        d.fromList = source == u"list"_s;
        d.sql = text().trimmed();
        if (d.fromList && !d.sql.isEmpty())
            fail(u"у набора из списка (source=\"list\") не бывает запроса"_s, d.line);
        if (!d.fromList && d.sql.isEmpty())
            fail(u"в наборе данных \"%1\" нет запроса"_s.arg(d.name), d.line);
        return d;
    }

    ReportTemplate::Page page(const ReportTemplate& t)
    {
        ReportTemplate::Page p;
        const auto a = attributes({u"orientation"_s, u"margin"_s, u"dataset"_s, u"size"_s});
        const QString orientation = a.value(u"orientation"_s, u"portrait"_s);
        if (orientation != u"portrait"_s && orientation != u"landscape"_s)
            fail(u"атрибут \"orientation\" принимает portrait или landscape, а не \"%1\""_s.arg(orientation));
        p.landscape = orientation == u"landscape"_s;
        p.margin = number(a, u"margin"_s, 10, 0, 50);
        p.fontSize = number(a, u"size"_s, 8, 4, 72);
        if (a.contains(u"dataset"_s)) {
            p.dataset = a.value(u"dataset"_s);
            if (!t.dataset(p.dataset))
                fail(u"набор данных \"%1\" не описан до страницы"_s.arg(p.dataset));
        }
        const qint64 pageLine = m_xml.lineNumber();
        while (nextChild()) {
            const QString el = m_xml.name().toString();
            if (el == u"title"_s)
                p.title = band(p.fontSize + 4);
            else if (el == u"pageHeader"_s)
                p.pageHeader = band(p.fontSize);
            else if (el == u"columns"_s) {
                attributes({});
                p.hasRows = true;
                while (nextChild()) {
                    if (m_xml.name() != u"column"_s)
                        unknownElement();
                    ReportTemplate::Column c;
                    c.line = int(m_xml.lineNumber());
                    const auto ca = attributes({u"field"_s, u"caption"_s, u"width"_s, u"align"_s});
                    c.field = name(ca, u"field"_s);
                    c.caption = ca.value(u"caption"_s, c.field);
                    c.width = number(ca, u"width"_s, 25, 2, 1000);
                    c.align = align(ca, ReportTemplate::Align::Auto);
                    if (!text().trimmed().isEmpty())
                        fail(u"у колонки не бывает текста"_s);
                    p.columns << c;
                }
            } else if (el == u"group"_s) {
                ReportTemplate::Group g;
                g.line = int(m_xml.lineNumber());
                g.field = name(attributes({u"field"_s}), u"field"_s);
                while (nextChild()) {
                    if (m_xml.name() == u"header"_s)
                        g.header = band(p.fontSize);
                    else if (m_xml.name() == u"footer"_s)
                        g.footer = band(p.fontSize);
                    else
                        unknownElement();
                }
                p.groups << g;
            } else if (el == u"summary"_s)
                p.summary = band(p.fontSize);
            else if (el == u"pageFooter"_s)
                p.pageFooter = band(p.fontSize);
            else
                unknownElement();
        }
        if (p.dataset.isEmpty() && (p.hasRows || !p.groups.isEmpty()))
            fail(u"у страницы со строками нет атрибута \"dataset\""_s, pageLine, 1);
        if (p.hasRows && p.columns.isEmpty() && !t.dataset(p.dataset)->fromList)
            fail(u"в <columns> нет колонок"_s, pageLine, 1);
        return p;
    }

    QXmlStreamReader m_xml;
};

} // namespace

const ReportTemplate::Dataset* ReportTemplate::dataset(const QString& name) const
{
    for (const Dataset& d : datasets)
        if (d.name == name)
            return &d;
    return nullptr;
}

ReportTemplate ReportTemplate::parse(const QByteArray& data)
{
    return Parser(data).run();
}

QStringList ReportTemplate::placeholders(const QString& text)
{
    QStringList out;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i) != u'[')
            continue;
        if (i + 1 < text.size() && text.at(i + 1) == u'[') {
            ++i;
            continue;
        }
        const qsizetype end = text.indexOf(u']', i + 1);
        if (end < 0)
            break;
        out << text.mid(i + 1, end - i - 1).trimmed();
        i = end;
    }
    return out;
}

} // namespace Tarvo::Reports
