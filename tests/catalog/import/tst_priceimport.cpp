// A price-list run through the shipped CSV module, on both engines (TestDatabase).
#include "pricefixture.h"

#include "catalog/import/priceimportsession.h"
#include "catalog/import/t1partnerimport.h"
#include "core/exception.h"

#include "workbookfiles.h"

#include <atomic>
#include <csignal>
#include <sys/resource.h>
#include <thread>

using namespace Tarvo;
using namespace Tarvo::Test;
using namespace Qt::Literals::StringLiterals;
using Choice = Catalog::PriceImportPrompts::Choice;

namespace {

QByteArray lines(const QStringList& l)
{
    return (l.join(u"\r\n"_s) + u"\r\n"_s).toUtf8();
}

// A minimal workbook whose sheet ends in the middle of a row after `rows` whole rows.
void brokenWorkbook(const QString& path, int rows)
{
    QByteArray sheet = R"(<?xml version="1.0"?><worksheet><sheetData>)";
    for (int i = 1; i <= rows; ++i)
        sheet += QStringLiteral(R"(<row r="%1"><c r="A%1" t="inlineStr"><is><t>X-%1</t></is></c><c r="C%1"><v>%1.5</v></c></row>)")
                     .arg(i)
                     .toUtf8();
    sheet += R"(<row r="99"><c r="A99" t="inlineStr"><is><t>Y)";
    writeWorkbook(path, sheet);
}

} // namespace

class tst_PriceImport : public QObject
{
    Q_OBJECT

private slots:
    void firstImportDefersAndReimportKeepsWhatTheFileLacks();
    void noWritesBeforeYes();
    void repeatedArticleAskedOnceLaterLineWins();
    void secondArticleForAProductAsksToReplace();
    void valuesThatDoNotFitAreReportedAtTheRow();
    void priceNamesAreBoundCreatedOnceAndReused();
    void moduleFailureIsShownThenAskedWithNoByDefault();
    void deletedProductIsNamedAndTheRestSaved();
    void busyDatabaseKeepsTheRowsForTheRepeat();
    void connectionLostInTheSaveKeepsTheRowsForTheRepeat();
    void abortStillAsks();
    void runsRefusedBeforeAnyModuleOpens();
    void rowImporterRefusesAnotherSupplierAndEarlyPrice();
    void storedListKeepsEveryPropertyAndAsksOnConflict();
    void fullDiskForTheRowsIsAClearErrorAndNothingSaved();
    void aLargeSaveLeavesFreshStatistics();
};

