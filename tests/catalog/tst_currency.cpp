#include "catalog/currency/currencyrates.h"
#include "catalog/currency/moneyformats.h"
#include "catalog/currency/trubtovalactor.h"
#include "catalog/currency/tvaltorubactor.h"
#include "core/exception.h"
#include "data/engine/database.h"
#include "shell/programparameters.h"
#include "support/testdatabase.h"

#include <QDateTime>
#include <QtTest>

using namespace Tarvo;
using namespace Tarvo::Catalog;
using namespace Qt::Literals::StringLiterals;

namespace {

QDateTime day(int d)
{
    return QDateTime(QDate(2026, 3, d), QTime(0, 0));
}

void quote(Data::Database& db, const QString& code, int d, double rate)
{
    db.exec(u"insert into cotirval (codvalut, datecotir, valcotir) values (?, ?, ?)"_s, {code, day(d), rate});
}

void currencies(Data::Database& db)
{
    db.exec(u"insert into VALUTCOD (CODVALUT, NAMEVALUT) values ('USD', 'Доллар'), ('EUR', 'Евро'), "
            "('XXX', 'Треть')"_s);
}

// The asker the quotation dialog stands for: records what it was offered.
struct Asker
{
    QList<std::optional<double>> offered;
    double answer = 0;
    bool cancel = false;
    void install()
    {
        CurrencyRates::setMissingRateAsker([this](Data::Database& db, const QString& code, const QDate& date,
                                                  std::optional<double> previous) {
            offered << previous;
            if (cancel)
                throw Abort();
            CurrencyRates(db).storeRate(code, date, answer);
            return answer;
        });
    }
};

// An editor line: price and quantity in roubles and in the document's currency.
struct Line : TDataAccessor
{
    Money rub, val, rubTotal, valTotal, quantity = Money(1);
    QString code;
    QDate day;
    TEditBaseActor* other = nullptr; // the editor's other actor, fired by every write
    Money rubValue() const override { return rub; }
    void setRubValue(Money v) override
    {
        rub = v;
        if (other)
            other->changed();
    }
    Money valValue() const override { return val; }
    void setValValue(Money v) override
    {
        val = v;
        if (other)
            other->changed();
    }
    Money factor() const override { return quantity; }
    void setRubTotal(Money v) override { rubTotal = v; }
    void setValTotal(Money v) override { valTotal = v; }
    QString currencyCode() const override { return code; }
    QDate date() const override { return day; }
};

} // namespace

class CurrencyTest : public QObject
{
    Q_OBJECT
private slots:
    void cleanup() { CurrencyRates::setMissingRateAsker({}); }

