// The volume data's price-list supplier and its price file, as the import benchmark uses them:
// the generator's option and "tarvo-admin price-file" run as an operator runs them, the files
// read back through the import module's own readers.
#include "core/exception.h"
#include "csvpricereader.h"
#include "data/engine/database.h"
#include "data/engine/money.h"
#include "db/volume_pricesupplier.h"
#include "support/testdatabase.h"
#include "support/testenvironment.h"
#include "xlsxpricereader.h"

#include <QFile>
#include <QtTest>

using namespace Tarvo;
using namespace Tarvo::Data;
using namespace Qt::Literals::StringLiterals;

namespace {

struct Product
{
    QString article, name;
};

QList<Product> productsOf(Database& db)
{
    QList<Product> l;
    VolumePriceSupplier::forEachProduct(db, [&](qint64, qint64, const QString& a, const QString& n) { l << Product{a, n}; });
    return l;
}

QList<QStringList> readCsv(const QString& path, priceimport::CsvPriceReader::Encoding* detected = nullptr)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    priceimport::CsvPriceReader r(f);
    QList<QStringList> rows;
    priceimport::PriceRecord rec;
    while (r.next(rec)) {
        QStringList cells;
        for (const auto& c : rec.cells)
            cells << QString::fromStdString(c);
        rows << cells;
    }
    if (!r.problems().empty())
        rows << QStringList{u"problem"_s, QString::fromStdString(r.problems().front().text)};
    if (detected)
        *detected = r.encoding();
    return rows;
}

QList<QStringList> readXlsx(const QString& path)
{
    priceimport::XlsxPriceReader r(path.toStdString());
    QList<QStringList> rows;
    priceimport::PriceRecord rec;
    while (r.next(rec)) {
        QStringList cells;
        for (const auto& c : rec.cells)
            cells << QString::fromStdString(c);
        rows << cells;
    }
    return rows;
}

// The heading, then one row per product with its three prices of the edition (numbers compared
// as amounts: the CSV has decimal commas, the workbook stored numbers).
void checkRows(const QList<QStringList>& rows, const QList<Product>& products, int round)
{
    QVERIFY(!products.isEmpty());
    QCOMPARE(rows.size(), products.size() + 1);
    QCOMPARE(rows.first(), (QStringList{u"Артикул"_s, u"Наименование"_s, u"Цена"_s, u"EXW"_s, u"DDP"_s}));
    for (int i = 0; i < products.size(); ++i) {
        const QStringList& r = rows.at(i + 1);
        QCOMPARE(r.size(), 5);
        QCOMPARE(r.at(0), products.at(i).article);
        QCOMPARE(r.at(1), products.at(i).name);
        for (int k = 0; k < 3; ++k) {
            const auto m = Money::parse(r.at(2 + k));
            QVERIFY2(m.has_value(), qPrintable(r.at(2 + k)));
            QCOMPARE(m->raw(), VolumePriceSupplier::price(i, k, round).raw());
        }
    }
}

Test::ProgramRun admin(const QStringList& args)
{
    return Test::runProgram(u"tools/tarvo-admin"_s, args);
}

} // namespace

class tst_PriceSupplierFile : public QObject
{
    Q_OBJECT

private slots:
    void generatorAddsTheSupplierWithoutOffers();
    void filesReadBackWithTheSameRows();
    void priceFileRefusesWhatItCannotWrite();
};

void tst_PriceSupplierFile::generatorAddsTheSupplierWithoutOffers()
{
    Test::TestDatabase t;
    t.db();
    const auto r = admin(QStringList{u"generate"_s, u"--scale"_s, u"0.0005"_s, u"--price-supplier"_s, u"40"_s} +
                         t.overrides());
    QVERIFY2(r.exitCode == 0, qPrintable(r.err));
    auto db = t.connectAgain();
    const QString code = VolumePriceSupplier::supplierCode();
    QCOMPARE(db->scalar(u"select MY_ORGANIZ from _partner where N_USER = ?"_s, {code}).toString(), u"Т"_s);
    const qint64 supplier = db->scalar(u"select par_ID from scm_partner where par_nuser = ?"_s, {code}).toLongLong();
    QVERIFY(supplier > 0);
    QCOMPARE(db->scalar(u"select count(*) from scm_artcmap where sam_prv_id = ?"_s, {supplier}).toLongLong(), 0);
    QCOMPARE(db->scalar(u"select count(*) from CRM_FOREIGNPRICE where fp_par_id = ?"_s, {supplier}).toLongLong(), 0);
    const QList<Product> products = productsOf(*db);
    QCOMPARE(products.size(), 40);
    QCOMPARE(products.first().article, u"PS-0000001"_s);
    // The other volume data is all there, and the key generators are past the supplier's rows.
    QVERIFY(db->scalar(u"select count(*) from crm_product"_s).toLongLong() > 2500);
    const qint64 maxProduct = db->scalar(u"select max(PR_ID) from crm_product"_s).toLongLong();
    const qint64 added = db->insertReturning(u"insert into crm_product (PR_ARTICUL, PR_NAME) values ('X-1', 'Новый')"_s,
                                             u"PR_ID"_s);
    QVERIFY(added > maxProduct);
    db->exec(u"insert into _partner (N_USER, NAME_USER, MY_ORGANIZ) values ('NEW', 'Новый', 'Т')"_s);
    db->insertReturning(u"insert into scm_partner (par_nuser) values ('NEW')"_s, u"par_ID"_s);

    // The price file through the command, in each of its forms.
    const QString csv = t.tempPath() + u"/price.csv"_s, cp = t.tempPath() + u"/price-1251.txt"_s,
                  xlsx = t.tempPath() + u"/price.xlsx"_s;
    auto w = admin(QStringList{u"price-file"_s, csv} + t.overrides());
    QVERIFY2(w.exitCode == 0, qPrintable(w.err));
    QVERIFY2(w.out.contains(u"строк 40"_s), qPrintable(w.out));
    checkRows(readCsv(csv), products, 0);
    w = admin(QStringList{u"price-file"_s, cp, u"--encoding"_s, u"windows-1251"_s, u"--round"_s, u"3"_s} + t.overrides());
    QVERIFY2(w.exitCode == 0, qPrintable(w.err));
    priceimport::CsvPriceReader::Encoding detected{};
    checkRows(readCsv(cp, &detected), products, 3);
    QCOMPARE(detected, priceimport::CsvPriceReader::Encoding::Windows1251);
    w = admin(QStringList{u"price-file"_s, xlsx, u"--round"_s, u"1"_s} + t.overrides());
    QVERIFY2(w.exitCode == 0, qPrintable(w.err));
    checkRows(readXlsx(xlsx), products, 1);
    // A second supplier of the same kind is refused: its products would be mixed with the first's.
    try {
        Transaction tx(*db);
        VolumePriceSupplier::run(*db, 5);
        QFAIL("a second price-list supplier was added");
    } catch (const Exception& e) {
        QVERIFY2(e.message().contains(code), qPrintable(e.message()));
    }
    QCOMPARE(productsOf(*db).size(), 40);
}