void tst_PriceImport::firstImportDefersAndReimportKeepsWhatTheFileLacks()
{
    PriceFixture f;
    const QString path = f.file(u"price.csv"_s, lines({u"Прайс-лист поставщика"_s,
                                                        u"Артикул;Наименование;Цена;Валюта;Срок;EXW"_s,
                                                        u"A-1;Болт М8;12,50;USD;5;11,00"_s,
                                                        u"A-2;Гайка М8;1 234,56;руб;;1000"_s,
                                                        u"A-3;Шайба;3.5;EUR;2;"_s,
                                                        u"A-4;Новинка;7;usd;;6"_s,
                                                        u"A-5;Ещё новинка;8;;;"_s}));
    ScriptedPrompts prompts;
    prompts.choices = {ScriptedPrompts::product(f.p1), ScriptedPrompts::product(f.p2), ScriptedPrompts::skip(),
                       ScriptedPrompts::deferAll()};
    const auto out = f.run(f.entry(path), prompts);
    QVERIFY2(prompts.failures.isEmpty(), qPrintable(prompts.failures.join(u'\n')));
    QCOMPARE(prompts.asked, (QStringList{u"A-1"_s, u"A-2"_s, u"A-3"_s, u"A-4"_s}));
    QCOMPARE(prompts.saveTexts.value(0), u"Подготовленно товаров : 2\nЖелаете сохранить их в базу?"_s);
    QVERIFY(prompts.saveDefaults.value(0));
    QVERIFY(out.saved);
    QCOMPARE(prompts.savedTexts, QStringList{u"Сохранение законченно."_s});
    QCOMPARE(out.deferred, 2);

    QVERIFY(f.supplierId() > 0);
    QCOMPARE(f.offer(f.p1), (QVariantList{u"A-1"_s, u"Болт М8"_s, u"12.5000"_s, u"USD"_s, 5}));
    const QVariantList o2 = f.offer(f.p2);
    QCOMPARE(o2.value(2).toString(), u"1234.5600"_s);
    QVERIFY(o2.value(3).isNull()); // roubles: no currency code
    QVERIFY(f.offer(f.p3).isEmpty());
    QCOMPARE(f.price(f.p1, u"EXW"_s), u"11.0000"_s);
    QCOMPARE(f.price(f.p2, u"EXW"_s), u"1000.0000"_s);
    QCOMPARE(f.count(u"select count(*) from scm_pricename where prn_name = 'EXW'"_s), 1);
    QCOMPARE(f.count(u"select count(*) from scm_unhand_prod where uhp_par_id = ?"_s, {f.supplierId()}), 2);
    QCOMPARE(f.db.scalar(u"select uhp_codval from scm_unhand_prod where uhp_artc = 'A-4'"_s).toString(), u"USD"_s);
    QCOMPARE(f.count(u"select count(*) from scm_unhand_price p join scm_unhand_prod u on u.uhp_id = p.uhn_uhp_id "
                     u"where u.uhp_artc = 'A-4'"_s),
             1);

    // A name and delay set by hand stay when the next file has no such columns.
    f.db.exec(u"update scm_artcmap set sam_name = 'Ручное имя', sam_deliverydelay = 9 where sam_pr_id = ?"_s, {f.p1});
    const QString again = f.file(u"again.csv"_s, lines({u"Артикул;Цена;EXW"_s, u"a-1 ;13,00;12,00"_s}));
    Catalog::TFPPrice e = f.entry(again);
    e.columns = {{u"АРТИКУЛ_ПОСТАВЩИКА"_s, 0}, {u"ЦЕНА"_s, 1}, {u"ЦЕНА:EXW"_s, 2}};
    ScriptedPrompts second;
    QVERIFY(f.run(e, second).saved);
    QVERIFY(second.asked.isEmpty()); // matched trimmed and without case
    const QVariantList o1 = f.offer(f.p1);
    QCOMPARE(o1.value(1).toString(), u"Ручное имя"_s);
    QCOMPARE(o1.value(2).toString(), u"13.0000"_s);
    QCOMPARE(o1.value(4).toLongLong(), 9);
    QCOMPARE(f.price(f.p1, u"EXW"_s), u"12.0000"_s);
    QCOMPARE(o1.value(0).toString(), u"a-1"_s); // the file's spelling is kept
    QCOMPARE(f.count(u"select count(*) from scm_artcmap"_s), 2);

    // The same spelling again: only the price moves.
    const QString third = f.file(u"third.csv"_s, lines({u"Артикул;Цена;EXW"_s, u"a-1;14,00;13,00"_s}));
    e.sourceName = third;
    ScriptedPrompts once;
    QVERIFY(f.run(e, once).saved);
    QCOMPARE(f.offer(f.p1).value(0).toString(), u"a-1"_s);
    QCOMPARE(f.offer(f.p1).value(2).toString(), u"14.0000"_s);
    QCOMPARE(f.price(f.p1, u"EXW"_s), u"13.0000"_s);

    // A column some rows leave empty: those keep their stored value, the others take the file's.
    const QString fourth = f.file(u"fourth.csv"_s, lines({u"Артикул;Цена;Срок"_s, u"a-1;15,00;"_s, u"A-2;2;4"_s}));
    e.sourceName = fourth;
    e.columns = {{u"АРТИКУЛ_ПОСТАВЩИКА"_s, 0}, {u"ЦЕНА"_s, 1}, {u"ЗАДЕРЖКА_ВЫПОЛНЕНИЯ"_s, 2}};
    ScriptedPrompts mixed;
    QVERIFY(f.run(e, mixed).saved);
    QCOMPARE(f.offer(f.p1).value(4).toLongLong(), 9);
    QCOMPARE(f.offer(f.p1).value(1).toString(), u"Ручное имя"_s);
    QCOMPARE(f.offer(f.p2).value(4).toLongLong(), 4);
    QCOMPARE(f.offer(f.p2).value(2).toString(), u"2.0000"_s);
}

