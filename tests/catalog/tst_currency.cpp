#include "catalog/currency/currencyrates.h"
#include "catalog/currency/moneyformats.h"
#include "catalog/currency/trubtovalactor.h"
#include "catalog/currency/tvaltorubactor.h"
#include "core/exception.h"
#include "data/engine/database.h"
#include "shell/programparameters.h"
#include "support/failure.h"
#include "support/testdatabase.h"

#include <QDateTime>
#include <QRandomGenerator>
#include <QtTest>
#include <cmath>
#include <vector>

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

// Unsigned decimal numbers as digits, least significant first: the reference arithmetic, done
// the way it is done on paper and independent of the fractions under test.
using Digits = std::vector<int>;

Digits digitsOf(quint64 v)
{
    Digits d;
    do {
        d.push_back(int(v % 10));
        v /= 10;
    } while (v != 0);
    return d;
}

void trim(Digits& d)
{
    while (d.size() > 1 && d.back() == 0)
        d.pop_back();
}

Digits times(const Digits& a, const Digits& b)
{
    Digits r(a.size() + b.size(), 0);
    for (size_t i = 0; i < a.size(); ++i) {
        int carry = 0;
        for (size_t j = 0; j < b.size() || carry; ++j) {
            const int cur = r[i + j] + carry + (j < b.size() ? a[i] * b[j] : 0);
            r[i + j] = cur % 10;
            carry = cur / 10;
        }
    }
    trim(r);
    return r;
}

Digits plus(const Digits& a, const Digits& b)
{
    Digits r;
    int carry = 0;
    for (size_t i = 0; i < std::max(a.size(), b.size()) || carry; ++i) {
        const int cur = carry + (i < a.size() ? a[i] : 0) + (i < b.size() ? b[i] : 0);
        r.push_back(cur % 10);
        carry = cur / 10;
    }
    trim(r);
    return r;
}

int compare(Digits a, Digits b)
{
    trim(a);
    trim(b);
    if (a.size() != b.size())
        return a.size() < b.size() ? -1 : 1;
    for (size_t i = a.size(); i-- > 0;)
        if (a[i] != b[i])
            return a[i] < b[i] ? -1 : 1;
    return 0;
}

// a - b for a >= b.
Digits minus(const Digits& a, const Digits& b)
{
    Digits r = a;
    int borrow = 0;
    for (size_t i = 0; i < r.size(); ++i) {
        int cur = r[i] - borrow - (i < b.size() ? b[i] : 0);
        borrow = cur < 0;
        r[i] = cur < 0 ? cur + 10 : cur;
    }
    trim(r);
    return r;
}

quint64 magnitude(qint64 v)
{
    return v < 0 ? quint64(0) - quint64(v) : quint64(v);
}

// Whether q is a·x / y rounded half away from zero (y > 0): |a·x − q·y| is at most y/2, and a
// tie goes to the larger |q|.
bool isRoundedQuotient(qint64 a, qint64 x, qint64 y, qint64 q)
{
    if (q != 0 && (a < 0) != (q < 0))
        return false;
    const Digits exact = times(digitsOf(magnitude(a)), digitsOf(quint64(x)));
    const Digits got = times(digitsOf(magnitude(q)), digitsOf(quint64(y)));
    const int side = compare(exact, got);
    const Digits diff = side >= 0 ? minus(exact, got) : minus(got, exact);
    const int half = compare(plus(diff, diff), digitsOf(quint64(y)));
    return half < 0 || (half == 0 && side <= 0);
}

// A quotation as typed ("89.4567") in hundred-millionths of a rouble, read digit by digit.
qint64 typedQuotation(const QString& text)
{
    const QStringList parts = text.split(u'.');
    const QString fraction = parts.value(1).leftJustified(8, u'0');
    qint64 v = 0;
    for (QChar c : parts[0] + fraction)
        v = v * 10 + c.digitValue();
    return v;
}

