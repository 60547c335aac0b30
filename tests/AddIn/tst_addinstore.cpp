#include "AddIn/addinfixture.h"
#include "AddIn/addinguid.h"
#include "AddIn/findactionaddin.h"
#include "AddIn/taddinsmanager.h"
#include "AddIn/ui/taddinmenuitem.h"
#include "core/exception.h"
#include "data/engine/database.h"
#include "data/modules/configblob.h"
#include "support/testdatabase.h"

#include <QMenu>
#include <QTemporaryDir>
#include <QtTest>

using namespace Tarvo;
using namespace Tarvo::AddIn;
using namespace Qt::Literals::StringLiterals;

namespace {

const QUuid RunType = Guid::toUuid(tarvo::ADDIN_TYPE_RUN);
const QUuid ProcessingType = Guid::toUuid(tarvo::ADDIN_TYPE_PROCESSING);
const QUuid Unknown = QUuid(u"{11111111-2222-3333-4444-555555555555}"_s);

TAddInCollectionItem item(const QString& descr, const QUuid& type, const QByteArray& data = {})
{
    return {u"lib.so"_s, descr, type, data};
}

const QString Modules = QString::fromUtf8(TAddInCollection::BlobName);
const QString Actions = QString::fromUtf8(TAddInActionCollection::BlobName);

} // namespace

class AddInStoreTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    std::unique_ptr<Test::TestDatabase> m_t;
    Data::Database& db() { return m_t->db(); }