void tst_PriceImport::noWritesBeforeYes()
{
    PriceFixture f;
    const QString path = f.file(u"p.csv"_s, lines({u"A-1;Болт;1;;;2"_s, u"A-9;Новое;1;;;"_s}));
    ScriptedPrompts prompts;
    prompts.choices = {ScriptedPrompts::product(f.p1), ScriptedPrompts::deferAll()};
    prompts.saveAnswer = false;
    QVERIFY(!f.run(f.entry(path), prompts).saved);
    QCOMPARE(prompts.saveTexts.size(), 1);
    for (const char* t : {"scm_partner", "scm_artcmap", "CRM_FOREIGNPRICE", "scm_pricename", "scm_unhand_prod"})
        QCOMPARE(f.count(u"select count(*) from "_s + QLatin1String(t)), 0);
}

void tst_PriceImport::repeatedArticleAskedOnceLaterLineWins()
{
    PriceFixture f;
    const QString path = f.file(u"p.csv"_s, lines({u"A-1;Болт;1;;;2"_s, u"A-7;Пропуск;1;;;"_s, u"A-1;Болт;3;;;4"_s,
                                                    u"A-7;Пропуск;2;;;"_s, u"A-1;Болт;5;;;6"_s}));
    ScriptedPrompts prompts;
    prompts.choices = {ScriptedPrompts::product(f.p1), ScriptedPrompts::skip()};
    QVERIFY(f.run(f.entry(path), prompts).saved);
    QCOMPARE(prompts.asked, (QStringList{u"A-1"_s, u"A-7"_s}));
    QCOMPARE(prompts.saveTexts.value(0).section(u'\n', 0, 0), u"Подготовленно товаров : 1"_s);
    QCOMPARE(f.count(u"select count(*) from scm_artcmap"_s), 1);
    QCOMPARE(f.offer(f.p1).value(2).toString(), u"5.0000"_s);
    QCOMPARE(f.price(f.p1, u"EXW"_s), u"6.0000"_s);
}

void tst_PriceImport::secondArticleForAProductAsksToReplace()
{
    PriceFixture f;
    ScriptedPrompts first;
    first.choices = {ScriptedPrompts::product(f.p1)};
    QVERIFY(f.run(f.entry(f.file(u"a.csv"_s, lines({u"OLD;Болт;1;;;"_s}))), first).saved);

    // NEW is offered for p1, refused; then p2 is taken. NEW2 replaces OLD after a yes.
    ScriptedPrompts prompts;
    prompts.choices = {ScriptedPrompts::product(f.p1), ScriptedPrompts::product(f.p2),
                       ScriptedPrompts::product(f.p1)};
    prompts.replaceAnswers = {false, true};
    QVERIFY(f.run(f.entry(f.file(u"b.csv"_s, lines({u"NEW;Гайка;2;;;"_s, u"NEW2;Болт;3;;;"_s}))), prompts).saved);
    QCOMPARE(prompts.replaceAsked, (QStringList{u"OLD"_s, u"OLD"_s}));
    QCOMPARE(f.offer(f.p2).value(0).toString(), u"NEW"_s);
    QCOMPARE(f.offer(f.p1).value(0).toString(), u"NEW2"_s);
    QCOMPARE(f.count(u"select count(*) from scm_artcmap"_s), 2);
}

void tst_PriceImport::valuesThatDoNotFitAreReportedAtTheRow()
{
    PriceFixture f;
    const QString longName = QString(300, u'Я');
    const QString path = f.file(u"p.csv"_s, lines({u"%1;Длинный;1;;;"_s.arg(QString(51, u'X')), u"A-2;Валюта;1;GBP;;"_s,
                                                    u"A-3;Срок;1;;40000;"_s, u"A-4;Цена;abc;;;"_s,
                                                    u"A-1;%1;2;;;"_s.arg(longName)}));
    Catalog::TFPPrice e = f.entry(path);
    e.columns << Catalog::TColumnMapping{u"ЦЕНА:%1"_s.arg(QString(31, u'Ц')), 6};
    ScriptedPrompts prompts;
    prompts.byArticle = [&](const QString& a) {
        return a == u"A-1"_s ? ScriptedPrompts::product(f.p1) : ScriptedPrompts::product(f.p2);
    };
    QVERIFY(f.run(e, prompts).saved);
    const QString details = prompts.saveDetails.value(0);
    QVERIFY2(details.contains(u"длиннее 50"_s), qPrintable(details));
    QVERIFY2(details.contains(u"GBP"_s), qPrintable(details));
    QVERIFY2(details.contains(u"40000"_s), qPrintable(details));
    QVERIFY2(details.contains(u"Строка файла 4"_s) && details.contains(u"abc"_s), qPrintable(details));
    QCOMPARE(f.count(u"select count(*) from scm_artcmap"_s), 1);
    QCOMPARE(f.offer(f.p1).value(1).toString(), QString(250, u'Я'));
}

