#pragma once

#include <QDialog>

class QLabel;
class QPlainTextEdit;

namespace Tarvo::Reports {

// "Редактировать форму": the template's text, "Проверить" (the line and column of the first
// error), "Просмотр", and saving only a template that passes the check.
class TReportDesigner : public QDialog
{
    Q_OBJECT
public:
    TReportDesigner(const QString& reportName, const QByteArray& data, QWidget* parent = nullptr);

    QPlainTextEdit* editor() const { return m_text; }
    QByteArray data() const;
    // Empty when valid; otherwise the error, also shown under the text with the cursor put there.
    QString check();
    void previewReport();

private:
    void saveIfValid();

    QString m_name;
    QPlainTextEdit* m_text;
    QLabel* m_status;
};

} // namespace Tarvo::Reports
