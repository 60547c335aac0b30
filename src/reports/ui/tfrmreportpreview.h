#pragma once

#include "reports/ui/preparedreport.h"
#include "reports/ui/reportrenderer.h"

#include <QWidget>

#include <memory>

class QPrintPreviewWidget;
class QPrinter;

namespace Tarvo::Reports {

// The preview of a report (an MDI child of the main window): its pages, zoom, "Печать..." and
// "Сохранить в PDF...", all painted by one renderer. Esc closes it.
class TfrmReportPreview : public QWidget
{
    Q_OBJECT
public:
    explicit TfrmReportPreview(std::unique_ptr<PreparedReport> report, QWidget* parent = nullptr);
    ~TfrmReportPreview() override;

    // Opens the preview as an MDI child of the main window (a top-level window without one).
    static TfrmReportPreview* open(std::unique_ptr<PreparedReport> report);

    QPrintPreviewWidget* preview() const { return m_preview; }
    int pageCount() const { return m_pages; }
    // Writes the report to a PDF file; a failure names the file and leaves none.
    void savePdf(const QString& path);
    void print();
    void saveAsPdf();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void paint(QPrinter* printer);

    std::unique_ptr<PreparedReport> m_report;
    ReportRenderer m_renderer;
    QPrintPreviewWidget* m_preview = nullptr;
    std::unique_ptr<QPrinter> m_printer;
    int m_pages = 0;
};

} // namespace Tarvo::Reports
