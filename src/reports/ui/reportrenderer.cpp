#include "reports/ui/reportrenderer.h"

#include "core/exception.h"
#include "data/engine/money.h"
#include "data/rowset/numberformat.h"
#include "data/rowset/trowsetmodel.h"
#include "reports/reporttable.h"

#include <QDate>
#include <QFontMetricsF>
#include <QPageLayout>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QRegularExpression>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Reports {

namespace {

const QString FontFamily = u"DejaVu Sans"_s;

QFont fontOf(double size, bool bold)
{
    QFont f(FontFamily);
    f.setPointSizeF(size);
    f.setBold(bold);
    return f;
}

Qt::Alignment bandAlign(ReportTemplate::Align a)
{
    switch (a) {
    case ReportTemplate::Align::Center:
        return Qt::AlignHCenter;
    case ReportTemplate::Align::Right:
        return Qt::AlignRight;
    default:
        return Qt::AlignLeft;
    }
}

bool isNumber(Data::FieldType t)
{
    return t == Data::FieldType::Integer || t == Data::FieldType::Money || t == Data::FieldType::Float;
}

QString variableText(const QVariant& v)
{
    if (v.isNull())
        return {};
    if (v.metaType() == QMetaType::fromType<Money>())
        return Data::NumberFormat::money(v.value<Money>(), 2);
    switch (v.metaType().id()) {
    case QMetaType::QDate:
        return v.toDate().toString(u"dd.MM.yyyy"_s);
    case QMetaType::QDateTime:
        return Data::TRowSetModel::displayText(v, Data::FieldType::DateTime, {});
    case QMetaType::Bool:
        return v.toBool() ? u"Да"_s : u"Нет"_s;
    case QMetaType::Double:
        return Data::NumberFormat::real(v.toDouble());
    default:
        return v.toString();
    }
}

const QRegularExpression& sumPattern()
{
    static const QRegularExpression re(u"^sum\\(([A-Za-z_][A-Za-z0-9_]*)\\)$"_s);
    return re;
}

} // namespace

struct ReportRenderer::Item
{
    enum Kind : quint8
    {
        Title,
        GroupHeader,
        Row,
        GroupFooter,
        Summary
    };
    Kind kind;
    quint8 group = 0;
    int row = 0; // the row, or the first row of the scope
    int end = 0; // the end of a footer's or summary's scope
    float height = 0;
};

struct ReportRenderer::Layout
{
    int pageIndex = 0;
    QPageLayout page;
    QRectF area; // device pixels
    QList<int> columns; // table fields
    QList<double> widths; // device pixels
    double headerHeight = 0;
    double headingsHeight = 0;
    double footerHeight = 0;
    std::vector<Item> items;
};

ReportRenderer::ReportRenderer(const ReportTemplate& report, std::vector<const ReportTable*> tables,
                               QVariantMap variables)
    : m_report(report), m_tables(std::move(tables)), m_variables(std::move(variables))
{
    m_tables.resize(size_t(m_report.pages.size()), nullptr);
}

ReportRenderer::~ReportRenderer() = default;

void ReportRenderer::check() const
{
    auto fail = [](int line, const QString& what) {
        throw Exception(u"Ошибка в шаблоне отчета, строка %1: %2."_s.arg(line).arg(what));
    };
    for (int pi = 0; pi < m_report.pages.size(); ++pi) {
        const ReportTemplate::Page& p = m_report.pages[pi];
        const ReportTable* t = m_tables[size_t(pi)];
        auto field = [&](const QString& name, int line) {
            if (!t || t->fieldIndex(name) < 0)
                fail(line, u"в наборе данных \"%1\" нет поля \"%2\""_s.arg(p.dataset, name));
        };
        for (const ReportTemplate::Column& c : p.columns)
            field(c.field, c.line);
        QList<const ReportTemplate::Band*> bands{&p.title, &p.pageHeader, &p.summary, &p.pageFooter};
        for (const ReportTemplate::Group& g : p.groups) {
            field(g.field, g.line);
            bands << &g.header << &g.footer;
        }
        for (const ReportTemplate::Band* b : bands)
            for (const QString& name : ReportTemplate::placeholders(b->text)) {
                if (name == u"page"_s || name == u"pages"_s || name == u"date"_s || name == u"user"_s ||
                    name == u"count()"_s)
                    continue;
                const auto sum = sumPattern().match(name);
                if (sum.hasMatch()) {
                    field(sum.captured(1), b->line);
                    continue;
                }
                bool known = t && t->fieldIndex(name) >= 0;
                for (auto v = m_variables.constBegin(); !known && v != m_variables.constEnd(); ++v)
                    known = v.key().compare(name, Qt::CaseInsensitive) == 0;
                if (!known)
                    fail(b->line, u"неизвестное имя [%1]: нет ни такой переменной, ни такого поля"_s.arg(name));
            }
    }
}

