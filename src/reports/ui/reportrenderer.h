#pragma once

#include "reports/reporttemplate.h"

#include <QVariantMap>

#include <vector>

class QFont;
class QPagedPaintDevice;
class QPainter;

namespace Tarvo::Reports {

class ReportTable;

// Lays out a template's report pages over their tables and paints them page by page, the same
// for the preview, the printer and a PDF. What a page holds is worked out before the first
// page is painted ([pages] is known on every page); each page is then painted from its rows,
// so memory does not grow with the pages.
class ReportRenderer
{
public:
    // `tables[i]` is the table of the template's i-th page (nullptr without a dataset).
    ReportRenderer(const ReportTemplate& report, std::vector<const ReportTable*> tables, QVariantMap variables);
    ~ReportRenderer();

    // Every field and name the bands use exists; throws naming the template's line.
    void check() const;
    // Paints every page on the device (a printer or a PDF writer); returns the number of pages.
    int render(QPagedPaintDevice& device);
    // The pages the device would get.
    int pageCount(QPagedPaintDevice& device);

    struct Item;
    struct Layout;

private:
    void layout(QPagedPaintDevice& device);
    void paintPage(QPainter& p, int page, int pages);
    QString substitute(const ReportTemplate::Band& band, int pageIndex, int scopeFirst, int scopeEnd, int row,
                       int page, int pages) const;
    QString cellText(int pageIndex, int row, int column) const;
    QString aggregate(const QString& what, int pageIndex, int first, int end) const;

    const ReportTemplate& m_report;
    std::vector<const ReportTable*> m_tables;
    QVariantMap m_variables;
    std::vector<Layout> m_layouts;
    struct PageSlice
    {
        int layout = 0;
        int firstItem = 0;
        int endItem = 0;
    };
    std::vector<PageSlice> m_pages;
    double m_dpi = 72;
};

} // namespace Tarvo::Reports