constexpr qint64 Rouble = 100000000; // the rouble's own quotation

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

    // Quotations are the decimals typed; a conversion is one exact fraction rounded once. The
    // figures that binary ratios got wrong at the fourth decimal, then a sweep checked against
    // paper arithmetic, on rates that went through the database's floating-point column.
    void conversionsAreExactDecimalFractions()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        const QStringList typed{u"89.4567"_s, u"12.3455"_s, u"1.15"_s,     u"0.0001"_s,     u"1"_s,
                                u"3"_s,       u"0.3333"_s,  u"99.9999"_s, u"0.00551234"_s, u"123456.7891"_s,
                                u"7.5"_s,     u"0.12345678"_s, u"91999999999.5"_s};
        const CurrencyRates rates(db);
        const QDate d = day(2).date();
        QStringList codes;
        for (int i = 0; i < typed.size(); ++i) {
            codes << u"C%1"_s.arg(i);
            db.exec(u"insert into VALUTCOD (CODVALUT, NAMEVALUT) values (?, ?)"_s, {codes[i], typed[i]});
            rates.storeRate(codes[i], d, typed[i].toDouble());
        }
        const auto code = [&](const QString& rate) { return codes[typed.indexOf(rate)]; };
        const auto raw = [&](const QString& from, const QString& to, qint64 amount) {
            return rates.convert(from, to, d, Money::fromRaw(amount)).raw();
        };

        QCOMPARE(raw(code(u"89.4567"_s), QString(), 5000), 447284); // 0.5 at 89.4567 = 44.72835
        QCOMPARE(raw(code(u"89.4567"_s), QString(), -5000), -447284);
        QCOMPARE(raw(code(u"1.15"_s), QString(), 10), 12); // 0.001 at 1.15 = 0.00115
        QCOMPARE(raw(QString(), code(u"0.0001"_s), 1), 10000);
        QCOMPARE(raw(code(u"0.00551234"_s), QString(), 10000000), 55123); // 1000 units: 5.51234
        // Across currencies: 1 at 7.5 is 0.6075... at 12.3455, rounded once.
        QCOMPARE(raw(code(u"7.5"_s), code(u"12.3455"_s), 10000), 6075);
        QCOMPARE(raw(code(u"1"_s), code(u"3"_s), 10000), 3333);
        // 1234567890123.4567 at 89.4567 = 110440369376407.02897489.
        QCOMPARE(raw(code(u"89.4567"_s), QString(), 12345678901234567), 1104403693764070290);

        for (int i = 0; i < typed.size(); ++i)
            QCOMPARE(rates.quotation(codes[i], d), typedQuotation(typed[i]));

        // Every case within the range, against the reference.
        const auto check = [&](qint64 amount, const QString& fromRate, const QString& toRate) {
            const qint64 x = fromRate.isEmpty() ? Rouble : typedQuotation(fromRate);
            const qint64 y = toRate.isEmpty() ? Rouble : typedQuotation(toRate);
            const long double estimate = std::fabs((long double)amount * x / y);
            if (estimate > 9.3e18L) {
                QVERIFY_THROWS_EXCEPTION(Exception, CurrencyRates::convert(Money::fromRaw(amount), x, y));
                return;
            }
            if (estimate > 9.1e18L) // next to the end of the range either answer is fair
                return;
            const qint64 q = CurrencyRates::convert(Money::fromRaw(amount), x, y).raw();
            QVERIFY2(isRoundedQuotient(amount, x, y, q),
                     qPrintable(u"%1 × %2 / %3 gave %4"_s.arg(Money::fromRaw(amount).toString(),
                                                            fromRate.isEmpty() ? u"1"_s : fromRate,
                                                            toRate.isEmpty() ? u"1"_s : toRate,
                                                            Money::fromRaw(q).toString())));
        };
        // 1% and 5% of every cent price up to 100 roubles, at the rates of the figures.
        for (qint64 cents = 1; cents <= 10000; ++cents) {
            check(cents, u"89.4567"_s, QString());
            check(cents * 5, u"12.3455"_s, QString());
            check(cents, QString(), u"89.4567"_s);
            check(cents * 5, u"89.4567"_s, u"12.3455"_s);
        }
        QRandomGenerator random(20260307);
        QStringList sweep = typed;
        for (int i = 0; i < 40; ++i) {
            const int decimals = random.bounded(9);
            QString r = QString::number(random.bounded(1, 100000));
            if (decimals > 0)
                r += u"."_s + QString::number(random.bounded(1, 100000000) % qint64(std::pow(10, decimals)))
                                  .rightJustified(decimals, u'0');
            sweep << r;
        }
        sweep << QString(); // roubles
        for (int i = 0; i < 20000; ++i) {
            const int digits = random.bounded(1, 19);
            qint64 amount = qint64(random.generate64() % quint64(std::pow(10.0L, digits)));
            if (random.bounded(2))
                amount = -amount;
            check(amount, sweep[random.bounded(int(sweep.size()))], sweep[random.bounded(int(sweep.size()))]);
        }
        // The same through the stored rates: what the database gives back is what was typed.
        for (int i = 0; i < 300; ++i) {
            const int from = random.bounded(int(codes.size())), to = random.bounded(int(codes.size()));
            const qint64 amount = qint64(random.generate64() % 100000000000000ull) - 50000000000000;
            const qint64 x = typedQuotation(typed[from]), y = typedQuotation(typed[to]);
            if (std::fabs((long double)amount * x / y) > 9.1e18L)
                continue;
            QVERIFY(isRoundedQuotient(amount, x, y, raw(codes[from], codes[to], amount)));
        }
        QVERIFY_THROWS_EXCEPTION(Exception, raw(code(u"91999999999.5"_s), QString(), 1000000000000000));
    }

    void ratesKeepEightDecimalsAtMost()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        currencies(db);
        const CurrencyRates rates(db);
        QCOMPARE(Test::failureOf([&] { rates.storeRate(u"USD"_s, day(3).date(), 0.123456789); }),
                 CurrencyRates::rateDecimalsMessage());
        QVERIFY(!Test::failureOf([&] { rates.storeRate(u"USD"_s, day(3).date(), 1e12); }).isEmpty());
        QCOMPARE(db.scalar(u"select count(*) from cotirval"_s).toInt(), 0);
        rates.storeRate(u"USD"_s, day(3).date(), 0.00551234);
        QCOMPARE(rates.quotation(u"USD"_s, day(3).date()), 551234);
        QCOMPARE(CurrencyRates::rateText(0.00551234), QLocale().toString(0.00551234, 'f', 8));
        QCOMPARE(CurrencyRates::rateText(89.5), QLocale().toString(89.5, 'f', 4));
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

        // The editor's figure: half a dollar at 89.4567 is 44.72835 roubles.
        quote(db, u"USD"_s, 3, 89.4567);
        line.day = day(3).date();
        line.quantity = Money(1);
        line.val = Money::fromRaw(5000);
        valToRub.changed();
        QCOMPARE(line.rub, Money::fromRaw(447284));
        QCOMPARE(line.rubTotal, Money::fromRaw(447284));
        line.other = &valToRub;
        line.rub = Money::fromRaw(447284);
        rubToVal.changed();
        QCOMPARE(line.val, Money::fromRaw(5000));

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
