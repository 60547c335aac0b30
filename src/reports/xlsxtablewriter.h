#pragma once

#include <QList>
#include <QString>
#include <QStringList>
#include <QVariant>

#include <map>

struct lxw_workbook;
struct lxw_worksheet;
struct lxw_format;

namespace Tarvo::Reports {

// A table written to a new .xlsx workbook row by row (libxlsxwriter's constant-memory mode: a
// row, once left, cannot be written again, and memory does not grow with the rows). Heading
// lines in bold above, then the bold heading row with an autofilter down to the last row, and a
// thin border on every cell of the table, empty ones too. A failure or a discard removes the file.
class XlsxTableWriter
{
public:
    enum class Kind
    {
        Text,
        Integer,
        Number, // Money or floating point
        Date    // date, or date and time when the value has a time
    };
    struct Column
    {
        QString caption;
        double width = 10; // characters
        Kind kind = Kind::Text;
        int decimals = -1; // Number: shown decimals; below 0 up to four as the value has them
    };

    static constexpr qint64 SheetRows = 1048576;
    static constexpr int SheetColumns = 16384;
    static constexpr int MaxTextLength = 32767;

    // Refuses a table the sheet cannot hold before anything is written.
    XlsxTableWriter(const QString& path, const QString& title, const QStringList& headingLines,
                    const QList<Column>& columns, qint64 rowCount);
    ~XlsxTableWriter();
    XlsxTableWriter(const XlsxTableWriter&) = delete;
    XlsxTableWriter& operator=(const XlsxTableWriter&) = delete;

    // One value of the current row (the first one given counts); columns left out stay empty
    // (bordered).
    void setValue(int column, const QVariant& value);
    // Writes the current row and starts the next one.
    void nextRow();
    qint64 rowsWritten() const { return m_written; }
    // Writes the rest of the file; a failure (a full disk) names the file and leaves none.
    void finish();
    // Drops the workbook and its file (a cancel).
    void discard();

    // "A" … "Z", "AA" … "ZZ", "AAA" … "XFD" for columns 1 … 16384.
    static QString columnName(int column);
    // A sheet name Excel accepts: no []:*?/\, at most 31 characters, never empty.
    static QString sheetName(const QString& title);
    // Grid pixels to Excel's character widths.
    static double charactersOfPixels(int pixels);

private:
    lxw_format* cellFormat(int column, bool withTime);
    void writeCell(int column, const QVariant& value);
    void check(int error, const char* what);
    void removeFile();
    void checkRowFile();

    QString m_path;
    QList<Column> m_columns;
    qint64 m_rowCount = 0;
    int m_headRow = 0;
    qint64 m_written = 0;
    lxw_workbook* m_book = nullptr;
    lxw_worksheet* m_sheet = nullptr;
    lxw_format* m_textFormat = nullptr;
    lxw_format* m_integerFormat = nullptr;
    std::map<int, lxw_format*> m_numberFormats;
    lxw_format* m_dateFormat = nullptr;
    lxw_format* m_dateTimeFormat = nullptr;
    QList<bool> m_set; // cells of the current row already written
};

} // namespace Tarvo::Reports
