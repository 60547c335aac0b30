#include "AddIn/tconnectionobject.h"
#include "AddIn/tdocidentifier.h"
#include "AddIn/tenumunidoc.h"
#include "AddIn/tnamedparams_ro.h"
#include "AddIn/toneuniq.h"
#include "BusOffer/listfixture.h"
#include "BusOffer/offerlist.h"
#include "data/engine/database.h"
#include "data/modules/tscmnamedparams_ro.h"
#include "security/rights.h"
#include "support/testdatabase.h"
#include "tarvo/addinsql.h"

#include <QTemporaryDir>
#include <QtTest>

using namespace Tarvo;
using namespace Tarvo::AddIn;
using namespace Qt::Literals::StringLiterals;

namespace {

template <typename T> QString errorOf(T* object)
{
    char buffer[1025];
    object->GetLastError(buffer, sizeof buffer);
    return QString::fromUtf8(buffer);
}

template <typename T> tarvo::ComPtr<T> own(T* object)
{
    return tarvo::ComPtr<T>::adopt(object);
}

} // namespace

class AddInObjectsTest : public QObject
{
    Q_OBJECT

    std::unique_ptr<Test::TestDatabase> m_t;
    Data::Database& db() { return m_t->db(); }

private slots:
    void initTestCase() { m_t = std::make_unique<Test::TestDatabase>(); }

    void oneUniqYieldsItsIdOnce()
    {
        auto one = own(new TOneUniq(42));
        std::int32_t eof = 1, id = 0;
        QCOMPARE(one->GetEof(&eof), tarvo::S_OK);
        QCOMPARE(eof, tarvo::VARIANT_FALSE);
        QCOMPARE(one->Next(&id), tarvo::S_OK);
        QCOMPARE(id, 42);
        one->GetEof(&eof);
        QCOMPARE(eof, tarvo::VARIANT_TRUE);
        QVERIFY(tarvo::failed(one->Next(&id)));
        one->disconnect();
        QCOMPARE(one->GetEof(&eof), tarvo::RPC_E_DISCONNECTED);
        QVERIFY(errorOf(one.get()).contains(u"больше недоступен"_s));
    }

    // A name read once is not read again; names compare without case; changing fails.
    void parametersAreCachedAndReadOnly()
    {
        db().exec(
            u"insert into scm_parametrs (inside_name_nastr, value_nastr) values ('Module_Dir', '/tmp/курсы')"_s);
        auto params = own(new TNamedParams_RO(std::make_shared<Data::TSCMNamedParams_RO>(db())));
        char buffer[64];
        std::int32_t needed = 0;
        QCOMPARE(params->GetValue("MODULE_DIR", buffer, sizeof buffer, &needed), tarvo::S_OK);
        QCOMPARE(QString::fromUtf8(buffer), u"/tmp/курсы"_s);
        db().exec(u"delete from scm_parametrs where inside_name_nastr = 'Module_Dir'"_s);
        QCOMPARE(params->GetValue("module_dir", buffer, sizeof buffer, &needed), tarvo::S_OK);
        QCOMPARE(QString::fromUtf8(buffer), u"/tmp/курсы"_s);
        QVERIFY(tarvo::failed(params->GetValue("NO_SUCH", buffer, sizeof buffer, &needed)));
        QCOMPARE(errorOf(params.get()), u"Параметр NO_SUCH не настроен"_s);
        QVERIFY(tarvo::failed(params->SetValue("MODULE_DIR", "x")));
        QCOMPARE(errorOf(params.get()), u"Изменение параметров не поддерживается"_s);
    }

    // A size is the whole buffer: the text is terminated, cut between characters, and the size
    // it needs is told.
    void namesFitTheirBuffers()
    {
        auto e = own(new TEnumUniDoc);
        auto one = own(new TOneUniq(1));
        e->add(u"Order"_s, one->unknown());
        e->add(u"Заявка"_s, one->unknown());
        char buffer[8];
        std::memset(buffer, 'z', sizeof buffer);
        std::int32_t needed = 0;
        QCOMPARE(e->GetName(0, buffer, 4, &needed), tarvo::E_NOT_SUFFICIENT_BUFFER);
        QCOMPARE(needed, 6);
        QCOMPARE(QByteArray(buffer), QByteArray("Ord"));
        QCOMPARE(buffer[4], 'z');
        QCOMPARE(e->GetName(0, buffer, 6, &needed), tarvo::S_OK);
        QCOMPARE(QByteArray(buffer), QByteArray("Order"));
        // "Заявка" is 12 bytes: 4 bytes hold one letter and the zero, not a letter and a half.
        QCOMPARE(e->GetName(1, buffer, 4, &needed), tarvo::E_NOT_SUFFICIENT_BUFFER);
        QCOMPARE(needed, 13);
        QCOMPARE(QString::fromUtf8(buffer), u"З"_s);
        QVERIFY(tarvo::failed(e->GetName(2, buffer, 8, &needed)));
        tarvo::ComPtr<tarvo::IUnknown> item;
        QCOMPARE(e->GetItem(1, item.put()), tarvo::S_OK);
        QVERIFY(item.as<tarvo::IOneUniq>());
        std::int32_t count = 0;
        e->GetCount(&count);
        QCOMPARE(count, 2);
    }

