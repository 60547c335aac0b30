// The compact article index of an import run, against plain hash tables doing the same.
#include "catalog/import/pricearticleindex.h"
#include "catalog/import/pricerowstore.h"

#include <QHash>
#include <QRandomGenerator>
#include <QTest>

using namespace Tarvo;
using namespace Tarvo::Catalog;
using namespace Qt::Literals::StringLiterals;

class tst_PriceArticleIndex : public QObject
{
    Q_OBJECT

private slots:
    void keysFoldLikeTheGeneralRule();
    void keysFoundAcrossGrowthAndArenaBlocks();
    void productHoldersSurviveRemovalsInAnyOrder();
    void keptRowsReadBackOncePerArticle();
    void keptRowsKeepEveryField();
};

// Articles compare trimmed and case-folded, whether plain ASCII or not.
void tst_PriceArticleIndex::keysFoldLikeTheGeneralRule()
{
    QString everyAscii;
    for (char16_t c = 1; c < 0x80; ++c)
        everyAscii += QChar(c);
    for (const QString& a : {everyAscii, u" \tAbC-12/z@[`{ "_s, u"ÄrT-Ё"_s, u"\u00a0A-1\u00a0"_s, u"A-1ß"_s, QString()})
        QCOMPARE(PriceRowStore::key(a), a.trimmed().toCaseFolded().toUtf8());
    QCOMPARE(PriceRowStore::key(u" A-1 "_s), PriceRowStore::key(u"a-1"_s));
    // The stored map is read as UTF-8: the same keys from its bytes.
    for (const QString& a : {everyAscii, u" \tAbC-12/z@[`{ "_s, u"ÄrT-Ё"_s, u"\u00a0A-1\u00a0"_s, u"\u0085a\u0085"_s,
                             u"A-1ß"_s, u" Б "_s, u"\r\nX\x1f"_s, QString()})
        QCOMPARE(PriceRowStore::key(QByteArrayView(a.toUtf8())), PriceRowStore::key(a));
}

void tst_PriceArticleIndex::keysFoundAcrossGrowthAndArenaBlocks()
{
    PriceArticleIndex index;
    QHash<QByteArray, qint32> model;
    // Long keys fill several arena blocks; the count passes many growths of the table.
    for (int i = 0; i < 60000; ++i) {
        const QByteArray key = PriceRowStore::key(u" Арт-%1-%2 "_s.arg(i).arg(QString(i % 7 * 20, u'x')));
        const qint32 e = index.insert(key);
        QCOMPARE(index.insert(key), e);
        model.insert(key, e);
    }
    QCOMPARE(index.size(), model.size());
    for (auto it = model.cbegin(); it != model.cend(); ++it) {
        QCOMPARE(index.find(it.key()), it.value());
        QCOMPARE(index.keyOf(it.value()), QByteArrayView(it.key()));
    }
    QCOMPARE(index.find("арт-60000-"), -1);
    QCOMPARE(index.find(""), -1);
    // Compared trimmed and without case.
    QCOMPARE(index.find(PriceRowStore::key(u"  АРТ-5-"_s + QString(100, u'X'))),
             model.value(PriceRowStore::key(u"арт-5-"_s + QString(100, u'x'))));
}

void tst_PriceArticleIndex::productHoldersSurviveRemovalsInAnyOrder()
{
    PriceArticleIndex index;
    QHash<qint32, qint32> model;
    QRandomGenerator rng(35);
    // Products close together and far apart collide in the table; removals in random order
    // must leave every other product findable.
    for (int round = 0; round < 200000; ++round) {
        const auto product = qint32(rng.bounded(1, 40000) * (round % 3 == 0 ? 1024 : 1));
        const int action = int(rng.bounded(3));
        if (action == 0) {
            index.dropHolder(product);
            model.remove(product);
        } else {
            index.setHolder(product, round);
            model.insert(product, round);
        }
        if (round % 20000 == 0)
            for (auto it = model.cbegin(); it != model.cend(); ++it)
                QCOMPARE(index.holder(it.key()), it.value());
    }
    for (auto it = model.cbegin(); it != model.cend(); ++it)
        QCOMPARE(index.holder(it.key()), it.value());
    for (qint32 p = 1; p < 2000; ++p)
        if (!model.contains(p))
            QCOMPARE(index.holder(p), -1);
    QCOMPARE(index.holder(0), -1);
}