QString ReportRenderer::cellText(int pageIndex, int row, int column) const
{
    const ReportTable* t = m_tables[size_t(pageIndex)];
    const ReportTable::Field& f = t->fields()[column];
    return Data::TRowSetModel::displayText(t->value(row, column), f.type, f.format);
}

QString ReportRenderer::aggregate(const QString& what, int pageIndex, int first, int end) const
{
    if (what == u"count()"_s)
        return QString::number(qMax(0, end - first));
    const ReportTable* t = m_tables[size_t(pageIndex)];
    const int f = t->fieldIndex(sumPattern().match(what).captured(1));
    const ReportTable::Field& field = t->fields()[f];
    if (field.type == Data::FieldType::Float) {
        double s = 0;
        for (int r = first; r < end; ++r)
            s += t->value(r, f).toDouble();
        return Data::NumberFormat::real(s);
    }
    Money s;
    for (int r = first; r < end; ++r) {
        const QVariant v = t->value(r, f);
        if (!v.isNull())
            s += field.type == Data::FieldType::Integer ? Money::fromRaw(v.toLongLong() * Money::Scale) : Money::fromVariant(v);
    }
    if (field.type == Data::FieldType::Integer)
        return QString::number(s.toDouble(), 'f', 0);
    return Data::NumberFormat::byFormat(s, field.format);
}

QString ReportRenderer::substitute(const ReportTemplate::Band& band, int pageIndex, int scopeFirst, int scopeEnd,
                                   int row, int page, int pages) const
{
    const ReportTable* t = m_tables[size_t(pageIndex)];
    QString out;
    const QString& text = band.text;
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c != u'[') {
            out += c;
            continue;
        }
        if (i + 1 < text.size() && text.at(i + 1) == u'[') {
            out += u'[';
            ++i;
            continue;
        }
        const qsizetype close = text.indexOf(u']', i + 1);
        const QString name = text.mid(i + 1, close - i - 1).trimmed();
        i = close;
        if (name == u"page"_s)
            out += QString::number(page);
        else if (name == u"pages"_s)
            out += QString::number(pages);
        else if (name == u"date"_s)
            out += QDate::currentDate().toString(u"dd.MM.yyyy"_s);
        else if (name == u"count()"_s || sumPattern().match(name).hasMatch())
            out += aggregate(name, pageIndex, scopeFirst, scopeEnd);
        else if (t && t->fieldIndex(name) >= 0)
            out += row >= 0 && row < t->rowCount() ? cellText(pageIndex, row, t->fieldIndex(name)) : QString();
        else {
            for (auto v = m_variables.constBegin(); v != m_variables.constEnd(); ++v)
                if (v.key().compare(name, Qt::CaseInsensitive) == 0) {
                    out += variableText(v.value());
                    break;
                }
        }
    }
    return out;
}