void tst_PriceSupplierFile::filesReadBackWithTheSameRows()
{
    Test::TestDatabase t;
    Database& db = t.db();
    {
        Transaction tx(db);
        VolumePriceSupplier::run(db, 1200);
        tx.commit();
    }
    const QList<Product> products = productsOf(db);
    QCOMPARE(products.size(), 1200);
    VolumePriceSupplier::FileOptions o;
    const QString utf8 = t.tempPath() + u"/u.csv"_s;
    QCOMPARE(VolumePriceSupplier::writeFile(db, utf8, o), 1200);
    priceimport::CsvPriceReader::Encoding detected{};
    checkRows(readCsv(utf8, &detected), products, 0);
    QCOMPARE(detected, priceimport::CsvPriceReader::Encoding::Utf8);

    // windows-1251: one byte per Cyrillic letter, decoded back by the reader's own guess.
    o.windows1251 = true;
    o.round = 2;
    const QString cp = t.tempPath() + u"/w.csv"_s;
    VolumePriceSupplier::writeFile(db, cp, o);
    QFile f(cp);
    QVERIFY(f.open(QIODevice::ReadOnly));
    const QByteArray head = f.read(16);
    QCOMPARE(head.left(7), QByteArray("\xc0\xf0\xf2\xe8\xea\xf3\xeb")); // "Артикул"
    QVERIFY(!priceimport::isValidUtf8(head.constData(), std::size_t(head.size())));
    checkRows(readCsv(cp, &detected), products, 2);
    QCOMPARE(detected, priceimport::CsvPriceReader::Encoding::Windows1251);

    // .xlsx: a workbook of stored numbers and shared strings the streaming reader takes.
    o = {};
    o.format = VolumePriceSupplier::FileFormat::Xlsx;
    o.round = 4;
    const QString book = t.tempPath() + u"/b.xlsx"_s;
    QCOMPARE(VolumePriceSupplier::writeFile(db, book, o), 1200);
    checkRows(readXlsx(book), products, 4);
    // Each edition moves every price.
    for (qint64 line : {0, 1, 999, 123456})
        for (int k = 0; k < 3; ++k)
            QVERIFY(VolumePriceSupplier::price(line, k, 1) != VolumePriceSupplier::price(line, k, 0));
}

void tst_PriceSupplierFile::priceFileRefusesWhatItCannotWrite()
{
    Test::TestDatabase t;
    t.db();
    const QString path = t.tempPath() + u"/none.csv"_s;
    // No supplier yet: a clear message, no file.
    auto r = admin(QStringList{u"price-file"_s, path} + t.overrides());
    QCOMPARE(r.exitCode, 1);
    QVERIFY2(r.err.contains(u"--price-supplier"_s), qPrintable(r.err));
    QVERIFY(!QFile::exists(path));
    // Options it does not know, and windows-1251 for a workbook, give the usage text.
    for (const QStringList& bad : {QStringList{u"price-file"_s}, QStringList{u"price-file"_s, path, u"--format"_s, u"ods"_s},
                                   QStringList{u"price-file"_s, u"p.xlsx"_s, u"--encoding"_s, u"windows-1251"_s},
                                   QStringList{u"price-file"_s, path, u"--round"_s, u"-1"_s}}) {
        r = admin(bad + t.overrides());
        QCOMPARE(r.exitCode, 2);
        QVERIFY2(r.err.contains(u"--encoding"_s), qPrintable(r.err));
    }
    QCOMPARE(admin(QStringList{u"generate"_s, u"--scale"_s, u"0.001"_s, u"--price-supplier"_s, u"0"_s} + t.overrides()).exitCode, 2);
}

QTEST_GUILESS_MAIN(tst_PriceSupplierFile)
#include "tst_pricesupplierfile.moc"
