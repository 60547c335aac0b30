#include "data/engine/money.h"
#include "data/engine/query.h"
#include "data/engine/sqlitefunctions.h"
#include "core/exception.h"

#include <QtTest>

using namespace Tarvo;
using namespace Tarvo::Data;

class MoneyAndSqlTextTest : public QObject
{
    Q_OBJECT
private slots:
    void parsesExactlyAndRounds()
    {
        QCOMPARE(Money::parse(u"123.4567")->raw(), 1234567);
        QCOMPARE(Money::parse(u"-0,5")->raw(), -5000);
        QCOMPARE(Money::parse(u"1 234 567,89")->raw(), 12345678900);
        QCOMPARE(Money::parse(u"0.00005")->raw(), 1);  // half away from zero
        QCOMPARE(Money::parse(u"-0.00005")->raw(), -1);
        QCOMPARE(Money::parse(u"0.00004")->raw(), 0);
        QCOMPARE(Money::parse(u"1e3")->raw(), 10000000);
        QCOMPARE(Money::parse(u"922337203685477.5807")->raw(), std::numeric_limits<int64_t>::max());
        QVERIFY(!Money::parse(u"922337203685477.5808"));
        QVERIFY(!Money::parse(u""));
        QVERIFY(!Money::parse(u"12a"));
        QVERIFY(!Money::parse(u"1.2.3"));
        QVERIFY(!Money::parse(u"-"));
    }

    // The quick 8-bit parser agrees with the careful one everywhere, falling back where it must.
    void parsesServerTextQuickly()
    {
        for (const char* text : {"123.4567", "0", "-0.0001", "5", "5.", ".5", "-12.30", "0.00005", "-0.00005", "1e3",
                                 "922337203685477.5807", "922337203685477.5808", "99999999999999.9999",
                                 "123456789012345678", "", "-", "1.2.3", "12a", "NaN", "+7"}) {
            const auto quick = Money::parseAscii(text, qsizetype(strlen(text)));
            const auto careful = Money::parse(QString::fromLatin1(text));
            QCOMPARE(bool(quick), bool(careful));
            if (quick)
                QCOMPARE(quick->raw(), careful->raw());
        }
    }

    void printsAndConverts()
    {
        QCOMPARE(Money::fromRaw(-5).toString(), QStringLiteral("-0.0005"));
        QCOMPARE(Money::fromRaw(12345678).toString(2), QStringLiteral("1234.57"));
        QCOMPARE(Money::fromRaw(-12345).toString(0), QStringLiteral("-1"));
        QCOMPARE(Money::fromDouble(0.1 + 0.2).raw(), 3000);
        QCOMPARE(Money::fromVariant(QVariant(QStringLiteral("7.25"))).raw(), 72500);
        QCOMPARE(Money::fromVariant(QVariant(qlonglong(3))).raw(), 30000);
        QCOMPARE(Money::fromVariant(QVariant()).raw(), 0);
        QCOMPARE(Money::fromVariant(Money::fromRaw(9).toVariant()).raw(), 9);
    }

    void arithmeticRoundsAndDetectsOverflow()
    {
        const Money price = *Money::parse(u"10.3333");
        const Money amount = *Money::parse(u"3");
        QCOMPARE((price * amount).toString(), QStringLiteral("30.9999"));
        QCOMPARE((Money(10) / Money(3)).toString(), QStringLiteral("3.3333"));
        QCOMPARE((Money(-2) / Money(3)).toString(), QStringLiteral("-0.6667"));
        QCOMPARE(Money::fromRaw(12345).rounded(2).raw(), 12300);
        QVERIFY_THROWS_EXCEPTION(Exception, Money(1) / Money());
        QVERIFY_THROWS_EXCEPTION(Exception, Money::fromRaw(std::numeric_limits<int64_t>::max()) + Money::fromRaw(1));
        QVERIFY_THROWS_EXCEPTION(Exception, Money(1000000000) * Money(1000000000));
        QVERIFY(Money(1) < Money(2));
    }

    void markersAreFoundOutsideQuotesAndComments()
    {
        QStringList markers;
        const QString sql = QStringLiteral(
            "select 'a:b ?', \"x:y\", v::text from t -- :no ?\nwhere a = :A and b = ? and c = :b_2 /* :no */ and d = :A");
        const QString out = Query::toPositional(sql, &markers);
        QCOMPARE(markers, (QStringList{QStringLiteral("A"), QString(), QStringLiteral("b_2"), QStringLiteral("A")}));
        QVERIFY(out.contains(QLatin1String("'a:b ?'")));
        QVERIFY(out.contains(QLatin1String("v::text")));
        QVERIFY(out.endsWith(QLatin1String("d = ?")));
        markers.clear();
        Query::toPositional(QStringLiteral("select 'it''s :x' where y = :y"), &markers);
        QCOMPARE(markers, QStringList{QStringLiteral("y")});
    }

    void likeMatchesLikeTheServer()
    {
        QVERIFY(likeMatch(QStringLiteral("Болт М8"), QStringLiteral("болт%")));
        QVERIFY(likeMatch(QStringLiteral("ЁЛКА"), QStringLiteral("ёлка")));
        QVERIFY(likeMatch(QStringLiteral("abc"), QStringLiteral("a_c")));
        QVERIFY(!likeMatch(QStringLiteral("abcd"), QStringLiteral("a_c")));
        QVERIFY(likeMatch(QStringLiteral("50%"), QStringLiteral("50!%"), QLatin1Char('!')));
        QVERIFY(!likeMatch(QStringLiteral("505"), QStringLiteral("50!%"), QLatin1Char('!')));
        QVERIFY(likeMatch(QStringLiteral("aXbXc"), QStringLiteral("%b%c")));
        QVERIFY(likeMatch(QString(), QStringLiteral("%")));
        QVERIFY(!likeMatch(QStringLiteral("ab"), QStringLiteral("%c%")));
    }
};

QTEST_GUILESS_MAIN(MoneyAndSqlTextTest)
#include "tst_money.moc"