void tst_PriceImport::priceNamesAreBoundCreatedOnceAndReused()
{
    PriceFixture f;
    f.db.exec(u"insert into scm_pricename (prn_name) values ('EXW')"_s);
    const QString path = f.file(u"p.csv"_s, lines({u"A-1;Болт;1;;;2;3"_s, u"A-2;Гайка;1;;;4;5"_s}));
    Catalog::TFPPrice e = f.entry(path);
    e.columns << Catalog::TColumnMapping{u"ЦЕНА:O'Neil"_s, 6};
    ScriptedPrompts prompts;
    prompts.choices = {ScriptedPrompts::product(f.p1), ScriptedPrompts::product(f.p2)};
    QVERIFY(f.run(e, prompts).saved);
    QCOMPARE(f.count(u"select count(*) from scm_pricename"_s), 2);
    QCOMPARE(f.price(f.p1, u"O'Neil"_s), u"3.0000"_s);
    QCOMPARE(f.price(f.p2, u"O'Neil"_s), u"5.0000"_s);
    QCOMPARE(f.price(f.p2, u"EXW"_s), u"4.0000"_s);
}

void tst_PriceImport::moduleFailureIsShownThenAskedWithNoByDefault()
{
    PriceFixture f;
    const QString path = f.dir.filePath(u"broken.xlsx"_s);
    brokenWorkbook(path, 3);
    Catalog::TFPPrice e = f.entry(path, "excel");
    e.columns = {{u"АРТИКУЛ_ПОСТАВЩИКА"_s, 0}, {u"ЦЕНА"_s, 2}};
    ScriptedPrompts prompts;
    prompts.byArticle = [&](const QString&) { return ScriptedPrompts::deferAll(); };
    prompts.saveAnswer = false;
    const auto out = f.run(e, prompts);
    QCOMPARE(prompts.failures.size(), 1);
    QVERIFY2(prompts.failures[0].contains(u"повреждена"_s), qPrintable(prompts.failures[0]));
    QCOMPARE(prompts.saveDefaults, QList<bool>{false});
    QVERIFY2(prompts.saveTexts[0].contains(u"только до строки 3"_s), qPrintable(prompts.saveTexts[0]));
    QVERIFY(!out.saved);
    QCOMPARE(f.count(u"select count(*) from scm_unhand_prod"_s), 0);
}

void tst_PriceImport::deletedProductIsNamedAndTheRestSaved()
{
    PriceFixture f;
    const QString path = f.file(u"p.csv"_s, lines({u"A-1;Болт;1;;;"_s, u"A-3;Шайба;2;;;"_s}));
    ScriptedPrompts prompts;
    prompts.byArticle = [&](const QString& a) {
        if (a == u"A-3"_s) {
            // Another workstation deletes the product right after it was chosen.
            f.db.exec(u"delete from crm_product where PR_ID = ?"_s, {f.p3});
            return ScriptedPrompts::product(f.p3);
        }
        return ScriptedPrompts::product(f.p1);
    };
    prompts.retryAnswers = {true};
    QVERIFY(f.run(f.entry(path), prompts).saved);
    QCOMPARE(prompts.retryTexts.size(), 1);
    QVERIFY2(prompts.retryTexts[0].contains(u"A-3"_s), qPrintable(prompts.retryTexts[0]));
    QCOMPARE(f.count(u"select count(*) from scm_artcmap"_s), 1);
    QCOMPARE(f.offer(f.p1).value(0).toString(), u"A-1"_s);
}

