#include "reports/ui/tableexport.h"

#include "catalog/currency/moneyformats.h"
#include "core/exception.h"
#include "data/rowset/numberformat.h"
#include "data/rowset/trowset.h"
#include "data/rowset/trowsetmodel.h"
#include "messaging/tmessageserver.h"
#include "reports/xlsxtablewriter.h"
#include "shell/ui/tfstatusmessage.h"
#include "shell/ui/tstatusmessage.h"
#include "widgets/gridproxymodel.h"
#include "widgets/tdatagrid.h"

#include <QApplication>
#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QMessageBox>
#include <QPointer>
#include <QScopeGuard>
#include <QStandardPaths>
#include <QUrl>

#include <fcntl.h>
#include <unistd.h>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Reports {

namespace {

const QString Caption = u"Передача таблицы в Excel"_s;

struct ExportColumn
{
    int field = 0;
    Data::FieldType type = Data::FieldType::String;
    QString format;
};

int decimalsOf(const QString& format)
{
    if (format == Data::NumberFormat::Quantity)
        return -1;
    bool ok = false;
    const int d = format.toInt(&ok);
    return ok ? d : 2;
}

// Lets the status window's "Отмена" be pressed; nothing else reaches the program meanwhile
// (the status window is modal and change notices are held).
void turn(Shell::TStatusMessage& status)
{
    QCoreApplication::processEvents();
    if (status.cancelled())
        throw Abort();
}

} // namespace

QString TableExport::reserveFile(const QString& folder, const QString& title)
{
    QString base;
    for (QChar c : title.simplified())
        base += (c == u'/' || c == u'\\' || c == u':' || c == u'*' || c == u'?' || c == u'"' || c == u'<' ||
                 c == u'>' || c == u'|' || c.category() == QChar::Other_Control)
                    ? u' '
                    : c;
    base = base.simplified().left(100);
    if (base.isEmpty() || base.startsWith(u'.'))
        base.prepend(u"Список"_s);
    base += u' ' + QDateTime::currentDateTime().toString(u"yyyy-MM-dd HH-mm-ss"_s);
    if (!QDir().mkpath(folder))
        throw Exception(u"Не удалось создать папку \"%1\" для книги."_s.arg(QDir::toNativeSeparators(folder)));
    for (int n = 1; n < 1000; ++n) {
        const QString path =
            QDir(folder).filePath(n == 1 ? base + u".xlsx"_s : u"%1 (%2).xlsx"_s.arg(base).arg(n));
        // Created only when absent: another export (or file) of the same name is never overwritten.
        const int fd = ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
        if (fd >= 0) {
            ::close(fd);
            return path;
        }
        if (errno != EEXIST)
            throw Exception(u"Не удалось создать файл \"%1\": %2."_s.arg(QDir::toNativeSeparators(path),
                                                                       QString::fromLocal8Bit(strerror(errno))));
    }
    throw Exception(u"В папке \"%1\" слишком много книг с именем \"%2\"."_s.arg(QDir::toNativeSeparators(folder), base));
}

