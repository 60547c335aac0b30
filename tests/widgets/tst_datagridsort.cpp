#include "data/rowset/trowset.h"
#include "widgets/tdatagrid.h"

#include <QHeaderView>
#include <QtTest>

using namespace Tarvo;
using namespace Tarvo::Data;

class DataGridSortTest : public QObject
{
    Q_OBJECT
private slots:
    void aHeadingClickSortsAsUsersRead()
    {
        TRowSet rs;
        rs.addField("name", FieldType::String);
        for (const char* n : {"яблоко", "Банан", "арбуз"})
            rs.appendLoaded({n});
        rs.first();
        Widgets::TDataGrid grid;
        grid.setRowSet(&rs);
        grid.resize(400, 200);
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        QCOMPARE(grid.model()->index(0, 0).data().toString(), QStringLiteral("яблоко")); // unsorted at first
        QHeaderView* header = grid.horizontalHeader();
        const QPoint heading(header->sectionViewportPosition(0) + 5, header->height() / 2);
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, heading);
        const QString first = grid.model()->index(0, 0).data().toString();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {}, heading);
        const QString again = grid.model()->index(0, 0).data().toString();
        // One click ascending and the other descending, in Russian order without regard to case.
        QCOMPARE(QSet<QString>({first, again}), QSet<QString>({"арбуз", "яблоко"}));
        QCOMPARE(grid.model()->index(1, 0).data().toString(), QStringLiteral("Банан"));
    }
};

QTEST_MAIN(DataGridSortTest)
#include "tst_datagridsort.moc"
