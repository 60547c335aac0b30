#pragma once

#include <QString>
#include <QStringList>

namespace Tarvo::Widgets {
class TDataGrid;
}

namespace Tarvo::Reports {

// A list as its grid shows it (shown columns in display order, captions, widths, every row in
// the shown order and filter), written to a new workbook in the user's documents folder and
// opened in the desktop's spreadsheet. A list read in batches is read to its end first. The grid
// is blocked and change notices wait meanwhile; "Отмена" leaves no file.
class TableExport
{
public:
    static void exportGrid(Widgets::TDataGrid* grid, const QString& title, const QStringList& headingLines = {});
    // The same into a given file; returns false (after saying so) for an empty list.
    static bool writeGrid(Widgets::TDataGrid* grid, const QString& title, const QStringList& headingLines,
                          const QString& path);
    // A new file for the title in the folder: the title and the time, never an existing name.
    static QString reserveFile(const QString& folder, const QString& title);
    // Adds the export to every grid's context menu.
    static void registerInGrids();
};

} // namespace Tarvo::Reports
