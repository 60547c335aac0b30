#include "data/engine/money.h"
#include "data/rowset/rowvalues.h"

#include <QtTest>

using namespace Tarvo;
using namespace Tarvo::Data;

namespace {

int sign(int v)
{
    return v < 0 ? -1 : (v > 0 ? 1 : 0);
}

int compareVariants(const QVariant& a, const QVariant& b)
{
    return sign(QString::compare(a.toString(), b.toString()));
}

RowValues row(const QVariantList& values)
{
    return RowValues(values);
}

} // namespace

class RowValuesTest : public QObject
{
    Q_OBJECT
private slots:
    void valuesReadBackAsStored()
    {
        const QByteArray withZeros("a\0b\0", 4);
        const QVariantList values = {
            QVariant(),
            QVariant(QMetaType::fromType<QString>()), // typed null
            42,
            qlonglong(-9000000000000000000),
            Money::fromRaw(-1).toVariant(),
            0.1,
            true,
            QDateTime(QDate(2024, 2, 29), QTime(23, 59, 59, 999)),
            QDateTime(QDate(1901, 1, 1), QTime(0, 0, 0, 1)),     // before 1970
            QDateTime(QDate(2024, 1, 1), QTime(12, 0), Qt::UTC), // not local: kept boxed
            QStringLiteral("Поставщик «Альфа» 'кавычки'"),
            QString(""),
            QString(), // null string stays null
            QStringLiteral("смайл \U0001F600"),
            QString(QChar(0xD800)), // lone surrogate
            withZeros,
            QByteArray(),
            QDate(2024, 5, 1),
            QVariant::fromValue(QStringList{"a", "b"}),
        };
        const RowValues r(values);
        QCOMPARE(r.size(), values.size());
        for (int i = 0; i < values.size(); ++i) {
            const QVariant v = r.at(i);
            QCOMPARE(v.metaType(), values[i].metaType());
            QCOMPARE(v.isNull(), values[i].isNull());
            QCOMPARE(v, values[i]);
        }
        QVERIFY(r.at(12).toString().isNull());
        QCOMPARE(r.at(9).toDateTime().timeSpec(), Qt::UTC);
        QCOMPARE(r.at(15).toByteArray().size(), 4);
        QCOMPARE(r.tag(2), RowValues::Tag::Int32);
        QCOMPARE(r.tag(10), RowValues::Tag::Text);
        QVERIFY(r.isNull(0) && r.isNull(1) && !r.isNull(2));
        QVERIFY(!r.at(99).isValid());
        QCOMPARE(r.toList(), values);
    }

    void copiesAreIndependent()
    {
        auto* first =
            new RowValues(QVariantList{QVariant::fromValue(QStringList{"x"}), QStringLiteral("текст")});
        RowValues copy(*first);
        RowValues assigned;
        assigned = *first;
        delete first; // boxed values of the copies must not go with it
        QCOMPARE(copy.at(0).toStringList(), QStringList{"x"});
        QCOMPARE(assigned.at(1).toString(), QStringLiteral("текст"));
        RowValues moved(std::move(copy));
        QCOMPARE(moved.size(), 2);
        QCOMPARE(copy.size(), 0);
        moved.clear();
        QVERIFY(moved.isEmpty());
    }

    // A set of a few rows takes a small slice; a big one grows into large chunks, every row intact.
    void theArenaGrowsWithItsRows()
    {
        RowArena arena;
        RowValues::Builder b;
        b.start(2);
        b.setInt64(0, 1);
        b.setMoney(1, Money(2));
        const RowValues one = b.finish(&arena);
        QVERIFY(arena.allocated() > 0);
        QVERIFY(arena.allocated() <= 64 * 1024);
        std::vector<RowValues> rows;
        for (int i = 0; i < 200000; ++i) {
            b.start(2);
            b.setInt64(0, i);
            const QByteArray name = QByteArray::number(i).repeated(3);
            b.setText(1, name.constData(), name.size());
            rows.push_back(b.finish(&arena));
        }
        QVERIFY(arena.allocated() > (2 << 20));
        QCOMPARE(one.at(1).value<Money>(), Money(2));
        for (int i = 0; i < 200000; i += 997) {
            QCOMPARE(rows[i].at(0).toLongLong(), qint64(i));
            QCOMPARE(rows[i].at(1).toString(), QString::number(i).repeated(3));
        }
    }

