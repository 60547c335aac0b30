#pragma once

#include "AddIn/addinregistry.h"
#include "catalog/import/priceimportprompts.h"
#include "catalog/import/priceimportrun.h"
#include "catalog/import/thostcomponent.h"
#include "core/apppaths.h"
#include "core/inifile.h"
#include "data/engine/database.h"
#include "data/engine/money.h"
#include "data/engine/query.h"
#include "support/testdatabase.h"
#include "support/testenvironment.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>
#include <deque>
#include <functional>

namespace Tarvo::Test {

// Answers of a user, given in advance.
class ScriptedPrompts : public Catalog::PriceImportPrompts
{
public:
    std::deque<Choice> choices;                           // one per unknown article asked
    std::function<Choice(const QString&)> byArticle;      // else this, when set
    std::deque<bool> replaceAnswers;
    bool saveAnswer = true;
    std::deque<bool> retryAnswers;
    bool stopAfterRows = false;
    qint64 stopAt = 0;
    std::function<void()> atSaveQuestion, atRetry; // what other workstations do meanwhile

    QStringList asked, failures, saveTexts, saveDetails, retryTexts, savedTexts, replaceAsked;
    QList<bool> saveDefaults;
    qint64 lastProgress = 0;

    Choice choose(const QString& article, const QString&) override
    {
        asked << article;
        if (!choices.empty()) {
            Choice c = choices.front();
            choices.pop_front();
            return c;
        }
        if (byArticle)
            return byArticle(article);
        return {Choice::Skip, 0};
    }
    bool replaceArticle(const QString& other) override
    {
        replaceAsked << other;
        if (replaceAnswers.empty())
            return false;
        const bool a = replaceAnswers.front();
        replaceAnswers.pop_front();
        return a;
    }
    void progress(qint64 rows, qint64) override { lastProgress = rows; }
    bool stopRequested() override { return stopAt > 0 && lastProgress >= stopAt; }
    void failure(const QString& text) override { failures << text; }
    bool confirmSave(const QString& text, const QString& details, bool defaultYes) override
    {
        saveTexts << text;
        saveDetails << details;
        saveDefaults << defaultYes;
        if (atSaveQuestion)
            atSaveQuestion();
        return saveAnswer;
    }
    bool retrySave(const QString& text) override
    {
        retryTexts << text;
        if (atRetry)
            atRetry();
        if (retryAnswers.empty())
            return false;
        const bool a = retryAnswers.front();
        retryAnswers.pop_front();
        return a;
    }
    void saved(const QString& text) override { savedTexts << text; }

    static Choice product(qint64 id) { return {Choice::Product, id}; }
    static Choice skip() { return {Choice::Skip, 0}; }
    static Choice deferAll() { return {Choice::DeferAll, 0}; }
    static Choice abort() { return {Choice::Abort, 0}; }
};

// A supplier, currencies and products; files in a folder of their own.
class PriceFixture
{
public:
    TestDatabase tdb;
    Data::Database& db;
    QTemporaryDir dir;
    qint64 p1 = 0, p2 = 0, p3 = 0;

    PriceFixture() : db(tdb.db())
    {
        isolateUserFolders(dir.filePath(QStringLiteral("home")));
        if (AddIn::AddInRegistry::types().isEmpty())
            AddIn::AddInRegistry::registerStandard();
        db.exec(QStringLiteral("insert into _partner (N_USER, NAME_USER, MY_ORGANIZ) values (?, ?, ?)"),
                {QStringLiteral("SUP1"), QStringLiteral("Поставщик один"), QStringLiteral("Т")});
        db.exec(QStringLiteral("insert into _partner (N_USER, NAME_USER, MY_ORGANIZ) values (?, ?, ?)"),
                {QStringLiteral("SUP2"), QStringLiteral("Поставщик два"), QStringLiteral("Т")});
        db.exec(QStringLiteral("insert into VALUTCOD (CODVALUT, NAMEVALUT) values ('USD', 'Доллар'), "
                               "('EUR', 'Евро')"));
        p1 = product(QStringLiteral("P-1"), QStringLiteral("Болт"));
        p2 = product(QStringLiteral("P-2"), QStringLiteral("Гайка"));
        p3 = product(QStringLiteral("P-3"), QStringLiteral("Шайба"));
    }

    qint64 product(const QString& article, const QString& name)
    {
        return db.insertReturning(QStringLiteral("insert into crm_product (PR_ARTICUL, PR_NAME) values (?, ?)"),
                                  QStringLiteral("PR_ID"), {article, name});
    }

    QString file(const QString& name, const QByteArray& bytes)
    {
        const QString path = dir.filePath(name);
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(bytes) != bytes.size())
            qFatal("cannot write %s", qPrintable(path));
        return path;
    }

    // The CSV import of SUP1 with article, name, price, currency, delivery delay and "ЦЕНА:EXW".
    Catalog::TFPPrice entry(const QString& path, const QByteArray& initData = "csv")
    {
        Catalog::TFPPrice e;
        e.supplierName = QStringLiteral("SUP1");
        e.libName = QStringLiteral("tarvo_price_import.so");
        e.initData = initData;
        e.prgName = QStringLiteral("Прайс-лист CSV/TXT (кодировка по файлу)");
        e.sourceName = path;
        e.columns = {{QStringLiteral("АРТИКУЛ_ПОСТАВЩИКА"), 0}, {QStringLiteral("ИМЯ_ТОВАРА"), 1},
                     {QStringLiteral("ЦЕНА"), 2},               {QStringLiteral("ВАЛЮТА"), 3},
                     {QStringLiteral("ЗАДЕРЖКА_ВЫПОЛНЕНИЯ"), 4}, {QStringLiteral("ЦЕНА:EXW"), 5}};
        return e;
    }

    Catalog::PriceImportRun::Outcome run(const Catalog::TFPPrice& e, ScriptedPrompts& prompts)
    {
        return run(db, e, prompts);
    }
    static Catalog::PriceImportRun::Outcome run(Data::Database& on, const Catalog::TFPPrice& e,
                                                ScriptedPrompts& prompts)
    {
        return Catalog::PriceImportRun(on, prompts).run(e);
    }

    qint64 count(const QString& sql, const QVariantList& params = {})
    {
        return db.scalar(sql, params).toLongLong();
    }
    qint64 supplierId()
    {
        return count(QStringLiteral("select coalesce(max(par_ID), 0) from scm_partner where par_nuser = 'SUP1'"));
    }
    // The offer of a product: article, name, price, currency, delivery delay.
    QVariantList offer(qint64 product)
    {
        Data::Query q(db, QStringLiteral("select sam_artc, sam_name, sam_price, sam_codval, sam_deliverydelay "
                                         "from scm_artcmap where sam_pr_id = ? and sam_prv_id = ?"));
        q.bindAll({product, supplierId()}).exec();
        if (!q.next())
            return {};
        return {q.string(0), q.string(1), q.money(2).toString(), q.value(3), q.integer(4)};
    }
    QString price(qint64 product, const QString& kind)
    {
        Data::Query q(db, QStringLiteral("select fp_price from CRM_FOREIGNPRICE f join scm_pricename n on "
                                         "n.prn_id = f.fp_prn_id where f.fp_pr_id = ? and n.prn_name = ?"));
        q.bindAll({product, kind}).exec();
        return q.next() ? q.money(0).toString() : QString();
    }
};

} // namespace Tarvo::Test
