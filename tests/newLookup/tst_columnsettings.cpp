#include "core/inifile.h"
#include "data/rowset/trowset.h"
#include "newLookup/tcolumnsinifile.h"
#include "newLookup/ui/tdscollist.h"
#include "newLookup/ui/tfrmsetupcolumns.h"
#include "support/testenvironment.h"
#include "support/typetext.h"
#include "support/widgetdriver.h"
#include "widgets/tdatagrid.h"

#include <QFile>
#include <QHeaderView>
#include <QLineEdit>
#include <QListWidget>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <QtTest>

#include <sys/inotify.h>
#include <unistd.h>

using namespace Tarvo;
using namespace Tarvo::NewLookup;

namespace {

void fill(Data::TRowSet& rs)
{
    rs.addField(QStringLiteral("ID"), Data::FieldType::Integer);
    rs.addField(QStringLiteral("NAME"), Data::FieldType::String, 60);
    rs.addField(QStringLiteral("CITY"), Data::FieldType::String, 30);
    rs.appendLoaded({1, QStringLiteral("Альфа"), QStringLiteral("Москва")});
}

void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(bytes);
}

QStringList order(const Widgets::TDataGrid& grid)
{
    QStringList r;
    for (int c : grid.columnsInDisplayOrder())
        r << grid.columnField(c) + (grid.isColumnShown(c) ? QString() : QStringLiteral("(скрыта)"));
    return r;
}

// Counts how often a file is replaced: every save renames a finished temporary file over it
// (or, written in place, closes the file itself).
class Replacements
{
public:
    explicit Replacements(const QString& path) : m_name(QFile::encodeName(QFileInfo(path).fileName()))
    {
        m_fd = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
        QVERIFY(m_fd >= 0);
        QVERIFY(inotify_add_watch(m_fd, QFile::encodeName(QFileInfo(path).absolutePath()).constData(),
                                  IN_MOVED_TO | IN_CLOSE_WRITE) >= 0);
    }
    ~Replacements() { ::close(m_fd); }
    Replacements(const Replacements&) = delete;
    Replacements& operator=(const Replacements&) = delete;

    // Since the last call: a write that has returned has queued all its events.
    int take()
    {
        int n = 0;
        alignas(inotify_event) char buf[16384];
        for (;;) {
            const ssize_t len = ::read(m_fd, buf, sizeof buf);
            if (len <= 0)
                break;
            for (const char* p = buf; p < buf + len;) {
                const auto* e = reinterpret_cast<const inotify_event*>(p);
                if (e->len > 0 && QByteArray(e->name) == m_name)
                    ++n;
                p += sizeof(inotify_event) + e->len;
            }
        }
        return n;
    }

private:
    QByteArray m_name;
    int m_fd = -1;
};

} // namespace

