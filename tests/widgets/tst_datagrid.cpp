#include "catalog/boxanswers.h"
#include "core/exception.h"
#include "data/rowset/trowset.h"
#include "shell/programparameters.h"
#include "shell/tinistorage.h"
#include "support/testenvironment.h"
#include "widgets/gridproxymodel.h"
#include "widgets/tdatagrid.h"

#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace Tarvo;
using Widgets::TDataGrid;

namespace {

QStringList column(const TDataGrid& grid, int c)
{
    QStringList r;
    for (int row = 0; row < grid.model()->rowCount(); ++row)
        r << grid.model()->index(row, c).data().toString();
    return r;
}

// A dataset read in batches that may know how many rows it has (`counted`, -1 when not), which
// need not be the number it really has (`total`).
class BatchRowSet : public Data::TRowSet
{
public:
    BatchRowSet(int total, int batch, int counted) : m_total(total), m_batch(batch), m_counted(counted)
    {
        addField(QStringLiteral("N"), Data::FieldType::Integer);
        addField(QStringLiteral("NAME"), Data::FieldType::String, 20);
        fetchMore();
        first();
    }
    bool canFetchMore() const override { return m_read < m_total; }
    void fetchMore() override
    {
        const int n = qMin(m_batch, m_total - m_read);
        for (int i = 0; i < n; ++i, ++m_read)
            appendLoaded({m_read, QStringLiteral("Строка %1").arg(m_read)});
        ++batches;
    }
    int expectedUnreadRows() const override
    {
        return m_counted < 0 || !canFetchMore() ? -1 : qMax(0, m_counted - m_read);
    }
    int batches = 0;

private:
    int m_total;
    int m_batch;
    int m_counted;
    int m_read = 0;
};

// Deletes as the updatable datasets do: the row is written away and every change accepted at once.
class AcceptingRowSet : public Data::TRowSet
{
protected:
    void internalDelete() override
    {
        TRowSet::internalDelete();
        acceptAll();
    }
};

QStringList shownNames(const Widgets::GridProxyModel& proxy)
{
    QStringList r;
    for (int row = 0; row < proxy.rowCount(); ++row)
        r << proxy.index(row, 0).data().toString();
    return r;
}

void fillNames(Data::TRowSet& rs, int rows)
{
    rs.addField(QStringLiteral("NAME"), Data::FieldType::String, 30);
    rs.addField(QStringLiteral("N"), Data::FieldType::Integer);
    for (int i = 0; i < rows; ++i)
        rs.appendLoaded({QStringLiteral("Имя %1").arg((i * 7919) % 100003), i});
    rs.first();
}

bool rowShown(TDataGrid& grid, int row)
{
    return grid.viewport()->rect().intersects(grid.visualRect(grid.model()->index(row, 0)));
}

} // namespace

