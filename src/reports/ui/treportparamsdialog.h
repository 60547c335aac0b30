#pragma once

#include "reports/reporttemplate.h"

#include <QDialog>
#include <QVariantMap>

namespace Tarvo::Reports {

// A template's dialog page: one field per parameter, typed. The values become report variables.
class TReportParamsDialog : public QDialog
{
    Q_OBJECT
public:
    TReportParamsDialog(const ReportTemplate::Dialog& page, const QVariantMap& current, QWidget* parent = nullptr);
    // Asks every dialog page in turn; a cancel throws Tarvo::Abort.
    static void ask(const QList<ReportTemplate::Dialog>& pages, QVariantMap& variables, QWidget* parent);
    QVariantMap values() const;

private:
    void acceptIfValid();

    ReportTemplate::Dialog m_page;
    QList<QWidget*> m_fields;
};

} // namespace Tarvo::Reports
