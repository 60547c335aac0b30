#include "core/exception.h"
#include "messaging/tdataregistrationimpl.h"
#include "messaging/tftovarselection.h"
#include "messaging/tourtvrexchange.h"

#include <QtTest>

using namespace Tarvo;
using namespace Tarvo::Messaging;

namespace {

int g_alive = 0;

// Counts live instances so that the tests see when the registry frees an event.
class Counted : public TEventObject
{
public:
    Counted() { ++g_alive; }
    ~Counted() override { --g_alive; }
    int value = 0;
};

class CountedChild : public Counted
{
};

} // namespace

class TstDataRegistration : public QObject
{
    Q_OBJECT
private slots:
    void init() { g_alive = 0; }

    void handlersRunInRegistrationOrderForExactClassOnly()
    {
        TDataRegistrationImpl r;
        QStringList calls;
        r.Register<Counted>([&](Counted& e) { calls << QStringLiteral("a%1").arg(e.value); });
        r.Register<TOurTvrExchange>([&](TOurTvrExchange&) { calls << QStringLiteral("other"); });
        r.Register<Counted>([&](Counted& e) { calls << QStringLiteral("b%1").arg(e.value); });
        auto e = std::make_unique<Counted>();
        e->value = 7;
        r.Notify(std::move(e));
        QCOMPARE(calls, (QStringList{QStringLiteral("a7"), QStringLiteral("b7")}));
        QCOMPARE(g_alive, 0);

        // A subclass is not its parent for the registry.
        calls.clear();
        r.Notify(std::make_unique<CountedChild>());
        QVERIFY(calls.isEmpty());
        QCOMPARE(g_alive, 0);
    }

    void withoutSubscribersTheEventIsFreed()
    {
        TDataRegistrationImpl r;
        r.Notify(std::make_unique<Counted>());
        QCOMPARE(g_alive, 0);
        r.Notify(nullptr);
    }

    void eventLivesThroughTheHandlersAndIsFreedAfter()
    {
        TDataRegistrationImpl r;
        int seenAlive = -1;
        r.Register<Counted>([&](Counted&) { seenAlive = g_alive; });
        r.Notify(std::make_unique<Counted>());
        QCOMPARE(seenAlive, 1);
        QCOMPARE(g_alive, 0);
    }

    void sameHandlerTwiceIsCalledTwiceAndUnregisterRemovesOne()
    {
        TDataRegistrationImpl r;
        int n = 0;
        std::function<void(Counted&)> h = [&](Counted&) { ++n; };
        TEventData* first = r.Register<Counted>(h);
        r.Register<Counted>(h);
        r.Notify(std::make_unique<Counted>());
        QCOMPARE(n, 2);
        r.Unregister(first);
        r.Unregister(nullptr);
        r.Notify(std::make_unique<Counted>());
        QCOMPARE(n, 3);
        QCOMPARE(r.count(), 1);
    }

    void handlerErrorStopsTheWalkReachesTheCallerAndFreesTheEvent()
    {
        TDataRegistrationImpl r;
        int later = 0;
        r.Register<Counted>([](Counted&) { throw Exception(QStringLiteral("Ошибка обработчика")); });
        r.Register<Counted>([&](Counted&) { ++later; });
        QVERIFY_THROWS_EXCEPTION(Exception, r.Notify(std::make_unique<Counted>()));
        QCOMPARE(later, 0);
        QCOMPARE(g_alive, 0);
    }

    void handlerMayUnregisterItselfAndOthersDuringTheWalk()
    {
        TDataRegistrationImpl r;
        QStringList calls;
        TEventData* second = nullptr;
        TEventData* first = nullptr;
        first = r.Register<Counted>([&](Counted&) {
            calls << QStringLiteral("first");
            r.Unregister(first);
            r.Unregister(second);
            r.Register<Counted>([&](Counted&) { calls << QStringLiteral("added"); });
        });
        second = r.Register<Counted>([&](Counted&) { calls << QStringLiteral("second"); });
        r.Notify(std::make_unique<Counted>());
        QCOMPARE(calls, QStringList{QStringLiteral("first")});
        r.Notify(std::make_unique<Counted>());
        QCOMPARE(calls, (QStringList{QStringLiteral("first"), QStringLiteral("added")}));
    }

    void handlerOfADestroyedTargetIsSkipped()
    {
        TDataRegistrationImpl r;
        int n = 0;
        auto* target = new QObject;
        r.Register<TFTovarSelection>([&](TFTovarSelection&) { ++n; }, target);
        delete target;
        r.Notify(std::make_unique<TFTovarSelection>());
        QCOMPARE(n, 0);
    }

    void guardUnregistersFromTheGlobalRegistry()
    {
        int n = 0;
        {
            TRegistrationGuard g(DataRegistration().Register<TOurTvrExchange>([&](TOurTvrExchange& e) {
                QCOMPARE(e.productId, 42);
                QCOMPARE(e.price, Money::fromRaw(12345));
                ++n;
            }));
            auto e = std::make_unique<TOurTvrExchange>();
            e->productId = 42;
            e->price = Money::fromRaw(12345);
            DataRegistration().Notify(std::move(e));
        }
        DataRegistration().Notify(std::make_unique<TOurTvrExchange>());
        QCOMPARE(n, 1);
    }
};

QTEST_GUILESS_MAIN(TstDataRegistration)
#include "tst_dataregistration.moc"