class ColumnSettings : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        Test::isolateUserFolders(m_home.path());
    }

    void valuesReadAsTheFileFormatSays()
    {
        TColInfo info;
        QVERIFY(TColumnsIniFile::parseValue(QStringLiteral("Наименование\t1\t120"), info));
        QCOMPARE(info.caption, QStringLiteral("Наименование"));
        QVERIFY(info.visible);
        QCOMPARE(info.width, 120);
        QVERIFY(TColumnsIniFile::parseValue(QStringLiteral("\t0\t5"), info));
        QVERIFY(!info.visible);
        QVERIFY(!TColumnsIniFile::parseValue(QStringLiteral("Имя\t10\t5"), info));
        QVERIFY(!TColumnsIniFile::parseValue(QStringLiteral("Имя\t1 5"), info));
        QVERIFY(!TColumnsIniFile::parseValue(QStringLiteral("Имя"), info));
        QVERIFY(!TColumnsIniFile::parseValue(QStringLiteral("Имя\tx\t5"), info));
        QCOMPARE(TColumnsIniFile::formatValue({QStringLiteral("F"), QStringLiteral("А\tБ\nВ"), false, 7}),
                 QStringLiteral("А Б В\t0\t7"));
    }

    void aCaptionWithATabSurvivesTheFile()
    {
        TColumnsIniFile file(m_home.filePath(QStringLiteral("tabs.ini")));
        file.write(QStringLiteral("Grid"),
                   {{QStringLiteral("NAME"), QStringLiteral("Имя\tфамилия"), true, 80},
                    {QStringLiteral("CITY"), QStringLiteral("Город"), false, 40}});
        const QList<TColInfo> back = file.read(QStringLiteral("Grid"));
        QCOMPARE(back.size(), 2);
        QCOMPARE(back.at(0).caption, QStringLiteral("Имя фамилия"));
        QCOMPARE(back.at(1).fieldName, QStringLiteral("CITY"));
        QVERIFY(!back.at(1).visible);
    }

    void gridColumnsAreSavedOnCloseAndRestoredOnOpen()
    {
        Data::TRowSet rs;
        fill(rs);
        {
            Widgets::TDataGrid grid;
            grid.setRowSet(&rs);
            grid.setColumnsSection(QStringLiteral("TTestFormGrid"));
            grid.show();
            grid.moveColumnTo(2, 0);
            grid.setColumnShown(0, false);
            grid.setColumnWidth(1, 222);
            grid.setFieldLabel(1, QStringLiteral("Название"));
            grid.hide(); // the window closes
        }
        Data::TRowSet again;
        fill(again);
        Widgets::TDataGrid grid;
        grid.setRowSet(&again);
        grid.setColumnsSection(QStringLiteral("TTestFormGrid"));
        QCOMPARE(order(grid), (QStringList{"CITY", "ID(скрыта)", "NAME"}));
        QCOMPARE(grid.columnWidth(1), 222);
        QCOMPARE(grid.columnCaption(1), QStringLiteral("Название"));
        // Shown again, the hidden column gets its width back.
        grid.setColumnShown(0, true);
        QVERIFY(grid.columnWidth(0) > 0);
    }

    // A program stopped between two of many writes used to leave a part of the columns.
    void closingAWindowWritesTheColumnsFileOnceWithEveryColumn()
    {
        const QString path = m_home.filePath(QStringLiteral("once/columns.ini"));
        QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
        writeFile(path, "[OtherGrid]\nNAME=Имя\t1\t70\n");
        Data::TRowSet rs;
        QStringList fields;
        for (int i = 1; i <= 15; ++i) {
            fields << QStringLiteral("F%1").arg(i, 2, 10, QLatin1Char('0'));
            rs.addField(fields.back(), Data::FieldType::String, 20);
        }
        rs.appendLoaded(QVariantList(15, QStringLiteral("x")));
        Replacements replacements(path);
        for (int round = 0; round < 2; ++round) {
            QWidget window;
            auto* layout = new QVBoxLayout(&window);
            auto* grid = new Widgets::TDataGrid(&window);
            layout->addWidget(grid);
            grid->setColumnsFile(path);
            grid->setRowSet(&rs);
            grid->setColumnsSection(QStringLiteral("TOnceGrid"));
            window.show();
            QVERIFY(QTest::qWaitForWindowExposed(&window));
            grid->moveColumnTo(14, 0); // F15 first
            grid->setColumnWidth(3, 100 + round);
            QCOMPARE(replacements.take(), 0);
            window.close();
            QCOMPARE(replacements.take(), 1);

            const IniFile file(path);
            QStringList expected = fields;
            expected.move(14, 0);
            QCOMPARE(file.keys(QStringLiteral("TOnceGrid")), expected);
            QCOMPARE(file.readString(QStringLiteral("TOnceGrid"), QStringLiteral("F04")),
                     QStringLiteral("F04\t1\t%1").arg(100 + round));
            QCOMPARE(file.keys(QStringLiteral("OtherGrid")), QStringList{QStringLiteral("NAME")});
        }
    }

    void missingDamagedOrDifferentFilesKeepTheGridUsable()
    {
        const QString path = m_home.filePath(QStringLiteral("odd.ini"));
        Data::TRowSet rs;
        fill(rs);
        Widgets::TDataGrid grid;
        grid.setColumnsFile(path);
        grid.setRowSet(&rs);
        grid.setColumnsSection(QStringLiteral("Missing"));
        QCOMPARE(order(grid), (QStringList{"ID", "NAME", "CITY"}));

        writeFile(path, QByteArray("\x00\xff\xfe[Damaged]\nID=\x01\x02\nNAME\n=\t1\t5\n", 28));
        grid.setColumnsSection(QStringLiteral("Damaged"));
        QCOMPARE(order(grid), (QStringList{"ID", "NAME", "CITY"}));

        // More columns than the grid has (GONE), and fewer (ID missing): the others keep their saved
        // order, the one not in the file stays behind them.
        writeFile(path, "[Different]\nCITY=Город\t1\t50\nGONE=Нет\t1\t10\nNAME=Имя\t0\t70\n");
        grid.setColumnsSection(QStringLiteral("Different"));
        QCOMPARE(order(grid), (QStringList{"CITY", "NAME(скрыта)", "ID"}));
        QCOMPARE(grid.columnCaption(2), QStringLiteral("Город"));
    }

    void setupDialogCancelChangesNothingAndOkApplies()
    {
        Data::TRowSet rs;
        fill(rs);
        Widgets::TDataGrid grid;
        grid.setRowSet(&rs);
        grid.setColumnWidth(1, 150);
        Test::whenModal<TfrmSetupColumns>([](TfrmSetupColumns* d) {
            d->list()->setCurrentRow(1);
            d->list()->item(1)->setCheckState(Qt::Unchecked);
            QTest::keyClicks(d->captionEdit(), QStringLiteral("X"));
            Test::clickButton(d, QStringLiteral("Отмена"));
        });
        grid.setupColumns();
        QCOMPARE(order(grid), (QStringList{"ID", "NAME", "CITY"}));
        QCOMPARE(grid.columnCaption(1), QStringLiteral("NAME"));
        QCOMPARE(grid.columnWidth(1), 150);

        Test::whenModal<TfrmSetupColumns>([](TfrmSetupColumns* d) {
            d->list()->setCurrentRow(1);
            QCOMPARE(d->captionEdit()->text(), QStringLiteral("NAME"));
            d->captionEdit()->clear();
            Test::typeText(d->captionEdit(), QStringLiteral("Имя"));
            d->list()->item(1)->setCheckState(Qt::Unchecked);
            d->list()->setCurrentRow(2);
            Test::clickButton(d, QStringLiteral("В&верх"));
            Test::clickButton(d, QStringLiteral("Ok"));
        });
        grid.setupColumns();
        QCOMPARE(order(grid), (QStringList{"ID", "CITY", "NAME(скрыта)"}));
        QCOMPARE(grid.columnCaption(1), QStringLiteral("Имя"));
        QCOMPARE(grid.keptColumnWidth(1), 150);
    }

    void setupDialogIsReachableByKeyboard()
    {
        Data::TRowSet rs;
        fill(rs);
        Widgets::TDataGrid grid;
        grid.setRowSet(&rs);
        bool checked = false;
        Test::whenModal<TfrmSetupColumns>([&checked](TfrmSetupColumns* d) {
            QVERIFY(QTest::qWaitForWindowActive(d));
            QCOMPARE(QApplication::focusWidget(), d->list());
            Test::checkTabReachesEveryControl(d);
            checked = true;
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
        });
        grid.setupColumns();
        QVERIFY(checked);
    }

private:
    QTemporaryDir m_home;
};

QTEST_MAIN(ColumnSettings)
#include "tst_columnsettings.moc"
