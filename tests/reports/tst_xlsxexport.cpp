#include "core/exception.h"
#include "data/engine/money.h"
#include "data/rowset/trowset.h"
#include "reports/ui/tableexport.h"
#include "reports/workbookreadback.h"
#include "reports/xlsxtablewriter.h"
#include "shell/ui/tfstatusmessage.h"
#include "support/testenvironment.h"
#include "widgets/gridproxymodel.h"
#include "widgets/tdatagrid.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <cmath>
#include <csignal>
#include <sys/resource.h>

using namespace Tarvo;
using namespace Tarvo::Reports;
using namespace Qt::Literals::StringLiterals;
using Test::WorkbookReadBack;

namespace {

// A list read in batches, as the registers read theirs.
class BatchRows : public Data::TRowSet
{
public:
    BatchRows(int total, int batch) : m_total(total), m_batch(batch)
    {
        addField(u"N"_s, Data::FieldType::Integer);
        addField(u"NAME"_s, Data::FieldType::String, 20);
        fetchMore();
        first();
    }
    bool canFetchMore() const override { return m_read < m_total; }
    void fetchMore() override
    {
        for (int i = 0; i < m_batch && m_read < m_total; ++i, ++m_read)
            appendLoaded({m_read, u"Строка %1"_s.arg(m_read, 5, 10, QChar(u'0'))});
    }

private:
    int m_total;
    int m_batch;
    int m_read = 0;
};

QStringList files(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files);
}

// Answers the next message box and keeps its text.
void answerNextBox(QString* text)
{
    QTimer::singleShot(0, [text] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            *text = box->text();
            box->accept();
        } else {
            answerNextBox(text);
        }
    });
}

} // namespace

class UrlOpener : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl& url) { opened << url; }
};

class XlsxExportTest : public QObject
{
    Q_OBJECT
    QTemporaryDir m_home;

private slots:
    void initTestCase() { Test::isolateUserFolders(m_home.path()); }

    void columnLettersFollowTheSheet()
    {
        const QList<std::pair<int, QString>> cases{{1, u"A"_s},     {26, u"Z"_s},     {27, u"AA"_s},  {30, u"AD"_s},
                                                   {52, u"AZ"_s},   {53, u"BA"_s},    {702, u"ZZ"_s}, {703, u"AAA"_s},
                                                   {16384, u"XFD"_s}};
        for (const auto& [n, name] : cases)
            QCOMPARE(XlsxTableWriter::columnName(n), name);
        QVERIFY_THROWS_EXCEPTION(Exception, XlsxTableWriter::columnName(0));
        QVERIFY_THROWS_EXCEPTION(Exception, XlsxTableWriter::columnName(16385));
        // Characters the library refuses in a sheet name are cleaned, the name kept short.
        QCOMPARE(XlsxTableWriter::sheetName(u"Заявки: 01/02 [все]"_s), u"Заявки 01 02 все"_s);
        QCOMPARE(XlsxTableWriter::sheetName(u"::"_s), u"Лист1"_s);
        QCOMPARE(XlsxTableWriter::sheetName(QString(40, u'Я')).size(), 31);
    }

