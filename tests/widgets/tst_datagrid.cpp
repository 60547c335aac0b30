#include "data/rowset/trowset.h"
#include "shell/programparameters.h"
#include "shell/tinistorage.h"
#include "support/testenvironment.h"
#include "widgets/gridproxymodel.h"
#include "widgets/tdatagrid.h"

#include <QHeaderView>
#include <QMenu>
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

private:
    QTemporaryDir m_home;
};

QTEST_MAIN(DataGrid)
#include "tst_datagrid.moc"
