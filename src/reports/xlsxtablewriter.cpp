#include "reports/xlsxtablewriter.h"

#include "core/exception.h"
#include "data/engine/money.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <xlsxwriter.h>

#include <cmath>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Reports {

namespace {

// Excel keeps 15 significant digits: a longer integer would come back changed.
constexpr qint64 LargestExactInteger = 999'999'999'999'999LL;

QString cutText(const QString& text)
{
    // Code points never outnumber UTF-16 units: most texts need no counting.
    if (text.size() <= XlsxTableWriter::MaxTextLength)
        return text;
    // Counted in characters as the library counts them (code points), never halving a pair.
    qsizetype points = 0;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate())
            ++i;
        if (++points == XlsxTableWriter::MaxTextLength)
            return i + 1 < text.size() ? text.left(i + 1) : text;
    }
    return text;
}

QString numberPattern(int decimals)
{
    if (decimals < 0)
        return u"General"_s;
    if (decimals == 0)
        return u"#,##0"_s;
    return u"#,##0."_s + QString(qMin(decimals, 10), u'0');
}

} // namespace

XlsxTableWriter::XlsxTableWriter(const QString& path, const QString& title, const QStringList& headingLines,
                                 const QList<Column>& columns, qint64 rowCount)
    : m_path(path), m_columns(columns), m_rowCount(rowCount), m_headRow(int(headingLines.size()))
{
    if (columns.isEmpty())
        throw Exception(u"В списке нет видимых колонок: выгружать нечего."_s);
    if (columns.size() > SheetColumns)
        throw Exception(u"В списке %1 колонок, а лист Excel вмещает не более %2. Скройте лишние колонки."_s
                            .arg(columns.size())
                            .arg(SheetColumns));
    const qint64 fits = SheetRows - m_headRow - 1;
    if (rowCount > fits)
        throw Exception(u"В списке %1 строк, а лист Excel вмещает не более %2. Сузьте отбор."_s.arg(rowCount).arg(fits));

    const QByteArray file = QFile::encodeName(path);
    // The library's row files go beside the workbook: a full disk there is caught as well.
    const QByteArray tmp = QFile::encodeName(QFileInfo(path).absolutePath());
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    options.tmpdir = const_cast<char*>(tmp.constData());
    options.use_zip64 = LXW_TRUE;
    m_book = workbook_new_opt(file.constData(), &options);
    if (!m_book)
        throw Exception(u"Не удалось создать файл \"%1\"."_s.arg(QDir::toNativeSeparators(path)));
    m_sheet = workbook_add_worksheet(m_book, sheetName(title).toUtf8().constData());
    if (!m_sheet) {
        discard();
        throw Exception(u"Не удалось создать лист книги \"%1\"."_s.arg(QDir::toNativeSeparators(path)));
    }

    auto bordered = [this] {
        lxw_format* f = workbook_add_format(m_book);
        format_set_border(f, LXW_BORDER_THIN);
        return f;
    };
    m_textFormat = bordered();
    format_set_align(m_textFormat, LXW_ALIGN_LEFT);
    m_integerFormat = bordered();
    format_set_align(m_integerFormat, LXW_ALIGN_RIGHT);
    format_set_num_format(m_integerFormat, "0");
    m_dateFormat = bordered();
    format_set_align(m_dateFormat, LXW_ALIGN_RIGHT);
    format_set_num_format(m_dateFormat, "dd.mm.yyyy");
    m_dateTimeFormat = bordered();
    format_set_align(m_dateTimeFormat, LXW_ALIGN_RIGHT);
    format_set_num_format(m_dateTimeFormat, "dd.mm.yyyy hh:mm");
    lxw_format* heading = bordered();
    format_set_bold(heading);
    lxw_format* line = workbook_add_format(m_book);
    format_set_bold(line);
    format_set_align(line, LXW_ALIGN_LEFT);

    try {
        for (int c = 0; c < columns.size(); ++c)
            check(worksheet_set_column(m_sheet, lxw_col_t(c), lxw_col_t(c), qBound(1.0, columns[c].width, 255.0),
                                       nullptr),
                  "column");
        const lxw_row_t last = lxw_row_t(m_headRow + rowCount);
        check(worksheet_autofilter(m_sheet, lxw_row_t(m_headRow), 0, last, lxw_col_t(columns.size() - 1)), "filter");
        for (int i = 0; i < headingLines.size(); ++i)
            check(worksheet_write_string(m_sheet, lxw_row_t(i), 0, cutText(headingLines[i]).toUtf8().constData(), line),
                  "line");
        for (int c = 0; c < columns.size(); ++c)
            check(worksheet_write_string(m_sheet, lxw_row_t(m_headRow), lxw_col_t(c),
                                         cutText(columns[c].caption).toUtf8().constData(), heading),
                  "heading");
    } catch (...) {
        discard();
        throw;
    }
    m_set.fill(false, columns.size());
}