void tst_PriceArticleIndex::keptRowsReadBackOncePerArticle()
{
    PriceRowStore store;
    // More than one block of the file, articles repeated with other case, some dropped.
    const int n = 20000;
    for (int i = 0; i < n; ++i) {
        PriceImportRow r;
        r.article = u"A-%1"_s.arg(i);
        r.productId = i % 5 == 0 ? 0 : i + 1;
        r.name = u"Товар %1 с длинным названием для объёма файла"_s.arg(i);
        r.setPrice(u"EXW"_s, Money::fromRaw(i));
        r.line = i;
        store.put(r);
    }
    for (int i = 0; i < n; i += 3) {
        PriceImportRow r;
        r.article = u"a-%1 "_s.arg(i).trimmed();
        r.productId = i + 1;
        r.line = n + i;
        store.put(r);
    }
    store.remove(PriceRowStore::key(u"A-1"_s));
    QCOMPARE(store.count(), n - 1);
    // Deferred: every fifth except those the repetition matched.
    qint64 deferred = 0;
    for (int i = 0; i < n; i += 5)
        deferred += i % 3 != 0;
    QCOMPARE(store.deferredCount(), deferred);

    QHash<QString, qint64> seen;
    store.forEach([&](const PriceImportRow& r, qint32 e) {
        QVERIFY(!seen.contains(r.article.toLower()));
        seen.insert(r.article.toLower(), r.line);
        QCOMPARE(store.index().find(PriceRowStore::key(r.article)), e);
    });
    QCOMPARE(seen.size(), n - 1);
    QVERIFY(!seen.contains(u"a-1"_s));
    QCOMPARE(seen.value(u"a-3"_s), n + 3); // the later row wins
    QCOMPARE(seen.value(u"a-4"_s), 4);
    QCOMPARE(store.row(store.index().find("a-9")).article, u"a-9"_s);
    QCOMPARE(store.index().holder(10), store.index().find("a-9"));
}

// Every field comes back from the file as put, set or unset, whatever the text, also for a row
// longer than one read of the file.
void tst_PriceArticleIndex::keptRowsKeepEveryField()
{
    PriceRowStore store;
    QList<PriceImportRow> rows;
    for (int i = 0; i < 300; ++i) {
        PriceImportRow r;
        r.article = i % 2 ? u"Арт-%1"_s.arg(i) : u"A-%1"_s.arg(i);
        r.productId = i % 7 == 0 ? 0 : 1000 + i;
        r.currency = i % 3 ? QString() : u"EUR"_s;
        r.price = Money::fromRaw(-5 * i);
        if (i % 2)
            r.deliveryDelay = qint16(-i);
        if (i % 3)
            r.chainDelay = qint16(i);
        if (i % 4)
            r.minLot = Money::fromRaw(i * 10001LL);
        if (i % 5)
            r.piecesPerPack = Money::fromRaw(7);
        if (i % 6)
            r.name = i == 150 ? QString(PriceRowStore::BlockSize / 2 + 3, u'Ж') : u"Товар «%1»"_s.arg(i);
        for (int k = 0; k < 8; ++k)
            if ((i + k) % 3 == 0)
                r.extras[size_t(k)] = k == 2 ? QString() : u"доп %1 €"_s.arg(k);
        r.setPrice(u"EXW"_s, Money::fromRaw(i));
        if (i % 2)
            r.setPrice(u"ЦЕНА Б"_s, Money::fromRaw(-i));
        r.line = i + 1;
        rows << r;
        store.put(r);
    }
    const auto same = [](const PriceImportRow& a, const PriceImportRow& b) {
        return a.productId == b.productId && a.article == b.article && a.currency == b.currency &&
               a.price == b.price && a.deliveryDelay == b.deliveryDelay && a.chainDelay == b.chainDelay &&
               a.minLot == b.minLot && a.piecesPerPack == b.piecesPerPack && a.name == b.name &&
               a.extras == b.extras && a.prices == b.prices && a.line == b.line;
    };
    int n = 0;
    store.forEach([&](const PriceImportRow& r, qint32) {
        QVERIFY2(same(r, rows.at(int(r.line - 1))), qPrintable(r.article));
        ++n;
    });
    QCOMPARE(n, rows.size());
    for (const PriceImportRow& r : rows)
        QVERIFY2(same(store.row(store.index().find(PriceRowStore::key(r.article))), r), qPrintable(r.article));
}

QTEST_GUILESS_MAIN(tst_PriceArticleIndex)
#include "tst_pricearticleindex.moc"
