#include "reports/ui/tfrmreportpreview.h"

#include "core/exception.h"
#include "widgets/mdihost.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QKeyEvent>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPdfWriter>
#include <QPrintDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QStandardPaths>
#include <QToolBar>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Reports {

TfrmReportPreview::TfrmReportPreview(std::unique_ptr<PreparedReport> report, QWidget* parent)
    : QWidget(parent), m_report(std::move(report)),
      m_renderer(m_report->report, m_report->pageTables, m_report->variables),
      m_printer(std::make_unique<QPrinter>(QPrinter::ScreenResolution))
{
    setObjectName(u"TfrmReportPreview"_s);
    setWindowTitle(u"Просмотр: "_s + m_report->report.name);
    m_renderer.check();

    auto* tools = new QToolBar(this);
    auto add = [&](const QString& name, const QString& text, const QKeySequence& key, auto slot) {
        QAction* a = tools->addAction(text);
        a->setObjectName(name);
        a->setShortcut(key);
        a->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        connect(a, &QAction::triggered, this, slot);
        addAction(a);
        return a;
    };
    m_preview = new QPrintPreviewWidget(m_printer.get(), this);
    m_preview->setObjectName(u"preview"_s);
    connect(m_preview, &QPrintPreviewWidget::paintRequested, this, &TfrmReportPreview::paint);
    add(u"actPrint"_s, u"Печать..."_s, QKeySequence(Qt::CTRL | Qt::Key_P), [this] { print(); });
    add(u"actSavePdf"_s, u"Сохранить в PDF..."_s, QKeySequence(Qt::CTRL | Qt::Key_S), [this] { saveAsPdf(); });
    tools->addSeparator();
    add(u"actZoomIn"_s, u"Крупнее"_s, QKeySequence(Qt::CTRL | Qt::Key_Plus), [this] { m_preview->zoomIn(); });
    add(u"actZoomOut"_s, u"Мельче"_s, QKeySequence(Qt::CTRL | Qt::Key_Minus), [this] { m_preview->zoomOut(); });
    add(u"actFitWidth"_s, u"По ширине"_s, {}, [this] { m_preview->fitToWidth(); });
    add(u"actFitPage"_s, u"Страница целиком"_s, {}, [this] { m_preview->fitInView(); });
    tools->addSeparator();
    add(u"actPrevPage"_s, u"Предыдущая"_s, QKeySequence(Qt::Key_PageUp),
        [this] { m_preview->setCurrentPage(qMax(1, m_preview->currentPage() - 1)); });
    add(u"actNextPage"_s, u"Следующая"_s, QKeySequence(Qt::Key_PageDown),
        [this] { m_preview->setCurrentPage(qMin(m_preview->pageCount(), m_preview->currentPage() + 1)); });

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(tools);
    layout->addWidget(m_preview);
    m_preview->updatePreview();
    m_pages = m_preview->pageCount();
}

TfrmReportPreview::~TfrmReportPreview() = default;

TfrmReportPreview* TfrmReportPreview::open(std::unique_ptr<PreparedReport> report)
{
    auto* w = new TfrmReportPreview(std::move(report));
    if (QMdiSubWindow* sub = Widgets::MdiHost::adopt(w))
        sub->resize(sub->mdiArea()->size() * 0.9);
    else
        w->resize(900, 700);
    Widgets::MdiHost::bringForward(w);
    w->m_preview->setFocus();
    return w;
}

void TfrmReportPreview::paint(QPrinter* printer)
{
    try {
        m_pages = m_renderer.render(*printer);
    } catch (const Exception& e) {
        QMessageBox::critical(this, windowTitle(), e.message());
    }
}

void TfrmReportPreview::savePdf(const QString& path)
{
    {
        QPdfWriter pdf(path);
        pdf.setTitle(m_report->report.name);
        pdf.setCreator(u"Тарво SCM"_s);
        pdf.setResolution(300);
        try {
            m_renderer.render(pdf);
        } catch (...) {
            QFile::remove(path);
            throw;
        }
    }
    // QPdfWriter says nothing when its file could not be written.
    if (QFileInfo(path).size() == 0) {
        QFile::remove(path);
        throw Exception(u"Не удалось записать файл \"%1\" (нет места на диске или нет доступа к папке)."_s.arg(
            QDir::toNativeSeparators(path)));
    }
}

void TfrmReportPreview::saveAsPdf()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    QString name = m_report->report.name;
    for (QChar& c : name)
        if (c == u'/' || c == u'\\' || c == u':')
            c = u' ';
    const QString path = QFileDialog::getSaveFileName(this, u"Сохранить в PDF"_s, QDir(folder).filePath(name + u".pdf"_s),
                                                      u"Документ PDF (*.pdf)"_s);
    if (path.isEmpty())
        return;
    try {
        savePdf(path.endsWith(u".pdf"_s, Qt::CaseInsensitive) ? path : path + u".pdf"_s);
    } catch (const Exception& e) {
        QMessageBox::critical(this, windowTitle(), e.message());
    }
}

void TfrmReportPreview::print()
{
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, this);
    dialog.setWindowTitle(u"Печать"_s);
    if (dialog.exec() != QDialog::Accepted)
        return;
    try {
        m_renderer.render(printer);
    } catch (const Exception& e) {
        QMessageBox::critical(this, windowTitle(), e.message());
    }
}

void TfrmReportPreview::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Escape) {
        if (auto* sub = qobject_cast<QMdiSubWindow*>(parentWidget()))
            sub->close();
        else
            close();
        return;
    }
    QWidget::keyPressEvent(event);
}

} // namespace Tarvo::Reports