XlsxTableWriter::~XlsxTableWriter()
{
    discard();
}

lxw_format* XlsxTableWriter::cellFormat(int column, bool withTime)
{
    const Column& c = m_columns[column];
    switch (c.kind) {
    case Kind::Text:
        return m_textFormat;
    case Kind::Integer:
        return m_integerFormat;
    case Kind::Date:
        return withTime ? m_dateTimeFormat : m_dateFormat;
    case Kind::Number:
        break;
    }
    const int decimals = qMax(-1, c.decimals);
    auto it = m_numberFormats.find(decimals);
    if (it != m_numberFormats.end())
        return it->second;
    lxw_format* f = workbook_add_format(m_book);
    format_set_border(f, LXW_BORDER_THIN);
    format_set_align(f, LXW_ALIGN_RIGHT);
    format_set_num_format(f, numberPattern(decimals).toUtf8().constData());
    m_numberFormats.emplace(decimals, f);
    return f;
}

void XlsxTableWriter::setValue(int column, const QVariant& value)
{
    if (column < 0 || column >= m_columns.size() || m_set[column])
        return;
    if (!m_book)
        throw Exception(u"Книга \"%1\" уже закрыта."_s.arg(QDir::toNativeSeparators(m_path)));
    if (m_written >= m_rowCount)
        throw Exception(u"В книгу \"%1\" пишется больше строк, чем было в списке."_s.arg(QDir::toNativeSeparators(m_path)));
    // The library keeps the current row itself, so a cell is written at once.
    writeCell(column, value);
    m_set[column] = true;
}

void XlsxTableWriter::writeCell(int column, const QVariant& value)
{
    const lxw_row_t row = lxw_row_t(m_headRow + 1 + m_written);
    const lxw_col_t col = lxw_col_t(column);
    auto blank = [&] { check(worksheet_write_blank(m_sheet, row, col, cellFormat(column, false)), "blank"); };
    if (value.isNull() || !value.isValid())
        return blank();
    auto text = [&](const QString& s, lxw_format* f) {
        check(worksheet_write_string(m_sheet, row, col, cutText(s).toUtf8().constData(), f), "text");
    };
    switch (m_columns[column].kind) {
    case Kind::Text:
        return text(value.toString(), m_textFormat);
    case Kind::Integer: {
        bool ok = false;
        const qint64 v = value.toLongLong(&ok);
        if (!ok)
            return text(value.toString(), m_integerFormat);
        if (v > LargestExactInteger || v < -LargestExactInteger)
            return text(QString::number(v), m_integerFormat);
        check(worksheet_write_number(m_sheet, row, col, double(v), m_integerFormat), "number");
        return;
    }
    case Kind::Number: {
        const double v = value.metaType() == QMetaType::fromType<Money>() ? value.value<Money>().toDouble()
                                                                          : value.toDouble();
        if (!std::isfinite(v))
            return blank();
        check(worksheet_write_number(m_sheet, row, col, v, cellFormat(column, false)), "number");
        return;
    }
    case Kind::Date: {
        const QDateTime d = value.toDateTime();
        if (!d.isValid())
            return blank();
        const QDate day = d.date();
        const QTime time = d.time();
        if (day.year() < 1900 || day.year() > 9999)
            return text(d.toString(time == QTime(0, 0) ? u"dd.MM.yyyy"_s : u"dd.MM.yyyy HH:mm"_s), m_dateFormat);
        lxw_datetime dt{day.year(), day.month(), day.day(), time.hour(), time.minute(),
                        time.second() + time.msec() / 1000.0};
        check(worksheet_write_datetime(m_sheet, row, col, &dt, cellFormat(column, time != QTime(0, 0))), "date");
        return;
    }
    }
}