    // List walks every request of a register that reads in batches, on a cursor of its own, and
    // is the same object on every call.
    void listReadsOnAndLeavesTheUsersRow()
    {
        Test::ListFixture f{db()};
        f.currentUser({Security::Right::ViewOthersOffers, Security::Right::ViewOtherDepartments});
        const qint64 buyer = f.partner(u"B1"_s, u"ООО Покупатель"_s);
        QList<qint64> all;
        for (int i = 0; i < 30; ++i)
            all << f.request(buyer);
        BusOffer::OfferList list(db());
        list.setBatchSize(4);
        list.setFirstRows(4);
        list.reload();
        QVERIFY(list.canFetchMore());
        QVERIFY(list.locateOffer(all[2]));
        const int usersRow = list.recNo();

        auto doc = own(new TDocIdentifier(std::int32_t(all[2]), &list, list.keyColumn()));
        std::int32_t id = 0;
        doc->GetDocID(&id);
        QCOMPARE(id, std::int32_t(all[2]));
        tarvo::ComPtr<tarvo::IListDocument> walk, again;
        QCOMPARE(doc->GetList(walk.put()), tarvo::S_OK);
        QCOMPARE(doc->GetList(again.put()), tarvo::S_OK);
        QCOMPARE(walk.get(), again.get());
        QList<qint64> seen;
        std::int32_t eof = 0;
        for (walk->First(); walk->GetEof(&eof), !eof; walk->Next()) {
            std::int32_t current = 0;
            QCOMPARE(walk->GetCurrent(&current), tarvo::S_OK);
            seen << current;
            QCOMPARE(list.recNo(), usersRow);
        }
        QCOMPARE(seen, all);
        QCOMPARE(list.currentOffer(), all[2]);
        std::int32_t current = 0;
        QVERIFY(tarvo::failed(walk->GetCurrent(&current)));
        doc->disconnect();
        QCOMPARE(walk->First(), tarvo::RPC_E_DISCONNECTED);
    }

    // Statements with bound parameters, nested transactions, the last error in Russian.
    void connectionRunsStatements()
    {
        auto c = own(new TConnectionObject(db()));
        std::int32_t engine = 0, depth = -1;
        c->GetEngine(&engine);
        QCOMPARE(engine, Test::TestDatabase::engine() == Data::Engine::PostgreSQL
                             ? tarvo::IConnection::EnginePostgresql
                             : tarvo::IConnection::EngineSqlite);
        {
            tarvo::SqlTransaction outer(c.get());
            tarvo::SqlQuery(c.get(),
                            "insert into scm_parametrs (inside_name_nastr, value_nastr) values (?, ?)")
                .bind(1, std::string("O'NEIL"))
                .bind(2, std::string("x'); drop table scm_parametrs; --"))
                .exec();
            QCOMPARE(c->Begin(), tarvo::S_OK);
            c->GetTransactionDepth(&depth);
            QCOMPARE(depth, 2);
            tarvo::SqlQuery(c.get(), "delete from scm_parametrs where inside_name_nastr = ?")
                .bind(1, std::string("O'NEIL"))
                .exec();
            QCOMPARE(c->Rollback(), tarvo::S_OK);
            outer.commit();
        }
        c->GetTransactionDepth(&depth);
        QCOMPARE(depth, 0);
        tarvo::SqlQuery read(c.get(),
                             "select value_nastr, 12.5, null from scm_parametrs where inside_name_nastr = ?");
        read.bind(1, std::string("O'NEIL")).exec();
        QVERIFY(read.next());
        QCOMPARE(read.text(0), std::string("x'); drop table scm_parametrs; --"));
        QVERIFY(read.isNull(2));
        QVERIFY(!read.next());
        // A key refused by the database: a code and the program's own message.
        tarvo::ComPtr<tarvo::IStatement> dup;
        QCOMPARE(
            c->Prepare("insert into scm_parametrs (inside_name_nastr, value_nastr) values ('O''NEIL', '')",
                       dup.put()),
            tarvo::S_OK);
        QVERIFY(tarvo::failed(dup->Execute()));
        const QString text = QString::fromStdString(tarvo::SqlQuery::lastError(c.get()));
        QVERIFY2(text.contains(u"scm_parametrs"_s), qPrintable(text));
        QVERIFY(!db().inTransaction());
        QVERIFY(tarvo::failed(c->Commit()));
        c->disconnect();
        QCOMPARE(dup->Execute(), tarvo::RPC_E_DISCONNECTED);
    }

    void cleanupTestCase() { m_t.reset(); }
};

QTEST_MAIN(AddInObjectsTest)
#include "tst_addinobjects.moc"
