#pragma once

#include <QString>
#include <QVariantList>

class QWidget;

namespace Tarvo::Widgets {
class TDataGrid;
}

namespace Tarvo::Reports {

struct PreparedReport;

// Runs a stored report: parameters (alternating names and values) become report variables, the
// template's dialogs ask for more, its datasets are read, and the preview opens. A report made of
// dialogs alone hands its first dataset to the spreadsheet export. `list` is the calling list
// window's grid (a dataset of source="list" prints it as shown).
class TSimpleRunner
{
public:
    static void run(int report, const QVariantList& parameters, Widgets::TDataGrid* list = nullptr,
                    QWidget* parent = nullptr);
    // The template of a report from the database (nullptr REPDATA: an empty report bearing the name).
    static void checkParameters(const QVariantList& parameters);
    // Everything up to the preview: for the designer's "Просмотр" of a template not yet stored.
    static std::unique_ptr<PreparedReport> prepare(const QString& name, const QByteArray& data,
                                                   const QVariantList& parameters, Widgets::TDataGrid* list,
                                                   QWidget* parent, bool* exportOnly = nullptr);
};

} // namespace Tarvo::Reports
