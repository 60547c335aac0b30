// A new user's price-list import from the main menu, on both engines (TestDatabase): the module
// registered, the import set up, run with every answer of the product choice, saved, run again,
// and a deferred article matched in "Разбор прайс-листов".
#include "pricefixture.h"

#include "AddIn/addinfixture.h"
#include "AddIn/ui/addinregistration.h"
#include "AddIn/ui/tfaddinconfig.h"
#include "catalog/import/ui/priceimportwindows.h"
#include "catalog/import/ui/tedpricemappings.h"
#include "catalog/import/ui/tfanalogselection.h"
#include "catalog/import/ui/tunhandprod.h"
#include "catalog/import/ui/tvwpriceimports.h"
#include "catalog/ui/catalogwindows.h"
#include "shell/commandlineswitches.h"
#include "shell/startupsteps.h"
#include "shell/ui/mainwindow.h"

#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QTreeWidget>

using namespace Tarvo;
using namespace Tarvo::Test;
using namespace Qt::Literals::StringLiterals;
using Step = ModalSteps::Step;

namespace {

// Acts on modal windows as they come up, each step once, in order, by object name. A window
// shown again (the product choice of a run serves every article) counts as a new one.
class Script : public QObject
{
public:
    explicit Script(QList<Step> steps) : m_steps(std::move(steps))
    {
        connect(&m_timer, &QTimer::timeout, this, [this] {
            QWidget* w = QApplication::activeModalWidget();
            if (!w || !w->isVisible() || m_steps.isEmpty())
                return;
            const QString seen = QString::number(quintptr(w)) + u'/' + w->property("askNumber").toString();
            if (seen == m_last || w->objectName() != m_steps.first().objectName)
                return;
            m_last = seen;
            const Step step = m_steps.takeFirst();
            QPointer<QWidget> target = w;
            QTimer::singleShot(0, this, [this, target, step] {
                if (target)
                    step.act(target);
                if (QTest::currentTestFailed()) {
                    m_steps.clear();
                    while (QWidget* open = QApplication::activeModalWidget())
                        open->close();
                }
            });
        });
        m_timer.start(10);
    }
    bool done() const { return m_steps.isEmpty(); }

private:
    QList<Step> m_steps;
    QTimer m_timer;
    QString m_last;
};

template <typename T> T* child(QWidget* w, const char* name)
{
    T* c = w->findChild<T*>(QLatin1String(name));
    if (!c)
        qWarning("no %s", name);
    return c;
}

void click(QWidget* w, const char* button)
{
    if (auto* b = child<QPushButton>(w, button))
        b->click();
}

Step answerBox(const char* name, QMessageBox::StandardButton answer, QStringList* texts = nullptr)
{
    return {QLatin1String(name), [answer, texts](QWidget* w) {
                auto* box = static_cast<QMessageBox*>(w);
                if (texts)
                    *texts << box->text();
                box->button(answer)->click();
            }};
}

} // namespace

class tst_PriceImportWindows : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    QTemporaryDir m_noTestModules;
    std::unique_ptr<PriceFixture> m_f;
    std::unique_ptr<Shell::MainWindow> m_window;

    QAction* item(const char* key) { return m_window->menuItem(QLatin1String(key)); }
    void run(QAction* action, QList<Step> steps)
    {
        Script script(std::move(steps));
        // A window no step expects (a failure's box, say) fails the test instead of waiting forever.
        QStringList unexpected;
        QTimer guard;
        int idle = 0;
        QWidget* lastSeen = nullptr;
        connect(&guard, &QTimer::timeout, this, [&] {
            QWidget* w = QApplication::activeModalWidget();
            idle = w && w == lastSeen ? idle + 1 : 0;
            lastSeen = w;
            if (idle < 300)
                return;
            auto* box = qobject_cast<QMessageBox*>(w);
            unexpected << w->objectName() + u": "_s + (box ? box->text() : w->windowTitle());
            while (QWidget* open = QApplication::activeModalWidget())
                open->close();
        });
        guard.start(100);
        action->trigger();
        QVERIFY2(unexpected.isEmpty(), qPrintable(unexpected.join(u'\n')));
        QTRY_VERIFY_WITH_TIMEOUT(script.done(), 120000);
        QVERIFY(!QApplication::activeModalWidget());
    }