// Another workstation holds the tables while the user answers Yes: the save runs out of time,
// and the repeat, once it has finished, saves every row.
void tst_PriceImport::busyDatabaseKeepsTheRowsForTheRepeat()
{
    PriceFixture f;
    const QString path = f.file(u"p.csv"_s, lines({u"A-1;Болт;1;;;5"_s, u"A-2;Гайка;2;;;6"_s}));
    Data::ConnectionSettings s = f.tdb.settings();
    s.commandTimeout = 1;
    Data::Database importer(s);
    importer.open();
    const auto other = f.tdb.connectAgain();
    ScriptedPrompts prompts;
    prompts.byArticle = [&](const QString& a) { return ScriptedPrompts::product(a == u"A-1"_s ? f.p1 : f.p2); };
    prompts.atSaveQuestion = [&] {
        other->beginTransaction();
        other->lockName(u"scm_pricename:EXW"_s); // the server waits on this
        other->exec(u"insert into scm_pricename (prn_name) values ('чужой')"_s); // SQLite on this
    };
    prompts.atRetry = [&] { other->rollback(); };
    prompts.retryAnswers = {true};
    QVERIFY(PriceFixture::run(importer, f.entry(path), prompts).saved);
    QCOMPARE(prompts.retryTexts.size(), 1);
    QVERIFY2(prompts.retryTexts[0].startsWith(u"Сохранение не выполнено: "_s) &&
                 prompts.retryTexts[0].contains(u"Подготовленные строки не потеряны"_s),
             qPrintable(prompts.retryTexts[0]));
    QCOMPARE(prompts.savedTexts, QStringList{u"Сохранение законченно."_s});
    QCOMPARE(f.offer(f.p1).value(0).toString(), u"A-1"_s);
    QCOMPARE(f.price(f.p2, u"EXW"_s), u"6.0000"_s);
    QCOMPARE(f.count(u"select count(*) from scm_pricename where prn_name = 'EXW'"_s), 1);
}

// The server restarted under a running client: the repeat opens a new connection and saves.
void tst_PriceImport::connectionLostInTheSaveKeepsTheRowsForTheRepeat()
{
    if (TestDatabase::engine() != Data::Engine::PostgreSQL)
        QSKIP("only a server drops connections");
    PriceFixture f;
    const QString path = f.file(u"p.csv"_s, lines({u"A-1;Болт;1;;;5"_s, u"A-2;Гайка;2;;;6"_s}));
    const auto other = f.tdb.connectAgain();
    const qint64 pid = f.db.scalar(u"select pg_backend_pid()"_s).toLongLong();
    std::thread cut;
    std::atomic<bool> cutDone = false;
    // A failed case still ends the thread: a save that never waits is not waited for.
    const auto endCut = qScopeGuard([&] {
        cutDone = true;
        if (cut.joinable())
            cut.join();
    });
    ScriptedPrompts prompts;
    prompts.byArticle = [&](const QString& a) { return ScriptedPrompts::product(a == u"A-1"_s ? f.p1 : f.p2); };
    prompts.atSaveQuestion = [&] {
        other->beginTransaction();
        other->lockName(u"scm_pricename:EXW"_s);
        // Cut once the save waits inside its transaction.
        cut = std::thread([&] {
            const auto admin = f.tdb.connectAgain(); // a connection belongs to its thread
            while (!cutDone &&
                   admin->scalar(u"select count(*) from pg_stat_activity where pid = ? and wait_event_type = 'Lock'"_s,
                                 {pid})
                           .toInt() == 0)
                std::this_thread::yield();
            if (!cutDone)
                admin->exec(u"select pg_terminate_backend(?)"_s, {pid});
            cutDone = true;
        });
    };
    prompts.atRetry = [&] {
        cutDone = true;
        cut.join();
        other->rollback();
    };
    prompts.retryAnswers = {true};
    QVERIFY(f.run(f.entry(path), prompts).saved);
    QCOMPARE(prompts.retryTexts.size(), 1);
    QVERIFY2(prompts.retryTexts[0].contains(u"Соединение с сервером базы данных потеряно"_s),
             qPrintable(prompts.retryTexts[0]));
    QCOMPARE(f.offer(f.p2).value(0).toString(), u"A-2"_s);
    QCOMPARE(f.price(f.p1, u"EXW"_s), u"5.0000"_s);
}

void tst_PriceImport::abortStillAsks()
{
    PriceFixture f;
    const QString path = f.file(u"p.csv"_s, lines({u"A-1;Болт;1;;;"_s, u"A-2;Гайка;2;;;"_s, u"A-3;Шайба;2;;;"_s}));
    ScriptedPrompts prompts;
    prompts.choices = {ScriptedPrompts::product(f.p1), ScriptedPrompts::abort()};
    QVERIFY(f.run(f.entry(path), prompts).saved);
    QCOMPARE(prompts.asked, (QStringList{u"A-1"_s, u"A-2"_s}));
    QCOMPARE(prompts.saveTexts.size(), 1);
    QCOMPARE(f.count(u"select count(*) from scm_artcmap"_s), 1);
}