bool TableExport::writeGrid(Widgets::TDataGrid* grid, const QString& title, const QStringList& headingLines,
                            const QString& path)
{
    Data::TRowSet* rs = grid ? grid->rowSet() : nullptr;
    Data::TRowSetModel* model = grid ? grid->rowSetModel() : nullptr;
    if (!rs || !model || rs->fieldCount() == 0 || (rs->isEmpty() && !model->hasUnreadRows())) {
        QFile::remove(path);
        QMessageBox::critical(grid ? grid->window() : nullptr, title, u"Печатать нечего!"_s);
        return false;
    }

    Shell::TStatusMessage status;
    status.window()->setWindowModality(Qt::ApplicationModal);
    status.setCaption(Caption);
    status.allowCancel();
    status.show();

    QPointer<Widgets::TDataGrid> guard(grid);
    const Data::TRowSet::Bookmark current = rs->bookmark();
    grid->setEnabled(false);
    Messaging::TMessageServer::instance().hold();
    auto restore = qScopeGuard([&] {
        Messaging::TMessageServer::instance().release();
        if (guard) {
            guard->setEnabled(true);
            if (guard->rowSet() == rs)
                rs->gotoBookmark(current);
        }
    });

    try {
        // The rows not yet read, a batch per turn, so the window stays painted and "Отмена" is heard.
        if (model->hasUnreadRows()) {
            status.setStatus(u"Чтение списка..."_s);
            while (model->hasUnreadRows()) {
                model->fetchMore({});
                status.setStatus1(u"Прочитано строк: %1"_s.arg(rs->recordCount()));
                turn(status);
            }
        }
        // A heading sort of what was just read is finished first: the book follows the shown order.
        while (grid->isReading() || grid->proxyModel()->isSorting()) {
            status.setStatus(u"Сортировка..."_s);
            turn(status);
        }
        if (rs->isEmpty()) {
            QFile::remove(path);
            QMessageBox::critical(grid->window(), title, u"Печатать нечего!"_s);
            return false;
        }

        status.setStatus(u"Форматирование "_s);
        QList<ExportColumn> fields;
        QList<XlsxTableWriter::Column> columns;
        for (int column : grid->columnsInDisplayOrder()) {
            if (!grid->isColumnShown(column))
                continue;
            const Data::RowSetField& f = rs->field(column);
            ExportColumn e{column, f.type, f.displayFormat};
            XlsxTableWriter::Column c;
            c.caption = grid->columnCaption(column);
            c.width = XlsxTableWriter::charactersOfPixels(grid->keptColumnWidth(column));
            switch (f.type) {
            case Data::FieldType::Integer:
                c.kind = XlsxTableWriter::Kind::Integer;
                break;
            case Data::FieldType::Money:
                if (e.format.isEmpty())
                    e.format = Catalog::MoneyFormats::forField(f.name);
                c.kind = XlsxTableWriter::Kind::Number;
                c.decimals = decimalsOf(e.format);
                break;
            case Data::FieldType::Float:
                c.kind = XlsxTableWriter::Kind::Number;
                break;
            case Data::FieldType::DateTime:
                // A format of its own (a time only, say) is the grid's text.
                c.kind = e.format.isEmpty() ? XlsxTableWriter::Kind::Date : XlsxTableWriter::Kind::Text;
                break;
            default:
                c.kind = XlsxTableWriter::Kind::Text;
            }
            fields << e;
            columns << c;
        }
        const int rows = grid->proxyModel()->rowCount();
        XlsxTableWriter writer(path, title, headingLines, columns, rows);

        status.setStatus(u"Всего записей : %1"_s.arg(rows));
        status.setMaximum(rows > 0 ? rows : 100);
        int shownPercent = -1;
        for (int r = 0; r < rows; ++r) {
            const Data::RowSetRow* row = rs->rowAt(grid->rowSetRow(r));
            if (row) {
                for (int c = 0; c < fields.size(); ++c) {
                    const ExportColumn& e = fields[c];
                    QVariant v = row->values.at(e.field);
                    if (!v.isNull() && (columns[c].kind == XlsxTableWriter::Kind::Text &&
                                        e.type != Data::FieldType::String))
                        v = Data::TRowSetModel::displayText(v, e.type, e.format);
                    writer.setValue(c, v);
                }
            }
            writer.nextRow();
            // The window is repainted when the shown percentage moves, not for every row.
            const int percent = int(qint64(r + 1) * 100 / rows);
            if (percent != shownPercent || (r & 1023) == 0) {
                shownPercent = percent;
                status.setPosition(r + 1);
                turn(status);
            }
        }
        status.setStatus(u"Сохранение книги..."_s);
        writer.finish();
    } catch (...) {
        QFile::remove(path);
        throw;
    }
    return true;
}

void TableExport::exportGrid(Widgets::TDataGrid* grid, const QString& title, const QStringList& headingLines)
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty())
        folder = QDir::homePath();
    const QString path = reserveFile(folder, title);
    if (!writeGrid(grid, title, headingLines, path))
        return;
    if (!QDesktopServices::openUrl(QUrl::fromLocalFile(path)))
        QMessageBox::information(grid ? grid->window() : nullptr, title,
                                 u"Книга сохранена в файл \"%1\". Программа для её открытия не найдена: откройте "
                                 "файл в табличном редакторе."_s.arg(QDir::toNativeSeparators(path)));
}

void TableExport::registerInGrids()
{
    Widgets::TDataGrid::setContextMenuExtension([](Widgets::TDataGrid& grid, QMenu& menu) {
        QAction* a = menu.addAction(u"Экспорт в Excel..."_s);
        a->setObjectName(u"actExportGrid"_s);
        a->setEnabled(grid.rowSet() && grid.rowSet()->fieldCount() > 0);
        QPointer<Widgets::TDataGrid> target(&grid);
        QObject::connect(a, &QAction::triggered, &grid, [target] {
            if (!target)
                return;
            try {
                TableExport::exportGrid(target, target->window()->windowTitle());
            } catch (const Abort&) {
            } catch (const Exception& e) {
                QMessageBox::critical(target ? target->window() : nullptr, Caption, e.message());
            }
        });
    });
}

} // namespace Tarvo::Reports