void XlsxTableWriter::nextRow()
{
    if (!m_book)
        throw Exception(u"Книга \"%1\" уже закрыта."_s.arg(QDir::toNativeSeparators(m_path)));
    if (m_written >= m_rowCount)
        throw Exception(u"В книгу \"%1\" пишется больше строк, чем было в списке."_s.arg(QDir::toNativeSeparators(m_path)));
    for (int c = 0; c < m_columns.size(); ++c) {
        if (!m_set[c])
            writeCell(c, QVariant());
        m_set[c] = false;
    }
    ++m_written;
    if ((m_written & 4095) == 0)
        checkRowFile();
}

void XlsxTableWriter::checkRowFile()
{
    // The library writes the rows to its temporary file without looking at the result: a full
    // disk there would give a valid but truncated book.
    FILE* rows = m_sheet ? m_sheet->optimize_tmpfile : nullptr;
    if (rows && (fflush(rows) != 0 || ferror(rows))) {
        discard();
        throw Exception(u"Не удалось записать книгу \"%1\" (нет места на диске). Файл не сохранён."_s.arg(
            QDir::toNativeSeparators(m_path)));
    }
}

void XlsxTableWriter::check(int error, const char* what)
{
    if (error == LXW_NO_ERROR)
        return;
    throw Exception(u"Не удалось записать книгу \"%1\": %2."_s.arg(QDir::toNativeSeparators(m_path),
                                                                  QString::fromUtf8(lxw_strerror(lxw_error(error)))));
}

void XlsxTableWriter::finish()
{
    if (!m_book)
        throw Exception(u"Книга \"%1\" уже закрыта."_s.arg(QDir::toNativeSeparators(m_path)));
    // Rows the list lost meanwhile still get their borders, so the filter's range holds cells.
    try {
        while (m_written < m_rowCount)
            nextRow();
    } catch (...) {
        discard();
        throw;
    }
    checkRowFile();
    const lxw_error rc = workbook_close(m_book);
    m_book = nullptr;
    m_sheet = nullptr;
    if (rc != LXW_NO_ERROR) {
        removeFile();
        const QString cause = rc == LXW_ERROR_CREATING_XLSX_FILE || rc == LXW_ERROR_ZIP_FILE_OPERATION ||
                                      rc == LXW_ERROR_CREATING_TMPFILE || rc == LXW_ERROR_ZIP_CLOSE
                                  ? u"нет места на диске или нет доступа к папке"_s
                                  : QString::fromUtf8(lxw_strerror(rc));
        throw Exception(u"Не удалось записать книгу \"%1\" (%2). Файл не сохранён."_s.arg(
            QDir::toNativeSeparators(m_path), cause));
    }
}

void XlsxTableWriter::discard()
{
    if (!m_book)
        return;
    // Closing is the only way to free the library's workbook; what it wrote goes with the file.
    workbook_close(m_book);
    m_book = nullptr;
    m_sheet = nullptr;
    removeFile();
}

void XlsxTableWriter::removeFile()
{
    QFile::remove(m_path);
}

QString XlsxTableWriter::columnName(int column)
{
    if (column < 1 || column > SheetColumns)
        throw Exception(u"Колонки %1 на листе Excel нет (допустимо от 1 до %2)."_s.arg(column).arg(SheetColumns));
    QString name;
    for (int n = column; n > 0; n = (n - 1) / 26)
        name.prepend(QChar(u'A' + (n - 1) % 26));
    return name;
}

QString XlsxTableWriter::sheetName(const QString& title)
{
    QString name;
    for (QChar c : title) {
        if (c == u'[' || c == u']' || c == u':' || c == u'*' || c == u'?' || c == u'/' || c == u'\\' ||
            c.category() == QChar::Other_Control)
            name += u' ';
        else
            name += c;
    }
    name = name.simplified();
    while (name.startsWith(u'\''))
        name.remove(0, 1);
    while (name.endsWith(u'\''))
        name.chop(1);
    // 31 characters as the library counts them; a pair is never split.
    qsizetype points = 0;
    for (qsizetype i = 0; i < name.size(); ++i) {
        if (name.at(i).isHighSurrogate() && i + 1 < name.size())
            ++i;
        if (++points == LXW_SHEETNAME_MAX) {
            name.truncate(i + 1);
            break;
        }
    }
    name = name.trimmed();
    return name.isEmpty() ? u"Лист1"_s : name;
}

double XlsxTableWriter::charactersOfPixels(int pixels)
{
    // Excel's default font: 7 pixels a character and 5 of padding.
    return qBound(1.0, std::round((pixels - 5) / 7.0 * 100) / 100, 255.0);
}

} // namespace Tarvo::Reports