void ReportRenderer::layout(QPagedPaintDevice& device)
{
    check();
    m_layouts.clear();
    m_pages.clear();
    m_dpi = device.logicalDpiY();
    const double mm = m_dpi / 25.4;
    const double pad = 0.8 * mm;

    for (int pi = 0; pi < m_report.pages.size(); ++pi) {
        const ReportTemplate::Page& P = m_report.pages[pi];
        const ReportTable* t = m_tables[size_t(pi)];
        Layout L;
        L.pageIndex = pi;
        L.page = QPageLayout(QPageSize(QPageSize::A4),
                             P.landscape ? QPageLayout::Landscape : QPageLayout::Portrait,
                             QMarginsF(P.margin, P.margin, P.margin, P.margin), QPageLayout::Millimeter);
        const QRect paint = L.page.paintRectPixels(int(m_dpi));
        L.area = QRectF(0, 0, paint.width(), paint.height());

        auto bandHeight = [&](const ReportTemplate::Band& b, const QString& text) -> double {
            if (b.isEmpty())
                return 0;
            QFontMetricsF fm(fontOf(b.fontSize, b.bold), &device);
            return fm.boundingRect(QRectF(0, 0, L.area.width(), 1e6), Qt::TextWordWrap | bandAlign(b.align), text)
                       .height() +
                   2 * pad;
        };
        // Page numbers are not known yet: the widest they may be stands in.
        auto sample = [&](const ReportTemplate::Band& b) {
            return substitute(b, pi, 0, t ? t->rowCount() : 0, 0, 9999, 9999);
        };
        L.headerHeight = bandHeight(P.pageHeader, sample(P.pageHeader));
        L.footerHeight = bandHeight(P.pageFooter, sample(P.pageFooter));

        const QFont rowFont = fontOf(P.fontSize, false);
        QFontMetricsF rowMetrics(rowFont, &device);
        const double lineHeight = rowMetrics.height() + 2 * pad;
        if (P.hasRows && t) {
            QList<double> mmWidths;
            if (P.columns.isEmpty()) {
                for (int f = 0; f < t->fields().size(); ++f) {
                    L.columns << f;
                    mmWidths << t->fields()[f].width;
                }
            } else {
                for (const ReportTemplate::Column& c : P.columns) {
                    L.columns << t->fieldIndex(c.field);
                    mmWidths << c.width;
                }
            }
            double total = 0;
            for (double w : mmWidths)
                total += w * mm;
            const double scale = total > L.area.width() ? L.area.width() / total : 1.0;
            for (double w : mmWidths)
                L.widths << w * mm * scale;
            QFontMetricsF headMetrics(fontOf(P.fontSize, true), &device);
            for (int c = 0; c < L.columns.size(); ++c) {
                const QString caption = P.columns.isEmpty() ? t->fields()[L.columns[c]].caption : P.columns[c].caption;
                L.headingsHeight = qMax(
                    L.headingsHeight,
                    headMetrics.boundingRect(QRectF(0, 0, L.widths[c] - 2 * pad, 1e6), Qt::TextWordWrap, caption).height() +
                        2 * pad);
            }
        }

        if (!P.title.isEmpty())
            L.items.push_back({Item::Title, 0, 0, t ? t->rowCount() : 0, float(bandHeight(P.title, sample(P.title)))});
        const int rows = t && (P.hasRows || !P.groups.isEmpty()) ? t->rowCount() : 0;
        QList<int> groupFields;
        for (const ReportTemplate::Group& g : P.groups)
            groupFields << t->fieldIndex(g.field);
        QList<int> groupStart(groupFields.size(), 0);
        auto sameGroup = [&](int level, int a, int b) {
            for (int g = 0; g <= level; ++g)
                if (t->value(a, groupFields[g]) != t->value(b, groupFields[g]))
                    return false;
            return true;
        };
        auto closeGroups = [&](int fromLevel, int end) {
            for (int g = int(groupFields.size()) - 1; g >= fromLevel; --g) {
                const ReportTemplate::Band& f = P.groups[g].footer;
                if (!f.isEmpty())
                    L.items.push_back({Item::GroupFooter, quint8(g), groupStart[g], end,
                                       float(bandHeight(f, substitute(f, pi, groupStart[g], end, groupStart[g], 1, 1)))});
            }
        };
        for (int r = 0; r < rows; ++r) {
            int opened = -1;
            if (r == 0)
                opened = 0;
            else
                for (int g = 0; g < groupFields.size(); ++g)
                    if (!sameGroup(g, r - 1, r)) {
                        opened = g;
                        break;
                    }
            if (opened >= 0 && !groupFields.isEmpty()) {
                if (r > 0)
                    closeGroups(opened, r);
                for (int g = opened; g < groupFields.size(); ++g) {
                    groupStart[g] = r;
                    const ReportTemplate::Band& h = P.groups[g].header;
                    if (!h.isEmpty())
                        L.items.push_back(
                            {Item::GroupHeader, quint8(g), r, r, float(bandHeight(h, substitute(h, pi, r, r + 1, r, 1, 1)))});
                }
            }
            if (P.hasRows) {
                double h = lineHeight;
                for (int c = 0; c < L.columns.size(); ++c) {
                    const QString text = cellText(pi, r, L.columns[c]);
                    const double inner = L.widths[c] - 2 * pad;
                    if (text.contains(u'\n') || rowMetrics.horizontalAdvance(text) > inner)
                        h = qMax(h, rowMetrics.boundingRect(QRectF(0, 0, inner, 1e6), Qt::TextWordWrap, text).height() +
                                        2 * pad);
                }
                L.items.push_back({Item::Row, 0, r, r + 1, float(h)});
            }
        }
        if (rows > 0 && !groupFields.isEmpty())
            closeGroups(0, rows);
        if (!P.summary.isEmpty())
            L.items.push_back({Item::Summary, 0, 0, t ? t->rowCount() : 0,
                               float(bandHeight(P.summary, substitute(P.summary, pi, 0, t ? t->rowCount() : 0, 0, 1, 1)))});

        // Page breaks: every page repeats its header and column headings and keeps room for its footer.
        const double room = L.area.height() - L.headerHeight - L.headingsHeight - L.footerHeight;
        const int layoutIndex = int(m_layouts.size());
        PageSlice slice{layoutIndex, 0, 0};
        double used = 0;
        for (int i = 0; i < int(L.items.size()); ++i) {
            const double h = L.items[size_t(i)].height;
            if (used + h > room && i > slice.firstItem) {
                slice.endItem = i;
                m_pages.push_back(slice);
                slice.firstItem = i;
                used = 0;
            }
            used += h;
        }
        slice.endItem = int(L.items.size());
        m_pages.push_back(slice);
        m_layouts.push_back(std::move(L));
    }
}