    void gridIsWrittenAsShown()
    {
        Data::TRowSet rs;
        rs.addField(u"id"_s, Data::FieldType::Integer);
        rs.addField(u"code"_s, Data::FieldType::String, 50);
        rs.addField(u"n"_s, Data::FieldType::Integer);
        rs.addField(u"sum"_s, Data::FieldType::Money);
        rs.addField(u"d"_s, Data::FieldType::DateTime);
        rs.addField(u"f"_s, Data::FieldType::Float);
        rs.addField(u"big"_s, Data::FieldType::Integer);
        rs.addField(u"txt"_s, Data::FieldType::String, 0);
        rs.field(3).displayFormat = u"2"_s;
        const QString longText(40000, u'ж');
        rs.appendLoaded({1, u"00123"_s, 123, Money::fromDouble(1234.5678).toVariant(),
                         QDateTime(QDate(2023, 1, 31), QTime(0, 0)), std::nan(""), 1234567890123456789LL, longText});
        rs.appendLoaded({2, u"=1+2"_s, QVariant(), QVariant(), QDateTime(QDate(2024, 2, 1), QTime(10, 30)),
                         std::numeric_limits<double>::infinity(), 5, QVariant()});
        rs.first();
        Widgets::TDataGrid grid;
        grid.setRowSet(&rs);
        grid.resize(800, 300);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        grid.setColumnShown(0, false);
        grid.setColumnWidth(1, 145);
        rs.moveTo(1);

        const QString path = m_home.filePath(u"grid.xlsx"_s);
        QVERIFY(TableExport::writeGrid(&grid, u"Заявки: все"_s, {u"Реестр заявок"_s}, path));
        QVERIFY(grid.isEnabled());
        QCOMPARE(rs.recNo(), 1); // the current row is kept
        const WorkbookReadBack wb(path);
        QVERIFY(wb.ok);
        QCOMPARE(wb.sheetName, u"Заявки все"_s);
        // The heading line, bold and left; the heading row bold; the hidden first field left out.
        QCOMPARE(wb.text(u"A1"_s), u"Реестр заявок"_s);
        QVERIFY(wb.styleOf(u"A1"_s).bold);
        QCOMPARE(wb.styleOf(u"A1"_s).horizontal, u"left"_s);
        QCOMPARE(wb.text(u"A2"_s), u"code"_s);
        QVERIFY(wb.styleOf(u"A2"_s).bold);
        QCOMPARE(wb.text(u"G2"_s), u"txt"_s);
        QVERIFY(!wb.cells.contains(u"H2"_s));
        QCOMPARE(wb.autoFilter, u"A2:G4"_s);
        // 145 pixels are 20 characters (the file adds the cell padding).
        QVERIFY2(wb.widths.value(0) >= 20 && wb.widths.value(0) < 21, qPrintable(QString::number(wb.widths.value(0))));
        // Text stays text, numbers are numbers on the right with the grid's decimals.
        QCOMPARE(wb.cells[u"A3"_s].type, u"inlineStr"_s);
        QCOMPARE(wb.text(u"A3"_s), u"00123"_s);
        QCOMPARE(wb.text(u"A4"_s), u"=1+2"_s);
        QCOMPARE(wb.cells[u"A4"_s].type, u"inlineStr"_s);
        QCOMPARE(wb.cells[u"B3"_s].type, QString());
        QCOMPARE(wb.text(u"B3"_s), u"123"_s);
        QCOMPARE(wb.styleOf(u"B3"_s).horizontal, u"right"_s);
        QCOMPARE(wb.text(u"C3"_s).toDouble(), 1234.5678);
        QCOMPARE(wb.styleOf(u"C3"_s).numberFormat, u"#,##0.00"_s);
        // Dates are dates (serial numbers), so they sort as dates.
        QCOMPARE(wb.text(u"D3"_s), u"44957"_s);
        QCOMPARE(wb.styleOf(u"D3"_s).numberFormat, u"dd.mm.yyyy"_s);
        QVERIFY(wb.text(u"D4"_s).startsWith(u"45323.4375"_s));
        QCOMPARE(wb.styleOf(u"D4"_s).numberFormat, u"dd.mm.yyyy hh:mm"_s);
        // NaN and infinity leave the cell empty; an integer beyond 15 digits is text; long text is cut.
        QVERIFY(wb.cells.contains(u"E3"_s));
        QCOMPARE(wb.text(u"E3"_s), QString());
        QCOMPARE(wb.text(u"E4"_s), QString());
        QCOMPARE(wb.text(u"F3"_s), u"1234567890123456789"_s);
        QCOMPARE(wb.cells[u"F3"_s].type, u"inlineStr"_s);
        QCOMPARE(wb.text(u"G3"_s).size(), 32767);
        // Every cell of the table has its border, the empty ones too.
        for (const QString& ref : {u"A2"_s, u"B4"_s, u"C4"_s, u"E3"_s, u"G4"_s})
            QVERIFY2(wb.cells.contains(ref) && wb.styleOf(ref).border, qPrintable(ref));
    }

