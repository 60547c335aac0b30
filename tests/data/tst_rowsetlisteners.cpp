#include "data/rowset/trowset.h"
#include "data/rowset/trowsetmodel.h"

#include <QSignalSpy>
#include <QtTest>
#include <memory>

using namespace Tarvo;
using namespace Tarvo::Data;

namespace {
std::unique_ptr<TRowSet> products(int rows)
{
    auto rs = std::make_unique<TRowSet>();
    rs->addField("name", FieldType::String);
    rs->addField("qty", FieldType::Integer);
    for (int i = 0; i < rows; ++i)
        rs->appendLoaded({QStringLiteral("p%1").arg(i), i});
    rs->first();
    return rs;
}
} // namespace

class RowSetListenersTest : public QObject
{
    Q_OBJECT
private slots:
    void modelOutlivesItsRowSet()
    {
        auto rs = products(3);
        TRowSetModel model(*rs);
        QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
        QCOMPARE(model.rowCount(), 3);
        rs.reset();
        // The view is told and sees nothing; the model's destructor must not touch the dead set.
        QCOMPARE(reset.count(), 1);
        QVERIFY(model.rowSet() == nullptr);
        QCOMPARE(model.rowCount(), 0);
        QCOMPARE(model.columnCount(), 0);
        QVERIFY(!model.data(model.index(0, 0)).isValid());
        QVERIFY(model.submit());
        model.revert();
        model.sort(0);
    }

    void twoModelsOfOneRowSetBothRefresh()
    {
        auto rs = products(2);
        TRowSetModel first(*rs);
        TRowSetModel second(*rs);
        QSignalSpy firstReset(&first, &QAbstractItemModel::modelReset);
        QSignalSpy secondReset(&second, &QAbstractItemModel::modelReset);
        rs->appendLoaded({"new", 9});
        QCOMPARE(firstReset.count(), 1);
        QCOMPARE(secondReset.count(), 1);
        {
            TRowSetModel third(*rs);
        }
        // A model that went does not take the others' notices with it.
        rs->appendLoaded({"newer", 10});
        QCOMPARE(firstReset.count(), 2);
        QCOMPARE(secondReset.count(), 2);
        QCOMPARE(first.rowCount(), 4);
    }

    void ownerHandlerStaysBesideModels()
    {
        auto rs = products(1);
        int notices = 0;
        rs->onChanged = [&] { ++notices; };
        TRowSetModel model(*rs);
        QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
        rs->appendLoaded({"x", 1});
        QCOMPARE(notices, 1);
        QCOMPARE(reset.count(), 1);
    }

    void postedValueRedrawsOneRowOnly()
    {
        auto rs = products(5);
        TRowSetModel model(*rs);
        QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        rs->moveTo(3);
        rs->edit();
        rs->setValue("qty", 42);
        rs->post();
        QCOMPARE(reset.count(), 0);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.at(0).at(0).value<QModelIndex>().row(), 3);
        QCOMPARE(changed.at(0).at(1).value<QModelIndex>().column(), 1);
        QCOMPARE(model.data(model.index(3, 1)).toInt(), 42);

        // Where a sort may move the row, the view starts over.
        rs->setSort("qty desc");
        reset.clear();
        changed.clear();
        rs->moveTo(4);
        rs->edit();
        rs->setValue("qty", 100);
        rs->post();
        QCOMPARE(reset.count(), 1);
        QCOMPARE(model.data(model.index(0, 1)).toInt(), 100);

        // An insert changes the rows: a reset too.
        rs->setSort(QString());
        rs->append();
        rs->setValue("name", "z");
        reset.clear();
        rs->post();
        QCOMPARE(reset.count(), 1);
        QCOMPARE(model.rowCount(), 6);
    }

    void cloneSeesTheRowItShowsRedrawn()
    {
        auto rs = products(4);
        auto other = rs->clone();
        TRowSetModel model(*other);
        QSignalSpy reset(&model, &QAbstractItemModel::modelReset);
        QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
        rs->moveTo(2);
        rs->edit();
        rs->setValue("qty", 7);
        rs->post();
        QCOMPARE(reset.count(), 0);
        QCOMPARE(changed.count(), 1);
        QCOMPARE(changed.at(0).at(0).value<QModelIndex>().row(), 2);
        QCOMPARE(model.data(model.index(2, 1)).toInt(), 7);
    }

    void scrollSubscriptionOutlivesItsRowSet()
    {
        auto rs = products(3);
        int moves = 0;
        RowSetSubscription s = rs->subscribeScrolled([&] { ++moves; });
        rs->next();
        QCOMPARE(moves, 1);
        QVERIFY(s.active());
        rs.reset();
        QVERIFY(!s.active());
        s.reset(); // must not reach the dead set
    }

    void endedSubscriptionIsNotCalled()
    {
        auto rs = products(3);
        int moves = 0;
        RowSetSubscription s = rs->subscribeScrolled([&] { ++moves; });
        RowSetSubscription moved = std::move(s);
        QVERIFY(!s.active());
        rs->next();
        QCOMPARE(moves, 1);
        moved.reset();
        rs->next();
        QCOMPARE(moves, 1);
    }

    void listenerThatEndsAnotherDuringANotice()
    {
        auto rs = products(3);
        int secondCalls = 0;
        RowSetSubscription second;
        RowSetSubscription first = rs->subscribeChanged([&](int) { second.reset(); });
        second = rs->subscribeChanged([&](int) { ++secondCalls; });
        rs->appendLoaded({"x", 1});
        QCOMPARE(secondCalls, 0);
    }

    void listenerThatDestroysTheRowSet()
    {
        auto rs = products(3);
        int laterCalls = 0;
        RowSetSubscription first = rs->subscribeChanged([&](int) { rs.reset(); });
        RowSetSubscription later = rs->subscribeChanged([&](int) { ++laterCalls; });
        rs->appendLoaded({"x", 1});
        QVERIFY(!rs);
        QCOMPARE(laterCalls, 0);
    }
};

QTEST_GUILESS_MAIN(RowSetListenersTest)
#include "tst_rowsetlisteners.moc"