int ReportRenderer::pageCount(QPagedPaintDevice& device)
{
    layout(device);
    return int(m_pages.size());
}

int ReportRenderer::render(QPagedPaintDevice& device)
{
    layout(device);
    if (m_pages.empty())
        return 0;
    device.setPageLayout(m_layouts[size_t(m_pages.front().layout)].page);
    QPainter p;
    if (!p.begin(&device))
        throw Exception(u"Не удалось начать вывод отчета (принтер или файл недоступен)."_s);
    const int pages = int(m_pages.size());
    for (int i = 0; i < pages; ++i) {
        if (i > 0) {
            const QPageLayout& next = m_layouts[size_t(m_pages[size_t(i)].layout)].page;
            if (m_pages[size_t(i)].layout != m_pages[size_t(i - 1)].layout)
                device.setPageLayout(next);
            if (!device.newPage()) {
                p.end();
                throw Exception(u"Не удалось начать страницу %1 отчета."_s.arg(i + 1));
            }
        }
        paintPage(p, i, pages);
    }
    if (!p.end())
        throw Exception(u"Не удалось завершить вывод отчета (нет места на диске или принтер недоступен)."_s);
    return pages;
}

void ReportRenderer::paintPage(QPainter& p, int page, int pages)
{
    const PageSlice& slice = m_pages[size_t(page)];
    const Layout& L = m_layouts[size_t(slice.layout)];
    const ReportTemplate::Page& P = m_report.pages[L.pageIndex];
    const ReportTable* t = m_tables[size_t(L.pageIndex)];
    const double mm = m_dpi / 25.4;
    const double pad = 0.8 * mm;
    const int rows = t ? t->rowCount() : 0;
    QPen thin(Qt::black);
    thin.setWidthF(0.2 * mm);

    auto drawBand = [&](const ReportTemplate::Band& b, double y, double h, int first, int end, int row) {
        if (b.isEmpty())
            return;
        p.setFont(fontOf(b.fontSize, b.bold));
        p.drawText(QRectF(L.area.left(), y + pad, L.area.width(), h - 2 * pad), Qt::TextWordWrap | bandAlign(b.align),
                   substitute(b, L.pageIndex, first, end, row, page + 1, pages));
    };

    double y = 0;
    int firstRow = -1;
    for (int i = slice.firstItem; i < slice.endItem && firstRow < 0; ++i)
        if (L.items[size_t(i)].kind == Item::Row)
            firstRow = L.items[size_t(i)].row;
    // The title opens the report's first page, above the page header.
    int i = slice.firstItem;
    if (i < slice.endItem && L.items[size_t(i)].kind == Item::Title) {
        drawBand(P.title, y, L.items[size_t(i)].height, 0, rows, 0);
        y += L.items[size_t(i)].height;
        ++i;
    }
    drawBand(P.pageHeader, y, L.headerHeight, 0, rows, qMax(0, firstRow));
    y += L.headerHeight;
    const bool rowsHere = firstRow >= 0;
    if (L.headingsHeight > 0 && rowsHere) {
        p.setFont(fontOf(P.fontSize, true));
        p.setPen(thin);
        double x = 0;
        for (int c = 0; c < L.columns.size(); ++c) {
            const QRectF cell(x, y, L.widths[c], L.headingsHeight);
            p.drawRect(cell);
            const QString caption = P.columns.isEmpty() ? t->fields()[L.columns[c]].caption : P.columns[c].caption;
            p.drawText(cell.adjusted(pad, pad, -pad, -pad), Qt::TextWordWrap | Qt::AlignHCenter | Qt::AlignVCenter,
                       caption);
            x += L.widths[c];
        }
        y += L.headingsHeight;
    }
    const QFont rowFont = fontOf(P.fontSize, false);
    for (; i < slice.endItem; ++i) {
        const Item& it = L.items[size_t(i)];
        switch (it.kind) {
        case Item::Title:
            drawBand(P.title, y, it.height, 0, rows, 0);
            break;
        case Item::GroupHeader:
            drawBand(P.groups[it.group].header, y, it.height, it.row, it.row + 1, it.row);
            break;
        case Item::GroupFooter:
            drawBand(P.groups[it.group].footer, y, it.height, it.row, it.end, it.row);
            break;
        case Item::Summary:
            drawBand(P.summary, y, it.height, 0, rows, 0);
            break;
        case Item::Row: {
            p.setFont(rowFont);
            p.setPen(thin);
            double x = 0;
            for (int c = 0; c < L.columns.size(); ++c) {
                const QRectF cell(x, y, L.widths[c], it.height);
                p.drawRect(cell);
                const ReportTable::Field& f = t->fields()[L.columns[c]];
                ReportTemplate::Align a = P.columns.isEmpty() ? ReportTemplate::Align::Auto : P.columns[c].align;
                Qt::Alignment align = a == ReportTemplate::Align::Auto
                                          ? (isNumber(f.type) ? Qt::AlignRight : Qt::AlignLeft)
                                          : bandAlign(a);
                p.drawText(cell.adjusted(pad, pad, -pad, -pad), Qt::TextWordWrap | align | Qt::AlignTop,
                           cellText(L.pageIndex, it.row, L.columns[c]));
                x += L.widths[c];
            }
            break;
        }
        }
        y += it.height;
    }
    drawBand(P.pageFooter, L.area.height() - L.footerHeight, L.footerHeight, 0, rows, qMax(0, firstRow));
}

} // namespace Tarvo::Reports