    void builderIsReusedAndFillsTheArena()
    {
        RowArena arena;
        RowValues::Builder b;
        std::vector<RowValues> rows;
        for (int i = 0; i < 5000; ++i) {
            b.start(3);
            b.setInt64(0, i);
            const QByteArray name = QStringLiteral("товар %1").arg(i).toUtf8();
            b.setText(1, name.constData(), name.size());
            if (i % 2)
                b.setVariant(2,
                             QVariant::fromValue(QStringList{QString::number(i)})); // boxed, owned by the row
            else
                b.setMoney(2, Money(i));
            rows.push_back(b.finish(&arena));
        }
        QVERIFY(arena.allocated() > 0);
        QCOMPARE(rows[4999].at(1).toString(), QStringLiteral("товар 4999"));
        QCOMPARE(rows[4999].at(2).toStringList(), QStringList{"4999"});
        QCOMPARE(rows[10].at(2).value<Money>(), Money(10));
        // A block larger than an arena slice goes to the heap and still reads back.
        const QByteArray big(100000, 'z');
        b.start(1);
        b.setBytes(0, big.constData(), big.size());
        RowValues heap = b.finish(&arena);
        QCOMPARE(heap.at(0).toByteArray(), big);
        // An unfinished row with a boxed value is dropped on the next start.
        b.start(1);
        b.setVariant(0, QVariant::fromValue(QStringList{"lost"}));
        b.start(1);
        QVERIFY(b.finish().isNull(0));
        rows.clear();
    }

    void comparesWithoutVariantsWhereTheCellsAllow()
    {
        const RowValues a = row({1, Money(2).toVariant(), QDateTime(QDate(2024, 1, 1), QTime(0, 0)), "abc",
                                 "Яблоко", QVariant(), true, "b"});
        const RowValues b =
            row({2, Money::fromRaw(19999).toVariant(), QDateTime(QDate(2023, 12, 31), QTime(23, 59)), "abd",
                 "арбуз", 5, false, "ab"});
        QCOMPARE(RowValues::compare(a, 0, b, 0, compareVariants), -1);
        QCOMPARE(RowValues::compare(a, 1, b, 1, compareVariants), 1);
        QCOMPARE(RowValues::compare(a, 2, b, 2, compareVariants), 1);
        QCOMPARE(RowValues::compare(a, 3, b, 3, compareVariants), -1);
        QCOMPARE(RowValues::compare(a, 7, b, 7, compareVariants), 1); // "b" after "ab"
        // Non-ASCII text orders as QString does.
        QCOMPARE(RowValues::compare(a, 4, b, 4, compareVariants),
                 sign(QString::compare(QStringLiteral("Яблоко"), QStringLiteral("арбуз"))));
        QCOMPARE(RowValues::compare(a, 5, b, 5, compareVariants), -1); // nulls first
        QCOMPARE(RowValues::compare(b, 5, a, 5, compareVariants), 1);
        QCOMPARE(RowValues::compare(a, 5, a, 5, compareVariants), 0);
        QCOMPARE(RowValues::compare(a, 6, b, 6, compareVariants), 1);
        // Different kinds go to the fallback.
        QCOMPARE(RowValues::compare(a, 0, b, 3, compareVariants), sign(QString::compare("1", "abd")));
    }

    void wallClockCountsFromTheEpochBothWays()
    {
        for (const QDateTime& d :
             {QDateTime(QDate(1970, 1, 1), QTime(0, 0)),
              QDateTime(QDate(1969, 12, 31), QTime(23, 59, 59, 999)),
              QDateTime(QDate(2100, 2, 28), QTime(1, 2, 3, 4)), QDateTime(QDate(1, 1, 1), QTime(0, 0))}) {
            const qint64 ms = RowValues::wallClockMsecs(d.date(), d.time());
            QCOMPARE(RowValues::fromWallClockMsecs(ms), d);
        }
        QCOMPARE(RowValues::wallClockMsecs(QDate(1970, 1, 2), QTime(0, 0, 0, 5)), 86400005);
        QCOMPARE(RowValues::wallClockMsecs(QDate(1969, 12, 31), QTime(23, 59, 59, 999)), -1);
    }
};

QTEST_GUILESS_MAIN(RowValuesTest)
#include "tst_rowvalues.moc"
