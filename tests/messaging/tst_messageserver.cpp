#include "messaging/changeevents.h"
#include "messaging/tmessageserver.h"

#include <QtTest>

using namespace Tarvo::Messaging;

namespace {

struct Receiver : IChangeReceiver
{
    std::function<void()> onRefresh;
    bool wants = true;
    int notices = 0;
    QList<int> refreshes; // modes
    void refresh(const QUuid&, int mode) override
    {
        refreshes << mode;
        if (onRefresh)
            onRefresh();
    }
    bool notice(const QUuid&, const QByteArray&) override
    {
        ++notices;
        return wants;
    }
};

} // namespace

class TstMessageServer : public QObject
{
    Q_OBJECT
private slots:
    void heldNoticesWaitForTheLastRelease()
    {
        auto& server = TMessageServer::instance();
        Receiver offers;
        TChangeSubscription a(ChangeEvents::BusinessOffers, &offers);
        server.hold();
        server.hold();
        server.sendChangeNotice(ChangeEvents::BusinessOffers);
        server.flush();
        QCoreApplication::processEvents();
        QVERIFY(offers.refreshes.isEmpty());
        server.release();
        QCoreApplication::processEvents();
        QVERIFY(offers.refreshes.isEmpty());
        server.release();
        QTRY_COMPARE(offers.refreshes.size(), 1);
        QVERIFY(!server.isHeld());
    }

    void noticesCollapseIntoOneRefreshPerWindow()
    {
        auto& server = TMessageServer::instance();
        Receiver offers, orders, uninterested;
        uninterested.wants = false;
        TChangeSubscription a(ChangeEvents::BusinessOffers, &offers);
        TChangeSubscription b(ChangeEvents::SupplierOrders, &orders);
        TChangeSubscription c(ChangeEvents::BusinessOffers, &uninterested);

        server.receive(ChangeEvents::BusinessOffers);
        server.receive(ChangeEvents::BusinessOffers);
        QCOMPARE(offers.notices, 1); // pending: not asked again
        server.flush();
        server.flush();
        QCOMPARE(offers.refreshes, QList<int>{IChangeReceiver::RefreshWindows});
        QVERIFY(orders.refreshes.isEmpty());
        QVERIFY(uninterested.refreshes.isEmpty());
        QCOMPARE(uninterested.notices, 2);

        server.setUpdateMode(IChangeReceiver::ShowMessage);
        server.receive(ChangeEvents::BusinessOffers);
        server.flush();
        QCOMPARE(offers.refreshes.last(), int(IChangeReceiver::ShowMessage));
        server.setUpdateMode(IChangeReceiver::RefreshWindows);
    }

    void ownSendRefreshesOnTheNextTurnOfTheLoop()
    {
        Receiver r;
        TChangeSubscription s(ChangeEvents::BusinessOffers, &r);
        TMessageServer::instance().sendChangeNotice(ChangeEvents::BusinessOffers);
        TMessageServer::instance().sendChangeNotice(ChangeEvents::BusinessOffers);
        QVERIFY(r.refreshes.isEmpty());
        QTRY_COMPARE(r.refreshes.size(), 1);
    }

    void receiverGoingDuringARefreshIsSafe()
    {
        auto& server = TMessageServer::instance();
        const int before = server.receiverCount();
        Receiver first, second;
        auto sub2 = std::make_unique<TChangeSubscription>(ChangeEvents::Waybills, &second);
        auto sub1 = std::make_unique<TChangeSubscription>(ChangeEvents::Waybills, &first);
        // The older window closes the newer one's subscription while refreshing.
        second.onRefresh = [&] { sub1.reset(); };
        server.receive(ChangeEvents::Waybills);
        server.flush();
        QCOMPARE(second.refreshes.size(), 1);
        QVERIFY(first.refreshes.isEmpty());
        sub2.reset();
        QCOMPARE(server.receiverCount(), before);
    }
};

QTEST_GUILESS_MAIN(TstMessageServer)
#include "tst_messageserver.moc"