class DataGrid : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        Test::isolateUserFolders(m_home.path());
    }

    // A value the row set refuses is said in a box and the cell keeps its value; the next value
    // typed into the grid is taken as usual.
    void aRefusedValueLeavesLaterEditsWorking()
    {
        Data::TRowSet rs;
        rs.addField(QStringLiteral("QTY"), Data::FieldType::Integer);
        rs.appendLoaded({1});
        rs.validate = [](Data::TRowSet&, int, const QVariant& value) {
            if (value.toInt() < 0)
                throw Exception(QStringLiteral("Количество не может быть отрицательным"));
            return true;
        };
        Widgets::TDataGrid grid;
        grid.setRowSet(&rs);
        grid.setEditTriggers(QAbstractItemView::EditKeyPressed);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        grid.setFocus();
        grid.setCurrentIndex(grid.model()->index(0, 0));
        const auto type = [&grid](const QString& text) {
            QTest::keyClick(&grid, Qt::Key_F2);
            QTRY_VERIFY(grid.indexWidget(grid.currentIndex()));
            QWidget* editor = grid.indexWidget(grid.currentIndex());
            QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
            QTest::keyClicks(editor, text);
            QTest::keyClick(editor, Qt::Key_Return);
            QTRY_VERIFY(!grid.indexWidget(grid.currentIndex()));
        };
        {
            Test::BoxAnswers ok({QMessageBox::Ok});
            type(QStringLiteral("-5"));
            QTRY_COMPARE(ok.texts, QStringList{QStringLiteral("Количество не может быть отрицательным")});
        }
        QCOMPARE(rs.value(0).toInt(), 1);
        type(QStringLiteral("7"));
        QCOMPARE(rs.value(0).toInt(), 7);
        type(QStringLiteral("8"));
        QCOMPARE(rs.value(0).toInt(), 8);
    }

    void headingClickSortsInRussianOrderWithoutCase()
    {
        Data::TRowSet rs;
        rs.addField(QStringLiteral("NAME"), Data::FieldType::String, 20);
        rs.addField(QStringLiteral("QTY"), Data::FieldType::Integer);
        const QStringList names{"ёлка",
                                "Ель",
                                "жук",
                                "Арбуз",
                                "банан",
                                "Яблоко",
                                "apple",
                                "Zebra",
                                "ежевика",
                                "Ωmega",
                                "арбуз очень длинного сорта номер 2",
                                "Арбуз очень длинного сорта номер 1"};
        int n = 0;
        for (const QString& name : names)
            rs.appendLoaded({name, 100 - n++ * 7 % 13});
        rs.appendLoaded({QVariant(), 5});
        TDataGrid grid;
        grid.setRowSet(&rs);
        grid.show();
        QTest::mouseClick(grid.horizontalHeader()->viewport(), Qt::LeftButton, {},
                          QPoint(grid.horizontalHeader()->sectionViewportPosition(0) + 5, 5));
        QCOMPARE(column(grid, 0),
                 (QStringList{"", "apple", "Zebra", "Ωmega", "Арбуз", "Арбуз очень длинного сорта номер 1",
                              "арбуз очень длинного сорта номер 2", "банан", "ежевика", "Ель", "ёлка", "жук",
                              "Яблоко"}));
        // The row set keeps its own order; choosing a grid row moves its cursor to that row.
        QCOMPARE(rs.rowAt(0)->values.at(0).toString(), QStringLiteral("ёлка"));
        grid.setCurrentIndex(grid.model()->index(10, 0));
        QCOMPARE(rs.string(QStringLiteral("NAME")), QStringLiteral("ёлка"));
        QCOMPARE(grid.rowSetRow(10), 0);

        grid.sortBy(0, Qt::DescendingOrder);
        QCOMPARE(column(grid, 0).first(), QStringLiteral("Яблоко"));
        grid.sortBy(1, Qt::AscendingOrder);
        const QStringList qty = column(grid, 1);
        for (int i = 1; i < qty.size(); ++i)
            QVERIFY(qty.at(i - 1).toInt() <= qty.at(i).toInt());
        // A change of the rows keeps the order chosen.
        rs.appendLoaded({QStringLiteral("ноль"), 0});
        QCOMPARE(column(grid, 1).first(), QStringLiteral("0"));
        grid.sortBy(-1);
        QCOMPARE(column(grid, 0).first(), QStringLiteral("ёлка"));
    }

    void findSearchesTheChosenColumnAndRemembersIt()
    {
        Data::TRowSet rs;
        rs.addField(QStringLiteral("CODE"), Data::FieldType::String, 10);
        rs.addField(QStringLiteral("NAME"), Data::FieldType::String, 20);
        rs.appendLoaded({QStringLiteral("A1"), QStringLiteral("Гайка")});
        rs.appendLoaded({QStringLiteral("B2"), QStringLiteral("Болт М6")});
        rs.appendLoaded({QStringLiteral("C3"), QStringLiteral("болт М8")});
        TDataGrid grid;
        grid.setRowSet(&rs);
        grid.setColumnsSection(QStringLiteral("TFindGrid"));
        QMenu* menu = grid.searchMenu();
        QStringList captions;
        for (QAction* a : menu->actions())
            if (a->isCheckable())
                captions << a->text();
        QCOMPARE(captions, (QStringList{"CODE", "NAME"}));
        for (QAction* a : menu->actions())
            if (a->text() == QLatin1String("NAME"))
                a->trigger();
        QCOMPARE(grid.searchColumn(), 1);
        QVERIFY(grid.findNext(QStringLiteral("БОЛТ")));
        QCOMPARE(rs.string(QStringLiteral("CODE")), QStringLiteral("B2"));
        QVERIFY(grid.findNext(QStringLiteral("болт")));
        QCOMPARE(rs.string(QStringLiteral("CODE")), QStringLiteral("C3"));
        QVERIFY(grid.findNext(QStringLiteral("болт"))); // wraps round
        QCOMPARE(rs.string(QStringLiteral("CODE")), QStringLiteral("B2"));
        QVERIFY(!grid.findNext(QStringLiteral("шуруп")));

        TDataGrid another;
        another.setRowSet(&rs);
        another.setColumnsSection(QStringLiteral("TFindGrid"));
        QCOMPARE(another.searchColumn(), 1);
    }

    // A list read in batches is read only as far as the next match, then searched round.
    void findReadsOnlyAsFarAsTheMatch()
    {
        BatchRowSet rs(5000, 100, 5000);
        TDataGrid grid;
        grid.setRowSet(&rs);
        grid.setSearchColumn(1);
        const int before = rs.batches;
        QVERIFY(grid.findNext(QStringLiteral("Строка 250")));
        QCOMPARE(rs.integer(QStringLiteral("N")), 250);
        QVERIFY(rs.batches - before <= 3);
        QVERIFY(rs.canFetchMore());
        QVERIFY(grid.findNext(QStringLiteral("Строка 12")));
        QCOMPARE(rs.integer(QStringLiteral("N")), 1200);
        QVERIFY(grid.findNext(QStringLiteral("Строка 4999")));
        QVERIFY(!rs.canFetchMore());
        QVERIFY(grid.findNext(QStringLiteral("Строка 12"))); // round to the first rows
        QCOMPARE(rs.integer(QStringLiteral("N")), 12);
        QVERIFY(!grid.findNext(QStringLiteral("шуруп")));
    }

    // Amounts are shown with digit groups and a decimal comma; a user types them without.
    void findMatchesNumbersAsTyped()
    {
        Data::TRowSet rs;
        rs.addField(QStringLiteral("CODE"), Data::FieldType::String, 10);
        rs.addField(QStringLiteral("bof_sum"), Data::FieldType::Money);
        rs.appendLoaded({QStringLiteral("A1"), Money::fromRaw(1250000).toVariant()});
        rs.appendLoaded({QStringLiteral("B2"), Money::fromRaw(225418600).toVariant()});
        TDataGrid grid;
        grid.setRowSet(&rs);
        grid.setSearchColumn(1);
        QVERIFY(grid.findNext(QStringLiteral("22541")));
        QCOMPARE(rs.string(QStringLiteral("CODE")), QStringLiteral("B2"));
        QVERIFY(grid.findNext(QStringLiteral("125.")));
        QCOMPARE(rs.string(QStringLiteral("CODE")), QStringLiteral("A1"));
        QVERIFY(grid.findNext(QStringLiteral("22 541,8")));
        QCOMPARE(rs.string(QStringLiteral("CODE")), QStringLiteral("B2"));
        QVERIFY(!grid.findNext(QStringLiteral("99")));
    }

    void windowWhoseRowSetGoesBeforeItsGrid()
    {
        // A window holding the row set as a member declared after the grid destroys the row set first.
        auto rs = std::make_unique<Data::TRowSet>();
        rs->addField(QStringLiteral("name"), Data::FieldType::String);
        rs->appendLoaded({QStringLiteral("б")});
        rs->appendLoaded({QStringLiteral("а")});
        TDataGrid grid;
        grid.setColumnsSection(QStringLiteral("lifetime"));
        grid.setRowSet(rs.get());
        grid.show();
        grid.sortByColumn(0, Qt::AscendingOrder);
        QCOMPARE(column(grid, 0), QStringList({QStringLiteral("а"), QStringLiteral("б")}));
        rs.reset();
        QVERIFY(grid.rowSet() == nullptr);
        QCOMPARE(grid.model()->rowCount(), 0);
        grid.hide();
        QTest::keyClick(&grid, Qt::Key_Down);
    }

    void twoGridsOfOneRowSetBothFollowIt()
    {
        Data::TRowSet rs;
        rs.addField(QStringLiteral("name"), Data::FieldType::String);
        rs.appendLoaded({QStringLiteral("a")});
        TDataGrid first;
        TDataGrid second;
        first.setRowSet(&rs);
        second.setRowSet(&rs);
        // Sorted grids keep their own order, rebuilt only when told of the change.
        first.sortByColumn(0, Qt::DescendingOrder);
        second.sortByColumn(0, Qt::DescendingOrder);
        rs.appendLoaded({QStringLiteral("b")});
        QCOMPARE(first.model()->rowCount(), 2);
        QCOMPARE(second.model()->rowCount(), 2);
        QCOMPARE(column(first, 0), QStringList({QStringLiteral("b"), QStringLiteral("a")}));
        QCOMPARE(column(second, 0), QStringList({QStringLiteral("b"), QStringLiteral("a")}));
    }

    void moneyShowsTheProgramsDecimals()
    {
        Shell::ProgramParameters p;
        p.roubleDecimals = 3;
        p.currencyDecimals = 1;
        Shell::ProgramParameters::setCurrent(p);
        Data::TRowSet rs;
        rs.addField(QStringLiteral("bpd_sum"), Data::FieldType::Money);
        rs.addField(QStringLiteral("bpd_sum_valut"), Data::FieldType::Money);
        rs.addField(QStringLiteral("fixed"), Data::FieldType::Money);
        rs.field(2).displayFormat = QStringLiteral("2");
        rs.appendLoaded({Money::fromDouble(1234.5678).toVariant(), Money::fromDouble(10.25).toVariant(),
                         Money::fromDouble(1.5).toVariant()});
        TDataGrid grid;
        grid.setRowSet(&rs);
        const QString rub = grid.model()->index(0, 0).data().toString();
        const QString cur = grid.model()->index(0, 1).data().toString();
        QVERIFY2(rub.endsWith(QStringLiteral("568")) || rub.endsWith(QStringLiteral("567")), qPrintable(rub));
        QVERIFY2(cur.count(QRegularExpression(QStringLiteral("[.,]\\d$"))) == 1, qPrintable(cur));
        QVERIFY(grid.model()->index(0, 2).data().toString().contains(
            QRegularExpression(QStringLiteral("[.,]50$"))));
        Shell::ProgramParameters::setCurrent({});
    }

    void explicitColumnsShowOnlyTheirFieldsWithTheirTitles()
    {
        Data::TRowSet rs;
        rs.addField(QStringLiteral("US_ID"), Data::FieldType::Integer);
        rs.addField(QStringLiteral("US_LOGIN"), Data::FieldType::String, 20);
        rs.addField(QStringLiteral("US_NAME"), Data::FieldType::String, 60);
        rs.appendLoaded({1, QStringLiteral("a"), QStringLiteral("Аа")});
        TDataGrid grid;
        grid.setRowSet(&rs);
        grid.setColumns({{QStringLiteral("US_NAME"), QStringLiteral("ФИО"), 0},
                         {QStringLiteral("US_LOGIN"), QStringLiteral("Логин"), 90}});
        QVERIFY(grid.isColumnHidden(0));
        QCOMPARE(grid.columnsInDisplayOrder(), (QList<int>{2, 1}));
        QCOMPARE(grid.columnCaption(2), QStringLiteral("ФИО"));
        QCOMPARE(grid.columnWidth(1), 90);
        QCOMPARE(rs.field(2).caption(), QStringLiteral("US_NAME")); // the row set's labels stay
    }

    void keyboardEnterActivatesARow()
    {
        Data::TRowSet rs;
        rs.addField(QStringLiteral("A"), Data::FieldType::Integer);
        rs.appendLoaded({1});
        rs.appendLoaded({2});
        TDataGrid grid;
        grid.setRowSet(&rs);
        grid.show();
        QSignalSpy activated(&grid, &TDataGrid::rowActivated);
        grid.setFocus();
        QTest::keyClick(&grid, Qt::Key_Down);
        QCOMPARE(rs.recNo(), 1);
        QTest::keyClick(&grid, Qt::Key_Return);
        QCOMPARE(activated.count(), 1);
        QVERIFY(!grid.accessibleName().isEmpty());
    }

    // Whatever moves the row set's cursor (a search, a locate, code) moves the highlight there
    // and into sight; a double click acts on the row clicked.
    void theHighlightFollowsTheRowSetsCursor()
    {
        Data::TRowSet rs;
        rs.addField(QStringLiteral("CODE"), Data::FieldType::String, 10);
        for (int i = 0; i < 300; ++i)
            rs.appendLoaded({QStringLiteral("K%1").arg(i, 3, 10, QChar(u'0'))});
        rs.first();
        TDataGrid grid;
        grid.setRowSet(&rs);
        grid.resize(300, 200);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        QCOMPARE(grid.currentIndex().row(), 0);
        QVERIFY(rs.locate({QStringLiteral("CODE")}, {QStringLiteral("K250")}));
        QCOMPARE(grid.currentIndex().row(), 250);
        QVERIFY(rowShown(grid, 250));
        QCOMPARE(grid.selectionModel()->selectedRows().value(0).row(), 250);
        rs.prior();
        QCOMPARE(grid.currentIndex().row(), 249);
        rs.first();
        QCOMPARE(grid.currentIndex().row(), 0);
        QVERIFY(rowShown(grid, 0));

        // Sorted by a heading, the grid row of the row set's row.
        grid.sortBy(0, Qt::DescendingOrder);
        rs.moveTo(10);
        QCOMPARE(grid.currentIndex().row(), 289);
        QVERIFY(rowShown(grid, 289));
        grid.sortBy(-1);

        QSignalSpy activated(&grid, &TDataGrid::rowActivated);
        QList<QString> actedOn;
        connect(&grid, &TDataGrid::rowActivated, this, [&] { actedOn << rs.string(QStringLiteral("CODE")); });
        rs.moveTo(5);
        const QRect third = grid.visualRect(grid.model()->index(2, 0));
        QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, third.center());
        QTest::mouseDClick(grid.viewport(), Qt::LeftButton, {}, third.center());
        QCOMPARE(actedOn, QList<QString>{QStringLiteral("K002")});
        QCOMPARE(rs.recNo(), 2);
    }

    // A list read in batches that knows its length shows all of it: the scroll bar spans every
    // row, Ctrl+End reads the rest and stands on the last one, and rows dragged into sight are
    // read a batch per turn of the event loop.
    void aListOfKnownLengthShowsItsWholeLength()
    {
        BatchRowSet rs(5000, 100, 5000);
        TDataGrid grid;
        grid.setRowSet(&rs);
        grid.resize(300, 200);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        QCOMPARE(rs.recordCount(), 100);
        QCOMPARE(grid.model()->rowCount(), 5000);
        QVERIFY(grid.verticalScrollBar()->maximum() > 4900);
        QCOMPARE(grid.model()->index(4000, 1).data().toString(), QString());

        grid.setFocus();
        QTest::keyClick(&grid, Qt::Key_End, Qt::ControlModifier);
        QCOMPARE(rs.recordCount(), 5000);
        QCOMPARE(rs.recNo(), 4999);
        QCOMPARE(grid.currentIndex().row(), 4999);
        QVERIFY(rowShown(grid, 4999));
        QCOMPARE(grid.model()->rowCount(), 5000);
        QCOMPARE(grid.model()->index(4999, 1).data().toString(), QStringLiteral("Строка 4999"));
        QTest::keyClick(&grid, Qt::Key_Home, Qt::ControlModifier);
        QCOMPARE(rs.recNo(), 0);

        BatchRowSet dragged(5000, 100, 5000);
        TDataGrid second;
        second.setRowSet(&dragged);
        second.resize(300, 200);
        second.show();
        QVERIFY(QTest::qWaitForWindowExposed(&second));
        second.verticalScrollBar()->setValue(second.verticalScrollBar()->maximum());
        // Read on from the event loop, not all at once.
        QCOMPARE(dragged.batches, 1);
        QTRY_COMPARE(second.model()->index(4999, 1).data().toString(), QStringLiteral("Строка 4999"));
        QCOMPARE(dragged.recNo(), 0);

        // A blank row clicked is read, then current.
        BatchRowSet clicked(5000, 100, 5000);
        TDataGrid third;
        third.setRowSet(&clicked);
        third.resize(300, 200);
        third.show();
        QVERIFY(QTest::qWaitForWindowExposed(&third));
        third.setCurrentIndex(third.model()->index(2500, 1));
        QTRY_COMPARE(clicked.recNo(), 2500);
        QCOMPARE(third.currentIndex().row(), 2500);
        QCOMPARE(clicked.string(QStringLiteral("NAME")), QStringLiteral("Строка 2500"));
    }

    // The count may be off (rows added or removed by others since): the grid ends with the rows
    // there are; without a count it reads the rest on Ctrl+End all the same.
    void aListCountedWrongEndsWithTheRowsThereAre()
    {
        for (const auto& [total, counted] : {std::pair{4500, 5000}, std::pair{4500, 4000}, std::pair{4500, -1}}) {
            BatchRowSet rs(total, 100, counted);
            TDataGrid grid;
            grid.setRowSet(&rs);
            grid.resize(300, 200);
            grid.show();
            QVERIFY(QTest::qWaitForWindowExposed(&grid));
            QCOMPARE(grid.model()->rowCount(), counted < 0 ? 100 : counted);
            grid.setFocus();
            QTest::keyClick(&grid, Qt::Key_End, Qt::ControlModifier);
            QCOMPARE(grid.model()->rowCount(), total);
            QCOMPARE(rs.recNo(), total - 1);
            QCOMPARE(grid.currentIndex().row(), total - 1);
            QCOMPARE(grid.model()->index(total - 1, 1).data().toString(), QStringLiteral("Строка %1").arg(total - 1));
        }
    }

    // A delete while sorted by a heading drops that row and keeps the order: no new keys, no
    // sort, no reset; also when the dataset accepts the delete at once and through a clone.
    void aDeleteWhileSortedKeepsTheOrder()
    {
        AcceptingRowSet rs;
        fillNames(rs, 200);
        TDataGrid grid;
        grid.setRowSet(&rs);
        Widgets::GridProxyModel* proxy = grid.proxyModel();
        grid.sortBy(0, Qt::AscendingOrder);
        QStringList expected = shownNames(*proxy);
        QStringList sorted = expected;
        std::sort(sorted.begin(), sorted.end(), [](const QString& a, const QString& b) {
            return Widgets::GridProxyModel::sortKey(a) < Widgets::GridProxyModel::sortKey(b);
        });
        QCOMPARE(expected, sorted);
        const int builds = proxy->keyBuilds();
        QSignalSpy resets(proxy, &QAbstractItemModel::modelReset);
        QSignalSpy removed(proxy, &QAbstractItemModel::rowsRemoved);
        for (int row : {57, 0, 120}) {
            rs.moveTo(row);
            const QString name = rs.string(QStringLiteral("NAME"));
            const int shownAt = grid.gridRow(row);
            rs.remove();
            expected.removeAt(shownAt);
            QCOMPARE(shownNames(*proxy), expected);
            QVERIFY(!expected.contains(name) || expected.count(name) >= 1);
        }
        auto clone = rs.clone();
        clone->moveTo(10);
        expected.removeAt(grid.gridRow(10));
        clone->remove();
        QCOMPARE(shownNames(*proxy), expected);
        QCOMPARE(resets.count(), 0);
        QCOMPARE(removed.count(), 4);
        QCOMPARE(proxy->keyBuilds(), builds);
        // The grid stands on the row the row set moved to.
        QCOMPARE(grid.rowSetRow(grid.currentIndex().row()), rs.recNo());
        // The other direction from the same keys.
        grid.sortBy(0, Qt::DescendingOrder);
        std::reverse(expected.begin(), expected.end());
        QCOMPARE(shownNames(*proxy).first(), expected.first());
        QCOMPARE(proxy->keyBuilds(), builds);
    }

    // A big list sorts in the background: the grid keeps the order shown and stays usable until
    // the sorted order is applied; what changed meanwhile is in it, and the last sort asked wins.
    void aBigListSortsInTheBackground()
    {
        Data::TRowSet rs;
        fillNames(rs, 3000);
        TDataGrid grid;
        grid.setRowSet(&rs);
        grid.resize(300, 200);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        Widgets::GridProxyModel* proxy = grid.proxyModel();
        proxy->setBackgroundSortRows(1000);
        QSignalSpy sorting(proxy, &Widgets::GridProxyModel::sortingChanged);
        const QStringList natural = shownNames(*proxy);

        grid.sortBy(0, Qt::AscendingOrder);
        QVERIFY(proxy->isSorting());
        QCOMPARE(shownNames(*proxy), natural);
        QVERIFY(grid.findChild<QLabel*>(QStringLiteral("gridBusy"))->isVisible());
        // Usable meanwhile: the cursor moves, a row goes.
        QTest::keyClick(&grid, Qt::Key_Down);
        QCOMPARE(rs.recNo(), 1);
        rs.moveTo(5);
        const QString gone = rs.string(QStringLiteral("NAME"));
        rs.remove();
        QTRY_VERIFY(!proxy->isSorting());
        QCOMPARE(sorting.count(), 2);
        QCOMPARE(sorting.first().at(0).toBool(), true);
        QCOMPARE(sorting.last().at(0).toBool(), false);
        QVERIFY(!grid.findChild<QLabel*>(QStringLiteral("gridBusy"))->isVisible());
        QStringList expected = natural;
        expected.removeAt(5);
        std::stable_sort(expected.begin(), expected.end(), [](const QString& a, const QString& b) {
            return Widgets::GridProxyModel::sortKey(a) < Widgets::GridProxyModel::sortKey(b);
        });
        QCOMPARE(shownNames(*proxy), expected);
        QCOMPARE(grid.rowSetRow(grid.currentIndex().row()), rs.recNo());
        QVERIFY(rowShown(grid, grid.currentIndex().row()));

        // Two sorts asked one after the other: the second one's order.
        grid.sortBy(1, Qt::AscendingOrder);
        grid.sortBy(1, Qt::DescendingOrder);
        QTRY_VERIFY(!proxy->isSorting());
        QCOMPARE(proxy->index(0, 1).data().toInt(), 2999);
        QCOMPARE(proxy->index(proxy->rowCount() - 1, 1).data().toInt(), 0);
        grid.sortBy(-1);
        QCOMPARE(shownNames(*proxy).first(), natural.first());
    }

    // "Найти далее" that finds nothing goes through the rows in slices: the event loop turns,
    // the progress shows, Esc stops it.
    void aSearchRunsInSlicesAndEscStopsIt()
    {
        Data::TRowSet rs;
        fillNames(rs, 300000);
        TDataGrid grid;
        grid.setRowSet(&rs);
        grid.resize(300, 200);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        grid.setSearchColumn(0);
        QSignalSpy finished(&grid, &TDataGrid::searchFinished);
        grid.startSearch(QStringLiteral("нет такого"), false);
        QVERIFY(grid.isSearching());
        QVERIFY(grid.findChild<QLabel*>(QStringLiteral("gridBusy"))->text().startsWith(QStringLiteral("Поиск")));
        grid.setFocus();
        QTest::keyClick(&grid, Qt::Key_Escape);
        QVERIFY(!grid.isSearching());
        QCOMPARE(finished.count(), 1);
        QCOMPARE(finished.first().at(0).toBool(), false);

        rs.moveTo(250000);
        grid.startSearch(QStringLiteral("Имя 3"), false);
        QTRY_VERIFY(!grid.isSearching());
        QCOMPARE(finished.last().at(0).toBool(), true);
        QVERIFY(rs.recNo() > 250000 || rs.string(QStringLiteral("NAME")).contains(QStringLiteral("Имя 3")));
        QVERIFY(rs.string(QStringLiteral("NAME")).contains(QStringLiteral("Имя 3")));
        QCOMPARE(grid.rowSetRow(grid.currentIndex().row()), rs.recNo());
    }

private:
    QTemporaryDir m_home;
};

QTEST_MAIN(DataGrid)
#include "tst_datagrid.moc"
