#include "reports/ui/treportdesigner.h"

#include "core/exception.h"
#include "reports/reporttemplate.h"
#include "reports/ui/preparedreport.h"
#include "reports/ui/tfrmreportpreview.h"
#include "reports/ui/tsimplerunner.h"
#include "widgets/dialogbuttons.h"

#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTextBlock>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Reports {

namespace {

const QString EmptyTemplate = u"<report version=\"1\">\n  <page>\n    <title bold=\"yes\">%1</title>\n"
                              "    <pageFooter align=\"right\">Стр. [page] из [pages]</pageFooter>\n  </page>\n</report>\n"_s;

} // namespace

TReportDesigner::TReportDesigner(const QString& reportName, const QByteArray& data, QWidget* parent)
    : QDialog(parent), m_name(reportName), m_text(new QPlainTextEdit), m_status(new QLabel)
{
    setObjectName(u"TReportDesigner"_s);
    setWindowTitle(u"Шаблон отчета: "_s + reportName);
    m_text->setObjectName(u"editTemplate"_s);
    m_text->setAccessibleName(u"Текст шаблона"_s);
    m_text->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    m_text->setPlainText(data.isNull() ? EmptyTemplate.arg(reportName.toHtmlEscaped()) : QString::fromUtf8(data));
    m_status->setObjectName(u"labelCheck"_s);
    m_status->setWordWrap(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_text);
    layout->addWidget(m_status);
    Widgets::DialogButtons buttons(this, u"Сохранить"_s, u"Отмена"_s, false);
    QPushButton* checkButton = buttons.addButton(u"Проверить"_s);
    checkButton->setObjectName(u"bCheck"_s);
    QPushButton* previewButton = buttons.addButton(u"Просмотр"_s);
    previewButton->setObjectName(u"bPreview"_s);
    connect(checkButton, &QPushButton::clicked, this, [this] {
        if (check().isEmpty())
            m_status->setText(u"Ошибок нет."_s);
    });
    connect(previewButton, &QPushButton::clicked, this, [this] { previewReport(); });
    connect(buttons.acceptButton(), &QPushButton::clicked, this, [this] { saveIfValid(); });
    layout->addWidget(buttons.box());
    resize(800, 600);
}

QByteArray TReportDesigner::data() const
{
    return m_text->toPlainText().toUtf8();
}

QString TReportDesigner::check()
{
    try {
        ReportTemplate::parse(data());
    } catch (const Exception& e) {
        m_status->setText(e.message());
        static const QRegularExpression at(u"строка (\\d+), позиция (\\d+)"_s);
        const auto m = at.match(e.message());
        if (m.hasMatch()) {
            const QTextBlock block = m_text->document()->findBlockByNumber(m.captured(1).toInt() - 1);
            if (block.isValid()) {
                QTextCursor c(block);
                c.movePosition(QTextCursor::Right, QTextCursor::MoveAnchor,
                               qBound(0, m.captured(2).toInt() - 1, block.length() - 1));
                m_text->setTextCursor(c);
            }
        }
        m_text->setFocus();
        return e.message();
    }
    return {};
}

void TReportDesigner::previewReport()
{
    if (!check().isEmpty())
        return;
    try {
        TfrmReportPreview::open(TSimpleRunner::prepare(m_name, data(), {}, nullptr, this));
    } catch (const Abort&) {
    } catch (const Exception& e) {
        QMessageBox::critical(this, windowTitle(), e.message());
    }
}

void TReportDesigner::saveIfValid()
{
    const QString error = check();
    if (!error.isEmpty()) {
        QMessageBox::warning(this, windowTitle(), u"Шаблон не сохранен: "_s + error);
        return;
    }
    accept();
}

} // namespace Tarvo::Reports
