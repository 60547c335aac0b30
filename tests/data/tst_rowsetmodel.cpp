#include "core/exception.h"
#include "data/rowset/trowset.h"
#include "data/rowset/trowsetmodel.h"

#include <QSignalSpy>
#include <QtTest>

using namespace Tarvo;
using namespace Tarvo::Data;

class RowSetModelTest : public QObject
{
    Q_OBJECT
private slots:
    void showsFormattedValuesAndEditsThroughPost()
    {
        TRowSet rs;
        rs.addField("name", FieldType::String);
        rs.addField("sum", FieldType::Money);
        rs.addField("date", FieldType::DateTime);
        rs.addField("ok", FieldType::Boolean);
        rs.field(1).displayLabel = "Сумма";
        rs.field(1).displayFormat = "2";
        rs.appendLoaded(
            {"a", Money::fromRaw(12345).toVariant(), QDateTime(QDate(2024, 5, 9), QTime(0, 0)), true});
        rs.appendLoaded({"b", Money(3).toVariant(), QVariant(), false});
        rs.first();
        TRowSetModel model(rs);
        QCOMPARE(model.rowCount(), 2);
        QCOMPARE(model.columnCount(), 4);
        QCOMPARE(model.headerData(1, Qt::Horizontal).toString(), QStringLiteral("Сумма"));
        QCOMPARE(model.headerData(0, Qt::Horizontal).toString(), QStringLiteral("name"));
        QCOMPARE(model.data(model.index(0, 1)).toString(), QStringLiteral("1,23"));
        QCOMPARE(model.data(model.index(0, 2)).toString(), QStringLiteral("09.05.2024"));
        QCOMPARE(model.data(model.index(0, 3)).toString(), QStringLiteral("Да"));
        QCOMPARE(model.data(model.index(1, 2)).toString(), QString());

        // An editor gets the text shown and gives back Russian text as typed.
        QCOMPARE(model.data(model.index(0, 1), Qt::EditRole).toString(), QStringLiteral("1,23"));
        QVERIFY(model.setData(model.index(1, 1), "7,5"));
        QCOMPARE(rs.state(), RowSetState::Edit);
        QCOMPARE(model.data(model.index(1, 1)).toString(), QStringLiteral("7,50"));
        QVERIFY(model.setData(model.index(1, 1), QStringLiteral("1\u00A0234.5")));
        QCOMPARE(rs.money("sum"), Money::fromRaw(12345000));
        QVERIFY(model.setData(model.index(1, 1), "7,5"));
        QVERIFY_THROWS_EXCEPTION(Tarvo::Exception, model.setData(model.index(1, 1), "abc"));
        QCOMPARE(rs.money("sum"), Money::fromRaw(75000));
        model.revert();
        QCOMPARE(rs.money("sum"), Money(3));

        QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
        QVERIFY(model.setData(model.index(1, 0), "новое"));
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        QVERIFY(model.submit());
        QCOMPARE(rs.updateStatus(), UpdateStatus::Modified);
        // The posted row is redrawn by itself.
        QCOMPARE(reset.count(), 0);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.at(0).at(0).value<QModelIndex>().row(), 1);

        // Editing another row posts the first.
        QVERIFY(model.setData(model.index(0, 0), "x"));
        QVERIFY(model.setData(model.index(1, 0), "y"));
        rs.checkBrowseMode();
        rs.first();
        QCOMPARE(rs.string("name"), QStringLiteral("x"));

        rs.insert();
        QCOMPARE(model.rowCount(), 3);
        QVERIFY(model.setData(model.index(2, 0), "вставка"));
        model.submit();
        QCOMPARE(rs.recordCount(), 3);
        QCOMPARE(rs.updateStatus(), UpdateStatus::Inserted);
    }

    void headingSortIsForUsers()
    {
        TRowSet rs;
        rs.addField("name", FieldType::String);
        rs.addField("sum", FieldType::Money);
        for (const char* n : {"яблоко", "Банан", "арбуз"})
            rs.appendLoaded({n, Money(1).toVariant()});
        rs.setSort("sum desc");
        TRowSetModel model(rs);
        model.sort(-1); // a grid attached without a heading chosen keeps the program's order
        QCOMPARE(rs.sort(), QStringLiteral("sum desc"));
        model.sort(0, Qt::AscendingOrder);
        QCOMPARE(model.data(model.index(0, 0)).toString(), QStringLiteral("арбуз"));
        QCOMPARE(model.data(model.index(1, 0)).toString(), QStringLiteral("Банан"));
        model.sort(0, Qt::DescendingOrder);
        QCOMPARE(model.data(model.index(0, 0)).toString(), QStringLiteral("яблоко"));
        model.sort(-1);
        QCOMPARE(model.data(model.index(0, 0)).toString(), QStringLiteral("яблоко"));
        QCOMPARE(model.data(model.index(2, 0)).toString(), QStringLiteral("арбуз"));
    }
};

QTEST_GUILESS_MAIN(RowSetModelTest)
#include "tst_rowsetmodel.moc"
