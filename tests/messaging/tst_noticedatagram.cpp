// The workstation datagram byte for byte, and the database key it carries.
#include "core/exception.h"
#include "messaging/changeevents.h"
#include "messaging/databasekey.h"
#include "messaging/noticedatagram.h"
#include "support/testdatabase.h"

#include <QSysInfo>
#include <QtTest>

using namespace Tarvo;
using namespace Tarvo::Messaging;
using namespace Qt::Literals::StringLiterals;

class TstNoticeDatagram : public QObject
{
    Q_OBJECT
private slots:
    void knownDatagramHasTheExactBytes()
    {
        const QByteArray d = NoticeDatagram::build("AB", ChangeEvents::BusinessOffers, "x");
        QCOMPARE(d.toHex(), QByteArray("dc53ff5c78be4243a4589239435703f1"
                                       "02"
                                       "4142"
                                       "94dcf8b1370d5a41a0939852db691bc6"
                                       "78"));
    }

    void everyEventTravelsUnchanged()
    {
        const QByteArray key = u"сервер/база"_s.toUtf8();
        for (const QUuid& e : {ChangeEvents::BusinessOffers, ChangeEvents::SupplierOrders,
                               ChangeEvents::AcceptedOrders, ChangeEvents::Waybills}) {
            for (const QByteArray& payload : {QByteArray(), QByteArray("{own}"), QByteArray(1, '\0')}) {
                const auto n = NoticeDatagram::parse(NoticeDatagram::build(key, e, payload));
                QVERIFY(n);
                QCOMPARE(n->key, key);
                QCOMPARE(n->event, e);
                QCOMPARE(n->payload, payload);
            }
        }
        // The empty key and the longest datagram.
        const QByteArray longKey(255, 'k');
        const QByteArray payload(NoticeDatagram::MaxSize - 33 - 255, 'p');
        const QByteArray full = NoticeDatagram::build(longKey, ChangeEvents::Waybills, payload);
        QCOMPARE(full.size(), NoticeDatagram::MaxSize);
        QCOMPARE(NoticeDatagram::parse(full)->payload, payload);
        QCOMPARE(NoticeDatagram::parse(NoticeDatagram::build({}, ChangeEvents::Waybills))->event, ChangeEvents::Waybills);
    }

    void malformedDatagramsAreNotNotices()
    {
        const QByteArray good = NoticeDatagram::build("KEY", ChangeEvents::SupplierOrders);
        QVERIFY(!NoticeDatagram::parse({}));
        QVERIFY(!NoticeDatagram::parse(good.left(15)));
        QVERIFY(!NoticeDatagram::parse(good.left(16))); // no key length
        QByteArray foreign = good;
        foreign[3] = char(foreign[3] ^ 1);
        QVERIFY(!NoticeDatagram::parse(foreign));
        // A key length past the end.
        QByteArray longKey = good;
        longKey[16] = char(200);
        QVERIFY(!NoticeDatagram::parse(longKey));
        // An event cut short reads as the null GUID.
        QVERIFY(!NoticeDatagram::parse(good.left(good.size() - 1)));
        QVERIFY(!NoticeDatagram::parse(NoticeDatagram::build("KEY", QUuid())));
        // More than a datagram can be is not read as its first part.
        QVERIFY(!NoticeDatagram::parse(good + QByteArray(NoticeDatagram::MaxSize, 'x')));
    }

    void noticeTooLongIsRefusedNotCut()
    {
        const QByteArray payload(NoticeDatagram::MaxSize - 33 - 3 + 1, 'p');
        QVERIFY_THROWS_EXCEPTION(Exception, NoticeDatagram::build("KEY", ChangeEvents::Waybills, payload));
        QVERIFY_THROWS_EXCEPTION(Exception, NoticeDatagram::build(QByteArray(256, 'k'), ChangeEvents::Waybills));
    }

    void keyNamesTheOpenDatabase()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db(false);
        const QByteArray key = DatabaseKey::of(db);
        if (Test::TestDatabase::engine() == Data::Engine::SQLite)
            QCOMPARE(QString::fromUtf8(key),
                     QSysInfo::machineHostName() + QFileInfo(db.settings().sqliteFile()).canonicalFilePath());
        else
            QCOMPARE(QString::fromUtf8(key), db.settings().host + u':' + QString::number(db.settings().port) +
                                                 db.settings().database);
        QVERIFY(key.size() <= NoticeDatagram::MaxKeySize);
    }

    void longKeysStayApartAndWhole()
    {
        // Cyrillic letters are two bytes: the cut must not split one.
        const QString start = QString(200, QChar(u'ж'));
        const QByteArray a = DatabaseKey::fit(start + u"/a.db"_s);
        const QByteArray b = DatabaseKey::fit(start + u"/b.db"_s);
        QVERIFY(a != b);
        QVERIFY(a.size() <= NoticeDatagram::MaxKeySize);
        QVERIFY(QString::fromUtf8(a).toUtf8() == a); // valid UTF-8
        QVERIFY(QString::fromUtf8(a).startsWith(QString(90, QChar(u'ж'))));
        QCOMPARE(DatabaseKey::fit(u"short"_s), QByteArray("short"));
        // Case tells two files apart.
        QVERIFY(DatabaseKey::fit(u"/data/Tarvo.db"_s) != DatabaseKey::fit(u"/data/tarvo.db"_s));
    }
};

QTEST_GUILESS_MAIN(TstNoticeDatagram)
#include "tst_noticedatagram.moc"