void tst_PriceImport::runsRefusedBeforeAnyModuleOpens()
{
    PriceFixture f;
    const QString path = f.file(u"p.csv"_s, lines({u"A-1;Болт;1;;;"_s}));
    const auto refused = [&](Catalog::TFPPrice e, const QString& part) {
        ScriptedPrompts prompts;
        try {
            f.run(e, prompts);
        } catch (const Exception& ex) {
            QVERIFY2(ex.message().contains(part), qPrintable(ex.message()));
            QVERIFY(prompts.saveTexts.isEmpty());
            return;
        }
        QFAIL("the run was not refused");
    };
    Catalog::TFPPrice e = f.entry(path);
    e.supplierName.clear();
    refused(e, u"не выбран поставщик"_s);
    e = f.entry(path);
    e.libName.clear();
    refused(e, u"не выбрана программа"_s);
    e = f.entry(path);
    e.supplierName = u"GONE"_s;
    refused(e, u"GONE"_s);
    refused(f.entry(f.dir.filePath(u"missing.csv"_s)), u"не найден"_s);
    QCOMPARE(f.count(u"select count(*) from scm_partner"_s), 0);
}

void tst_PriceImport::rowImporterRefusesAnotherSupplierAndEarlyPrice()
{
    PriceFixture f;
    ScriptedPrompts prompts;
    prompts.byArticle = [&](const QString&) { return ScriptedPrompts::product(f.p1); };
    Catalog::PriceImportSession session(f.db, u"SUP1"_s, prompts);
    auto* importer = new Catalog::T1PartnerImport(session);
    QVERIFY(tarvo::failed(importer->AddPrice("EXW", 10000)));
    QCOMPARE(importer->hostFailure(), u"Перед вызовом метода addPrice, необходимо \n\rвызвать метод assignProduct."_s);
    importer->Release();

    importer = new Catalog::T1PartnerImport(session);
    std::int32_t id = 0;
    QVERIFY(tarvo::succeeded(importer->GetSupplierId("", &id)));
    QCOMPARE(id, -1); // no scm_partner row before the save
    QVERIFY(tarvo::failed(importer->GetSupplierId("SUP2", &id)));
    QVERIFY(importer->hostFailure().contains(u"SUP2"_s));
    QVERIFY(tarvo::failed(importer->AssignProduct(42, "", 10000, "A-1")));
    // The three row importer interfaces are one object.
    void* p = nullptr;
    QVERIFY(tarvo::succeeded(importer->QueryInterface(tarvo::IID_IRowImporterNoCommit, &p)));
    static_cast<tarvo::IUnknown*>(p)->Release();
    QVERIFY(tarvo::succeeded(importer->QueryInterface(tarvo::IID_IRowImporterByName, &p)));
    static_cast<tarvo::IRowImporterByName*>(p)->AssignProductByName("Болт", "", 15000, "A-1");
    static_cast<tarvo::IUnknown*>(p)->Release();
    QCOMPARE(prompts.asked, QStringList{u"A-1"_s});
    // A value set as a double: x10000 rounded half away from zero.
    QVERIFY(tarvo::succeeded(importer->SetFloat(tarvo::FieldMinLot, -2.00005)));
    QVERIFY(tarvo::succeeded(importer->SetFloat(tarvo::FieldPiecesPerPack, std::nan(""))));
    session.finish();
    QCOMPARE(session.store().count(), 0); // the NaN rejected the row
    QCOMPARE(session.reported(), 1);
    importer->disconnect();
    importer->Release();
    QCOMPARE(f.count(u"select count(*) from scm_partner"_s), 0);
}