    void thirtyColumnsEndAtAD()
    {
        Data::TRowSet rs;
        QVariantList row;
        for (int c = 0; c < 30; ++c) {
            rs.addField(u"c%1"_s.arg(c), Data::FieldType::Integer);
            row << c;
        }
        rs.appendLoaded(row);
        Widgets::TDataGrid grid;
        grid.setRowSet(&rs);
        const QString path = m_home.filePath(u"wide.xlsx"_s);
        QVERIFY(TableExport::writeGrid(&grid, u"Широкий"_s, {}, path));
        const WorkbookReadBack wb(path);
        QCOMPARE(wb.text(u"AD1"_s), u"c29"_s);
        QCOMPARE(wb.text(u"AD2"_s), u"29"_s);
        QCOMPARE(wb.autoFilter, u"A1:AD2"_s);
    }

    void batchListIsExportedWholeInHeadingOrder()
    {
        BatchRows rs(2500, 1000);
        Widgets::TDataGrid grid;
        grid.setRowSet(&rs);
        grid.proxyModel()->setBackgroundSortRows(0);
        grid.sortBy(1, Qt::DescendingOrder);
        QTRY_VERIFY(!grid.isReading() && !grid.proxyModel()->isSorting());
        const QString path = m_home.filePath(u"batches.xlsx"_s);
        QVERIFY(TableExport::writeGrid(&grid, u"Пакеты"_s, {}, path));
        const WorkbookReadBack wb(path);
        QCOMPARE(wb.autoFilter, u"A1:B2501"_s);
        QCOMPARE(wb.text(u"A2"_s), u"2499"_s);
        QCOMPARE(wb.text(u"B2501"_s), u"Строка 00000"_s);

        // Unsorted and only a batch read: the export reads the rest itself.
        BatchRows fresh(2500, 1000);
        Widgets::TDataGrid plain;
        plain.setRowSet(&fresh);
        QVERIFY(fresh.canFetchMore());
        QVERIFY(TableExport::writeGrid(&plain, u"Пакеты"_s, {}, path));
        const WorkbookReadBack all(path);
        QCOMPARE(all.text(u"A2501"_s), u"2499"_s);
    }

    void emptyListSaysSoAndLeavesNoFile()
    {
        Data::TRowSet rs;
        rs.addField(u"a"_s, Data::FieldType::String);
        Widgets::TDataGrid grid;
        grid.setRowSet(&rs);
        QTemporaryDir folder;
        const QString path = TableExport::reserveFile(folder.path(), u"Пусто"_s);
        QString said;
        answerNextBox(&said);
        QVERIFY(!TableExport::writeGrid(&grid, u"Пусто"_s, {}, path));
        QCOMPARE(said, u"Печатать нечего!"_s);
        QVERIFY(files(folder.path()).isEmpty());
    }

    void namesNeverOverwrite()
    {
        QTemporaryDir folder;
        const QString a = TableExport::reserveFile(folder.path(), u"Заявки: 1/2"_s);
        const QString b = TableExport::reserveFile(folder.path(), u"Заявки: 1/2"_s);
        QVERIFY(a != b);
        QVERIFY(QFileInfo(a).fileName().startsWith(u"Заявки 1 2 "_s));
        QCOMPARE(files(folder.path()).size(), 2);
    }