    void convertsBothWaysRoundingAtTheFourthDecimal()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        currencies(db);
        quote(db, u"USD"_s, 2, 2.5);
        quote(db, u"EUR"_s, 2, 3.0);
        quote(db, u"XXX"_s, 2, 1.0 / 3.0);
        const CurrencyRates rates(db);
        const QDate d = day(2).date();
        // 10.0001 USD at 2.5 is 25.00025 roubles: half away from zero.
        QCOMPARE(rates.convert(u"USD"_s, QString(), d, Money::fromRaw(100001)), Money::fromRaw(250003));
        QCOMPARE(rates.convert(u"USD"_s, QString(), d, Money::fromRaw(-100001)), Money::fromRaw(-250003));
        // 1 unit at a third of a rouble.
        QCOMPARE(rates.convert(u"XXX"_s, QString(), d, Money(1)), Money::fromRaw(3333));
        // Roubles to dollars: 1 / 2.5 per rouble; 0.0001 rouble is 0.00004 dollars.
        QCOMPARE(rates.convert(QString(), u"USD"_s, d, Money::fromRaw(1)), Money::fromRaw(0));
        QCOMPARE(rates.convert(QString(), u"USD"_s, d, Money::fromRaw(3)), Money::fromRaw(1));
        // Cross rate through roubles: 2.5 / 3.
        QCOMPARE(rates.convert(u"USD"_s, u"EUR"_s, d, Money(3)), Money::fromRaw(25000));
        QCOMPARE(rates.convert(u"EUR"_s, u"USD"_s, d, Money::fromRaw(10001)), Money::fromRaw(12001));
        // Same code in another case, and roubles to roubles: unchanged without reading a rate.
        QCOMPARE(rates.convert(u"usd"_s, u"USD"_s, day(20).date(), Money::fromRaw(12345)),
                 Money::fromRaw(12345));
        QCOMPARE(rates.convert(QString(), QString(), day(20).date(), Money::fromRaw(12345)),
                 Money::fromRaw(12345));
    }

    void missingRateAsksWithTheLatestEarlierOne()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        currencies(db);
        quote(db, u"USD"_s, 5, 90.5);
        quote(db, u"USD"_s, 10, 92.25);
        quote(db, u"USD"_s, 12, 0); // an old bad row: counts as missing, never divides
        Asker asker;
        asker.answer = 93;
        asker.install();
        const CurrencyRates rates(db);

        QCOMPARE(rates.rate(u"USD"_s, day(10).date()), 92.25);
        QVERIFY(asker.offered.isEmpty());
        // Between quotations: the latest earlier rate is offered, the answer stored for the day.
        QCOMPARE(rates.rate(u"USD"_s, day(7).date()), 93.0);
        QCOMPARE(asker.offered, (QList<std::optional<double>>{90.5}));
        QCOMPARE(rates.rate(u"USD"_s, day(7).date()), 93.0);
        QCOMPARE(asker.offered.size(), 1);
        // Before the first quotation nothing is offered.
        rates.rate(u"USD"_s, day(1).date());
        QCOMPARE(asker.offered.last(), std::nullopt);
        // A stored 0 is skipped both as the rate of its day and as the earlier one.
        QCOMPARE(rates.ratio(QString(), u"USD"_s, day(12).date()), 1.0 / 93.0);
        QCOMPARE(asker.offered.last(), std::optional<double>(92.25));
        QCOMPARE(
            db.scalar(u"select valcotir from cotirval where codvalut = 'USD' and datecotir = ?"_s, {day(12)})
                .toDouble(),
            93.0);

        // Cancelling aborts the conversion and stores nothing.
        asker.cancel = true;
        QVERIFY_THROWS_EXCEPTION(Abort, rates.convert(u"USD"_s, QString(), day(20).date(), Money(1)));
        QCOMPARE(db.scalar(u"select count(*) from cotirval where datecotir = ?"_s, {day(20)}).toInt(), 0);
    }

    void aRateOfZeroOrLessIsRefused()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        currencies(db);
        const CurrencyRates rates(db);
        for (double bad : {0.0, -1.5}) {
            try {
                rates.storeRate(u"USD"_s, day(3).date(), bad);
                QFAIL("stored a rate of zero or less");
            } catch (const Exception& e) {
                QCOMPARE(e.message(), u"Значение котировки должно быть больше 0"_s);
            }
        }
        QCOMPARE(db.scalar(u"select count(*) from cotirval"_s).toInt(), 0);
    }

    void actorsRecomputeTheOtherSideOnce()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        currencies(db);
        quote(db, u"USD"_s, 2, 2.5);
        Line line;
        line.code = u"USD"_s;
        line.day = day(2).date();
        line.quantity = Money(3);
        TRubToValActor rubToVal(line, db);
        TValToRubActor valToRub(line, db);

        // Each write fires the other actor, as an editor's field events would; the busy flag of the
        // running one stops the echo.
        line.other = &valToRub;
        line.rub = Money::fromRaw(100001); // 10.0001 roubles
        rubToVal.changed();
        QVERIFY(!rubToVal.busy());
        QCOMPARE(line.rubTotal, Money::fromRaw(300003));
        QCOMPARE(line.val, Money::fromRaw(40000)); // 4.00004 -> 4.0000
        QCOMPARE(line.valTotal, Money::fromRaw(120001));

        line.other = &rubToVal;
        line.val = Money::fromRaw(10001); // 1.0001 dollars
        valToRub.changed();
        QCOMPARE(line.valTotal, Money::fromRaw(30003));
        QCOMPARE(line.rub, Money::fromRaw(25003));      // 2.50025 -> 2.5003
        QCOMPARE(line.rubTotal, Money::fromRaw(75008)); // 7.50075 -> 7.5008

        // A failing conversion clears the flag too.
        line.day = day(25).date();
        QVERIFY_THROWS_EXCEPTION(Exception, valToRub.changed());
        QVERIFY(!valToRub.busy());
    }

    void amountsShowWithTheWorkstationsDecimals()
    {
        Shell::ProgramParameters p;
        p.roubleDecimals = 2;
        p.currencyDecimals = 3;
        Shell::ProgramParameters::setCurrent(p);
        QCOMPARE(MoneyFormats::forCurrency(QString()), u"2"_s);
        QCOMPARE(MoneyFormats::forCurrency(u"USD"_s), u"3"_s);
        QCOMPARE(MoneyFormats::text(Money::fromRaw(12345675000), QString()), u"1\u00a0234\u00a0567,50"_s);
        QCOMPARE(MoneyFormats::text(Money::fromRaw(-12345), u"EUR"_s), u"-1,235"_s);
    }
};

QTEST_GUILESS_MAIN(CurrencyTest)
#include "tst_currency.moc"