void tst_PriceImport::storedListKeepsEveryPropertyAndAsksOnConflict()
{
    PriceFixture f;
    Catalog::THostComponent list;
    list.load(f.db);
    QVERIFY(list.prices().isEmpty());
    Catalog::TFPPrice e = f.entry(u"/tmp/p.csv"_s);
    QByteArray bytes;
    for (int i = 0; i < 256; ++i)
        bytes += char(i);
    e.initData = bytes;
    list.prices() << e;
    QVERIFY(list.save(f.db, {}));

    Catalog::THostComponent other;
    other.load(f.db);
    QCOMPARE(other.prices().size(), 1);
    QCOMPARE(other.prices()[0].initData, bytes);
    QCOMPARE(other.prices()[0].columns.size(), 6);
    QCOMPARE(other.prices()[0].columns[5].name, u"ЦЕНА:EXW"_s);
    QCOMPARE(other.prices()[0].supplierName, u"SUP1"_s);

    // Another workstation saved meanwhile: asked, and a no writes nothing.
    other.prices().clear();
    QVERIFY(other.save(f.db, {}));
    list.prices() << e;
    bool asked = false;
    QVERIFY(!list.save(f.db, [&] { asked = true; return false; }));
    QVERIFY(asked);
    Catalog::THostComponent third;
    third.load(f.db);
    QCOMPARE(third.prices().size(), 0);

    // A property left out is its default: no ColumnID is column 0.
    third.fromText("object HostComponent: THostComponent\n  Prices = <\n    item\n      SupplierName = 'SUP1'\n"
                   "      Columns = <\n        item\n          Name = 'ЦЕНА'\n        end>\n    end>\nend\n");
    QCOMPARE(third.prices().value(0).columns.value(0).columnId, 0);
    QCOMPARE(Catalog::TFPPrice::columnLetter(0), u"A"_s);
    QCOMPARE(Catalog::TFPPrice::columnLetter(27), u"AB"_s);
}

void tst_PriceImport::fullDiskForTheRowsIsAClearErrorAndNothingSaved()
{
    PriceFixture f;
    QStringList rows{u"Артикул;Наименование;Цена;;;EXW"_s};
    for (int i = 0; i < 30000; ++i)
        rows << u"Z-%1;Товар номер %1 из длинного прайса;%1;;;5"_s.arg(i);
    const QString path = f.file(u"big.csv"_s, lines(rows));
    ScriptedPrompts prompts;
    prompts.choices = {ScriptedPrompts::deferAll()};

    // Files of this process may not grow past 256 KiB while the rows go to the temporary file:
    // a full disk as the import sees it.
    rlimit old{};
    getrlimit(RLIMIT_FSIZE, &old);
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = old;
    small.rlim_cur = 256 * 1024;
    QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    Catalog::PriceImportRun::Outcome out;
    try {
        out = f.run(f.entry(path), prompts);
    } catch (...) {
        setrlimit(RLIMIT_FSIZE, &old);
        throw;
    }
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);

    QCOMPARE(prompts.failures.size(), 1);
    QVERIFY2(prompts.failures[0].contains(u"Не удалось записать временный файл импорта"_s),
             qPrintable(prompts.failures[0]));
    QVERIFY2(prompts.failures[0].contains(u"в базу ничего не записано"_s), qPrintable(prompts.failures[0]));
    QVERIFY(prompts.saveTexts.isEmpty()); // no question: the rows are incomplete
    QVERIFY(!out.saved);
    QVERIFY(out.rows < 30000);
    QCOMPARE(f.count(u"select count(*) from scm_unhand_prod"_s), 0);
    QCOMPARE(f.supplierId(), 0);
}

void tst_PriceImport::aLargeSaveLeavesFreshStatistics()
{
    PriceFixture f;
    if (f.db.engine() == Data::Engine::SQLite)
        QSKIP("SQLite plans its per-row statements without table statistics");
    QStringList rows{u"Артикул;Наименование;Цена;;;EXW"_s};
    for (int i = 0; i < 1500; ++i)
        rows << u"S-%1;Товар %1;%1;;;5"_s.arg(i);
    ScriptedPrompts prompts;
    prompts.choices = {ScriptedPrompts::deferAll()};
    const auto statistics = [&](const QString& table) {
        return f.count(u"select count(*) from pg_stats where tablename = '%1'"_s.arg(table));
    };
    QCOMPARE(statistics(u"scm_unhand_prod"_s), 0);
    const Catalog::PriceImportRun::Outcome out = f.run(f.entry(f.file(u"many.csv"_s, lines(rows))), prompts);
    QVERIFY(out.saved);
    QCOMPARE(f.count(u"select count(*) from scm_unhand_prod"_s), 1500);
    // Without them a re-import soon after is planned as if the supplier had no rows.
    QVERIFY(statistics(u"scm_unhand_prod"_s) > 0);
    QVERIFY(statistics(u"scm_unhand_price"_s) > 0);
}

QTEST_MAIN(tst_PriceImport)
#include "tst_priceimport.moc"