private slots:
    void initTestCase()
    {
        m_t = std::make_unique<Test::TestDatabase>();
        Test::useModuleFolder(m_home.path());
    }
    void init() { db().exec(u"delete from SCL_CONFIG"_s); }

    // The blob other workstations read: root without a name, properties in their order, a GUID
    // as its bytes in memory order.
    void blobTextIsTheStoredFormat()
    {
        TAddInActionCollection c;
        TAddInActionCollectionItem b;
        static_cast<TAddInCollectionItem&>(b) = item(u"Модуль"_s, RunType, "ab");
        b.typeAction = Guid::toUuid(tarvo::ACTION_PROCESS_OFFER);
        c.append(b);
        const QByteArray text = c.toText();
        QVERIFY2(text.startsWith("object TAddInActionCollection\n"), text.constData());
        QVERIFY(text.contains("AddIns = <"));
        QByteArray compact = text;
        compact.replace(" ", "").replace("\n", "");
        QVERIFY2(compact.contains("type={A1FB9A700D1DA34FBE783DA09BD71EF2}"), text.constData());
        QVERIFY(compact.contains("typeAction={8ABCBB33EAA73840A478A14ABA03D6F6}"));
        const qsizetype init = text.indexOf("InitData = 'ab'"), dll = text.indexOf("dllname = 'lib.so'"),
                        type = text.indexOf("type = {"), descr = text.indexOf("descr = #1052"),
                        action = text.indexOf("typeAction");
        QVERIFY(init > 0 && init < dll && dll < type && type < descr && descr < action);
        QCOMPARE(Guid::fromBytes(Guid::toBytes(RunType)), RunType);
    }

    // Every byte value, zeros too, comes back from the database as it went in.
    void initDataIsByteExact()
    {
        QByteArray all;
        for (int i = 0; i < 256; ++i)
            all += char(i);
        all += QByteArray(3, '\0');
        TAddInCollection c;
        c.append(item(u"Все байты"_s, RunType, all));
        QVERIFY(c.save(db(), Modules, {}));
        TAddInCollection back;
        back.load(db(), Modules);
        QCOMPARE(back.count(), 1);
        QCOMPARE(back.item(0).initData, all);
        QCOMPARE(back.item(0).descr, u"Все байты"_s);
    }

    // Blobs an older workstation wrote in windows-1251: their letters are bytes again; absent
    // properties take their defaults.
    void olderBlobsRead()
    {
        const QByteArray text =
            "object TAddInCollection\n  AddIns = <\n    item\n      InitData = '\xC0\xFF'#0#200\n"
            "      dllname = 'C:\\Program Files\\old.dll'\n      type = {A1FB9A700D1DA34FBE783DA09BD71EF2}\n"
            "      descr = '\xCA\xF3\xF0\xF1\xFB'\n    end\n    item\n      type = {"
            "A1FB9A700D1DA34FBE783DA09BD71EF2}\n    end>\nend\n";
        TAddInCollection c;
        c.fromText(text);
        QCOMPARE(c.count(), 2);
        QCOMPARE(c.item(0).initData, QByteArray("\xC0\xFF\0\xC8", 4));
        QCOMPARE(c.item(0).descr, u"Курсы"_s);
        QCOMPARE(c.item(0).dllname, u"old.dll"_s);
        QCOMPARE(c.item(1).descr, QString());
        QVERIFY(c.item(1).initData.isEmpty());
        c.fromText({});
        QCOMPARE(c.count(), 0);
    }

    // Items of types nobody registered are kept but neither counted, indexed nor deleted.
    void unregisteredTypesStayStored()
    {
        TAddInCollection c;
        c.append(item(u"чужой 1"_s, Unknown));
        c.append(item(u"простой"_s, RunType));
        c.append(item(u"чужой 2"_s, Unknown));
        c.append(item(u"обработка"_s, ProcessingType));
        QCOMPARE(c.count(), 2);
        QCOMPARE(c.item(1).descr, u"обработка"_s);
        c.setFilter(ProcessingType);
        QCOMPARE(c.count(), 1);
        QCOMPARE(c.item(0).descr, u"обработка"_s);
        c.setFilter({});
        c.remove(0);
        QCOMPARE(c.storedItems().size(), 3);
        QCOMPARE(c.storedItems()[1].descr, u"чужой 2"_s);
        QVERIFY(c.save(db(), Modules, {}));
        TAddInCollection back;
        back.load(db(), Modules);
        QCOMPARE(back.storedItems().size(), 3);
        QCOMPARE(back.count(), 1);
        // The manager copies what is visible and filters without the registry.
        auto manager = AddInsManager(db());
        QCOMPARE(manager->count(), 1);
        manager->setFilter(RunType);
        QCOMPARE(manager->count(), 0);
    }

    // A second workstation saved meanwhile: the first is asked, and "no" keeps the other's work.
    void concurrentSavesAreNotLost()
    {
        auto other = m_t->connectAgain();
        TAddInCollection mine;
        mine.load(db(), Modules);
        TAddInCollection theirs;
        theirs.load(*other, Modules);
        theirs.append(item(u"их модуль"_s, RunType));
        QVERIFY(theirs.save(*other, Modules, {}));
        mine.append(item(u"мой модуль"_s, RunType));
        int asked = 0;
        QVERIFY(!mine.save(db(), Modules, [&] { return ++asked, false; }));
        QCOMPARE(asked, 1);
        TAddInCollection now;
        now.load(db(), Modules);
        QCOMPARE(now.item(0).descr, u"их модуль"_s);
        QVERIFY(mine.save(db(), Modules, [&] { return ++asked, true; }));
        now.load(*other, Modules);
        QCOMPARE(now.item(0).descr, u"мой модуль"_s);
        // Saved once, it saves again without asking (it knows what it wrote).
        mine.append(item(u"ещё"_s, RunType));
        QVERIFY(mine.save(db(), Modules, {}));
        QCOMPARE(asked, 2);
        // Plain saves from two connections replace the row, never fail on its key.
        Data::ConfigBlob::save(*other, u"x"_s, "1");
        Data::ConfigBlob::save(db(), u"x"_s, "2");
        QCOMPARE(*Data::ConfigBlob::load(*other, u"x"_s), QByteArray("2"));
    }

    void registriesAndManager()
    {
        QCOMPARE(AddInRegistry::AddInTypeName(RunType), u"Выполнение модулей"_s);
        AddInRegistry::RegisterAddInType(RunType, u"Другое имя"_s);
        QCOMPARE(AddInRegistry::AddInTypeName(RunType), u"Другое имя"_s);
        AddInRegistry::RegisterAddInType(RunType, u"Выполнение модулей"_s);
        QVERIFY(AddInRegistry::AddInTypeName(Unknown).isEmpty());
        QCOMPARE(AddInRegistry::actions().size(), 9);
        QCOMPARE(AddInRegistry::actions().first().name, u"Печать заказа поставщику"_s);
        QCOMPARE(AddInRegistry::actions().last().name, u"Обработка посылки"_s);
        // The owner of an action registering it again keeps its place.
        AddInRegistry::RegisterAddInAction(Guid::toUuid(tarvo::ADDIN_TYPE_PARCEL),
                                           Guid::toUuid(tarvo::ACTION_PROCESS_PARCEL),
                                           u"Обработка посылки"_s);
        QCOMPARE(AddInRegistry::actions().size(), 9);

        RegisterAddInsManagerClass([](Data::Database& d) { return std::make_unique<TaddInsManager>(d); });
        bool refused = false;
        try {
            RegisterAddInsManagerClass([](Data::Database& d) { return std::make_unique<TaddInsManager>(d); });
        } catch (const Exception&) {
            refused = true;
        }
        QVERIFY(refused);
        // Each caller owns its manager: a later one leaves an earlier one whole.
        TAddInCollection c;
        c.append(item(u"простой"_s, RunType));
        QVERIFY(c.save(db(), Modules, {}));
        auto first = AddInsManager(db());
        auto second = AddInsManager(db());
        second.reset();
        QCOMPARE(first->item(0).descr, u"простой"_s);
    }

    // An empty store: no menu items, no module for any action.
    void emptyStore()
    {
        QMenu menu;
        BuildAddInMenu(db(), &menu, RunType, {});
        QVERIFY(menu.isEmpty());
        for (const TAddInActionItem& a : AddInRegistry::actions())
            QVERIFY(!FindActionAddIn(db(), a.action));
    }

    // Two stored bindings for one action: the first in collection order is used.
    void firstBindingWins()
    {
        TAddInActionCollection c;
        for (const QString& descr : {u"первый"_s, u"второй"_s}) {
            TAddInActionCollectionItem b;
            static_cast<TAddInCollectionItem&>(b) = item(descr, ProcessingType);
            b.typeAction = Guid::toUuid(tarvo::ACTION_PROCESS_OFFER);
            c.append(b);
        }
        QVERIFY(c.save(db(), Actions, {}));
        TAddInActionCollectionItem found;
        QVERIFY(findActionBinding(db(), Guid::toUuid(tarvo::ACTION_PROCESS_OFFER), found));
        QCOMPARE(found.descr, u"первый"_s);
        QVERIFY(!findActionBinding(db(), Guid::toUuid(tarvo::ACTION_PROCESS_ORDER), found));
    }

    void cleanupTestCase() { m_t.reset(); }
};

QTEST_MAIN(AddInStoreTest)
#include "tst_addinstore.moc"