    void cancelLeavesNothing()
    {
        BatchRows rs(5000, 500);
        Widgets::TDataGrid grid;
        grid.setRowSet(&rs);
        QTemporaryDir folder;
        const QString path = TableExport::reserveFile(folder.path(), u"Отмена"_s);
        // "Отмена" pressed as soon as the status window is up.
        std::function<void()> press = [&press] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* s = qobject_cast<Shell::TfStatusMessage*>(w); s && s->isVisible() && s->bCancel->isVisible()) {
                    QTest::mouseClick(s->bCancel, Qt::LeftButton);
                    return;
                }
            QTimer::singleShot(0, press);
        };
        QTimer::singleShot(0, press);
        QVERIFY_THROWS_EXCEPTION(Abort, TableExport::writeGrid(&grid, u"Отмена"_s, {}, path));
        QVERIFY(files(folder.path()).isEmpty());
        QVERIFY(grid.isEnabled());
    }

    void fullDiskIsAnErrorNamingTheFile()
    {
        Data::TRowSet rs;
        rs.addField(u"t"_s, Data::FieldType::String);
        for (int i = 0; i < 5000; ++i)
            rs.appendLoaded({u"строка, которая занимает место %1"_s.arg(i)});
        Widgets::TDataGrid grid;
        grid.setRowSet(&rs);
        QTemporaryDir folder;
        const QString path = TableExport::reserveFile(folder.path(), u"Диск"_s);
        // A file-size limit makes every write past 8 KiB fail as on a full disk.
        std::signal(SIGXFSZ, SIG_IGN);
        rlimit old{};
        getrlimit(RLIMIT_FSIZE, &old);
        rlimit small = old;
        small.rlim_cur = 8192;
        setrlimit(RLIMIT_FSIZE, &small);
        QString message;
        try {
            TableExport::writeGrid(&grid, u"Диск"_s, {}, path);
        } catch (const Exception& e) {
            message = e.message();
        }
        setrlimit(RLIMIT_FSIZE, &old);
        QVERIFY2(message.contains(QDir::toNativeSeparators(path)), qPrintable(message));
        QVERIFY(files(folder.path()).isEmpty());
    }

    void sheetLimitsAreRefusedBeforeWriting()
    {
        QTemporaryDir folder;
        const QString path = folder.filePath(u"big.xlsx"_s);
        QList<XlsxTableWriter::Column> wide(XlsxTableWriter::SheetColumns + 1);
        QVERIFY_THROWS_EXCEPTION(Exception, XlsxTableWriter(path, u"x"_s, {}, wide, 1));
        QVERIFY_THROWS_EXCEPTION(Exception, XlsxTableWriter(path, u"x"_s, {}, {XlsxTableWriter::Column{}}, 1048576));
        QVERIFY(XlsxTableWriter(path, u"x"_s, {}, {XlsxTableWriter::Column{}}, 1048575).columnName(1) == u"A"_s);
        QVERIFY(files(folder.path()).isEmpty());
    }

    void everyGridOffersTheExport()
    {
        TableExport::registerInGrids();
        Data::TRowSet rs;
        rs.addField(u"a"_s, Data::FieldType::String);
        rs.appendLoaded({u"x"_s});
        Widgets::TDataGrid grid;
        grid.setRowSet(&rs);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        bool offered = false;
        QTimer look;
        connect(&look, &QTimer::timeout, this, [&] {
            for (QWidget* w : QApplication::topLevelWidgets())
                if (auto* m = qobject_cast<QMenu*>(w); m && m->isVisible() && m->objectName() == u"menuGridContext"_s) {
                    auto* a = m->findChild<QAction*>(u"actExportGrid"_s);
                    offered = a && a->isEnabled();
                    m->close();
                    look.stop();
                }
        });
        look.start(10);
        QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(5, 5), grid.mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(grid.viewport(), &event);
        QVERIFY(offered);
    }

    void exportOpensTheBookFromTheDocumentsFolder()
    {
        // The desktop's handler stands in for the spreadsheet.
        QTemporaryDir docs;
        QFile dirs(m_home.filePath(u"config/user-dirs.dirs"_s));
        QVERIFY(dirs.open(QIODevice::WriteOnly | QIODevice::Truncate));
        dirs.write(("XDG_DOCUMENTS_DIR=\"" + docs.path() + "\"\n").toUtf8());
        dirs.close();
        UrlOpener opener;
        QDesktopServices::setUrlHandler(u"file"_s, &opener, "open");
        Data::TRowSet rs;
        rs.addField(u"a"_s, Data::FieldType::String);
        rs.appendLoaded({u"x"_s});
        Widgets::TDataGrid grid;
        grid.setRowSet(&rs);
        TableExport::exportGrid(&grid, u"Заявки"_s);
        QDesktopServices::unsetUrlHandler(u"file"_s);
        QCOMPARE(opener.opened.size(), 1);
        const QString file = opener.opened.first().toLocalFile();
        QCOMPARE(QFileInfo(file).absolutePath(), QFileInfo(docs.path()).absoluteFilePath());
        QVERIFY(WorkbookReadBack(file).ok);
    }
};

QTEST_MAIN(XlsxExportTest)
#include "tst_xlsxexport.moc"