private slots:
    void initTestCase()
    {
        m_f = std::make_unique<PriceFixture>();
        useModuleFolder(m_home.path(), m_noTestModules.path());
        Data::Database::setMain(&m_f->db);
        Catalog::registerCatalogWindows();
        AddIn::registerAddIns();
        Catalog::registerPriceImportWindows();
        m_window = std::make_unique<Shell::MainWindow>(Shell::CommandLineSwitches({u"x"_s}));
        m_window->show();
        Shell::StartupSteps::runAll();
        m_window->refreshMenus();
    }

    void registerModuleSetUpRunAndReimport()
    {
        run(item("itemModuleSettings"), {{u"TfAddInConfig"_s, [](QWidget* w) {
                                             auto* d = static_cast<AddIn::TfAddInConfig*>(w);
                                             const auto found = d->allModules()->findItems(
                                                 u"Прайс-лист CSV/TXT (кодировка по файлу)"_s, Qt::MatchExactly, 0);
                                             QVERIFY(!found.isEmpty());
                                             d->allModules()->setCurrentItem(found.first());
                                             click(d, "btnAdd");
                                             d->accept();
                                         }}});

        const QString path = m_f->file(u"price.csv"_s, u"Артикул;Наименование;Цена;Валюта;Срок;EXW\r\n"
                                                        u"P-1;Болт М8;12,50;USD;5;11\r\n"
                                                        u"N-1;Новый болт;3;;;4\r\n"
                                                        u"S-1;Не наш;1;;;\r\n"
                                                        u"D-1;Отложенный;7;EUR;;6\r\n"
                                                        u"D-2;Тоже отложенный;8;;;\r\n"_s.toUtf8());
        QAction* imports = item("itemPriceImports");
        QVERIFY(imports->isEnabled());
        QStringList questions;
        QStringList captions;
        const auto chooser = [&](std::function<void(Catalog::TfAnalogSelection*)> act) {
            return Step{u"TfAnalogSelection"_s, [&captions, act](QWidget* w) {
                            captions << w->windowTitle();
                            act(static_cast<Catalog::TfAnalogSelection*>(w));
                        }};
        };
        run(imports,
            {{u"TvwPriceImports"_s,
              [](QWidget* w) {
                  QTimer::singleShot(0, w, [w] {
                      click(w, "btnAdd");
                      click(w, "btnSave");
                      click(w, "btnRun");
                      click(w, "btnRun");
                      click(w, "btnClose");
                  });
              }},
             {u"TedPriceMappings"_s,
              [&](QWidget* w) {
                  auto* d = static_cast<Catalog::TedPriceMappings*>(w);
                  d->pathEdit()->setText(path);
                  d->suppliers()->setCurrentIndex(d->suppliers()->findData(u"SUP1"_s));
                  QCOMPARE(d->modules()->count(), 1);
                  d->modules()->setCurrentIndex(0);
                  const QStringList names{u"АРТИКУЛ_ПОСТАВЩИКА"_s, u"ИМЯ_ТОВАРА"_s, u"ЦЕНА"_s, u"ВАЛЮТА"_s,
                                          u"ЗАДЕРЖКА_ВЫПОЛНЕНИЯ"_s, u"ЦЕНА:EXW"_s};
                  for (int i = 0; i < names.size(); ++i) {
                      d->columnNumber()->setValue(i);
                      d->columnNames()->setEditText(names[i]);
                      click(d, "btnAddColumn");
                  }
                  QCOMPARE(d->columns()->topLevelItemCount(), 6);
                  QCOMPARE(d->columns()->topLevelItem(0)->text(0), u"0 (A)"_s);
                  d->accept();
              }},
             // The supplier's article is ours: the product is chosen already.
             chooser([](Catalog::TfAnalogSelection* s) { click(s, "btnChoose"); }),
             chooser([](Catalog::TfAnalogSelection* s) { click(s, "btnNew"); }),
             chooser([](Catalog::TfAnalogSelection* s) { QTest::keyClick(s, Qt::Key_Escape); }),
             chooser([](Catalog::TfAnalogSelection* s) { click(s, "btnDeferAll"); }),
             answerBox("boxConfirmSave", QMessageBox::Yes, &questions),
             answerBox("boxSaved", QMessageBox::Ok),
             // The same file again: only the article skipped before is asked about.
             chooser([](Catalog::TfAnalogSelection* s) { QTest::keyClick(s, Qt::Key_Escape); }),
             answerBox("boxConfirmSave", QMessageBox::Yes, &questions),
             answerBox("boxSaved", QMessageBox::Ok)});

        QCOMPARE(captions.value(0), u"Выбор товара для поставщика [Артикул: P-1, Наименование: Болт М8]"_s);
        QCOMPARE(captions.size(), 5);
        QVERIFY(captions.value(4).contains(u"S-1"_s));
        QCOMPARE(questions.value(0), u"Подготовленно товаров : 2\nЖелаете сохранить их в базу?"_s);
        QCOMPARE(questions.value(1), u"Подготовленно товаров : 2\nЖелаете сохранить их в базу?"_s);

        Catalog::THostComponent stored;
        stored.load(m_f->db);
        QCOMPARE(stored.prices().size(), 1);
        QCOMPARE(stored.prices()[0].initData, QByteArray("csv"));

        PriceFixture& f = *m_f;
        QCOMPARE(f.offer(f.p1), (QVariantList{u"P-1"_s, u"Болт М8"_s, u"12.5000"_s, u"USD"_s, 5}));
        QCOMPARE(f.price(f.p1, u"EXW"_s), u"11.0000"_s);
        const qint64 created = f.count(u"select PR_ID from crm_product where PR_ARTICUL = 'N-1'"_s);
        QVERIFY(created > 0);
        QCOMPARE(f.db.scalar(u"select PR_NAME from crm_product where PR_ID = ?"_s, {created}).toString(), u"Новый болт"_s);
        QCOMPARE(f.price(created, u"EXW"_s), u"4.0000"_s);
        QCOMPARE(f.count(u"select count(*) from scm_artcmap where sam_artc = 'S-1'"_s), 0);
        QCOMPARE(f.count(u"select count(*) from scm_partner where par_nuser = 'SUP1'"_s), 1);
        QCOMPARE(f.count(u"select count(*) from scm_pricename where prn_name = 'EXW'"_s), 1);
        QCOMPARE(f.count(u"select count(*) from scm_unhand_prod"_s), 2);
        QCOMPARE(f.count(u"select count(*) from scm_unhand_price"_s), 1);
    }

    void matchDeferredArticle()
    {
        PriceFixture& f = *m_f;
        run(item("itemUnhandledProducts"),
            {{u"TUnHandProd"_s,
              [](QWidget* w) {
                  QTimer::singleShot(0, w, [w] {
                      auto* d = static_cast<Catalog::TUnHandProd*>(w);
                      QCOMPARE(d->list()->topLevelItemCount(), 2);
                      d->list()->setCurrentItem(d->list()->topLevelItem(0));
                      QCOMPARE(d->list()->currentItem()->text(0), u"D-1"_s);
                      click(d, "btnMatch");
                      QCOMPARE(d->list()->topLevelItemCount(), 1);
                      click(d, "btnClose");
                  });
              }},
             {u"TfAnalogSelection"_s, [](QWidget* w) {
                  auto* s = static_cast<Catalog::TfAnalogSelection*>(w);
                  QTest::keyClicks(s->searchEdit(), u"P-3"_s);
                  click(s, "btnChoose");
              }}});
        QCOMPARE(f.offer(f.p3).value(0).toString(), u"D-1"_s);
        QCOMPARE(f.offer(f.p3).value(3).toString(), u"EUR"_s);
        QCOMPARE(f.price(f.p3, u"EXW"_s), u"6.0000"_s);
        QCOMPARE(f.count(u"select count(*) from scm_unhand_prod"_s), 1);
        QCOMPARE(f.count(u"select count(*) from scm_unhand_price"_s), 0);
    }

    void cleanupTestCase() { m_window.reset(); }
};

QTEST_MAIN(tst_PriceImportWindows)
#include "tst_priceimportwindows.moc"
