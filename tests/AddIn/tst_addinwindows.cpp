#include "AddIn/addinfixture.h"
#include "AddIn/ui/addinregistration.h"
#include "AddIn/ui/tfaddinconfig.h"
#include "AddIn/ui/tfaddinconfigaction.h"
#include "BusOffer/listfixture.h"
#include "BusOffer/offerlist.h"
#include "BusOffer/ui/offerlistregistration.h"
#include "BusOffer/ui/tviewbusinesoffers.h"
#include "data/engine/database.h"
#include "security/rights.h"
#include "shell/commandlineswitches.h"
#include "shell/formactivationregistry.h"
#include "shell/startupsteps.h"
#include "shell/ui/mainwindow.h"
#include "shell/ui/tfrmparams.h"
#include "support/testdatabase.h"

#include <QAbstractButton>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QStringEncoder>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

using namespace Tarvo;
using namespace Tarvo::AddIn;
using namespace Qt::Literals::StringLiterals;

namespace {

using Step = Test::ModalSteps::Step;

void choose(QTreeWidget* list, const QString& text)
{
    const auto found = list->findItems(text, Qt::MatchExactly, 0);
    QVERIFY2(!found.isEmpty(), qPrintable(text));
    list->setCurrentItem(found.first());
}

template <typename T> T* child(QWidget* w, const char* name)
{
    T* c = w->findChild<T*>(QLatin1String(name));
    if (!c)
        qWarning("no %s", name);
    return c;
}

Step pressOk()
{
    return {{}, [](QWidget* w) { static_cast<QMessageBox*>(w)->button(QMessageBox::Ok)->click(); }};
}

Step recordBox(QStringList& texts)
{
    return {{}, [&texts](QWidget* w) {
                auto* box = static_cast<QMessageBox*>(w);
                texts << box->text();
                box->buttons().first()->click();
            }};
}

void runSteps(QAction* item, QList<Step> steps)
{
    Test::ModalSteps script(std::move(steps));
    item->trigger();
    QTRY_VERIFY(script.done());
}

QByteArray bankFile()
{
    QStringEncoder cp1251("windows-1251");
    return cp1251(u"<?xml version=\"1.0\" encoding=\"windows-1251\"?>\n"
                  "<ValCurs Date=\"08.12.2026\" name=\"Foreign Currency Market\">\n"
                  "<Valute ID=\"R01235\"><NumCode>840</NumCode><CharCode>USD</CharCode><Nominal>1</Nominal>"
                  "<Name>Доллар США</Name><Value>92,5058</Value></Valute>\n"
                  "<Valute ID=\"R01820\"><NumCode>392</NumCode><CharCode>JPY</CharCode><Nominal>100</Nominal>"
                  "<Name>Японских иен</Name><Value>61,2300</Value></Valute>\n"
                  "<Valute ID=\"R09999\"><NumCode>999</NumCode><CharCode>XYZ</CharCode><Nominal>1</Nominal>"
                  "<Name>Неизвестная</Name><Value>1,0000</Value></Valute>\n"
                  "<Valute ID=\"R01239\"><NumCode>978</NumCode><CharCode>EUR</CharCode><Nominal>1</Nominal>"
                  "<Name>Евро</Name><Value>0,0000</Value></Valute>\n"
                  "</ValCurs>\n"_s);
}

} // namespace

class AddInWindowsTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_home;
    QTemporaryDir m_noTestModules;
    std::unique_ptr<Test::TestDatabase> m_t;
    std::unique_ptr<Shell::MainWindow> m_window;
    QList<qint64> m_offers;

    Data::Database& db() { return m_t->db(); }
    QAction* item(const char* key) { return m_window->menuItem(QLatin1String(key)); }

    BusOffer::TviewBusinesOffers* openRegister()
    {
        Shell::FormActivationRegistry::instance().open(BusOffer::TviewBusinesOffers::FormType, 0);
        for (QWidget* w : QApplication::allWidgets())
            if (auto* r = qobject_cast<BusOffer::TviewBusinesOffers*>(w); r && r->isVisible())
                return r;
        return nullptr;
    }

private slots:
    void initTestCase()
    {
        m_t = std::make_unique<Test::TestDatabase>();
        // Only the shipped modules: as a user's installation sees them.
        Test::useModuleFolder(m_home.path(), m_noTestModules.path());
        Data::Database::setMain(&db());
        Test::ListFixture f{db()};
        f.currentUser({Security::Right::ViewOthersOffers, Security::Right::ViewOtherDepartments});
        const qint64 buyer = f.partner(u"B1"_s, u"ООО Покупатель"_s);
        const qint64 a = f.product(u"A-1"_s), b = f.product(u"B;2"_s);
        for (int i = 0; i < 3; ++i) {
            m_offers << f.request(buyer);
            f.line(m_offers.last(), a, 1.5 + i);
            f.line(m_offers.last(), b, 10);
        }
        db().exec(u"insert into VALUTCOD (CODVALUT, NAMEVALUT) values ('USD', 'Доллар'), ('JPY', 'Иена'), "
                  "('EUR', 'Евро')"_s);
        BusOffer::registerOfferRegister();
        registerAddIns();
        m_window = std::make_unique<Shell::MainWindow>(Shell::CommandLineSwitches({u"x"_s}));
        m_window->show();
        Shell::StartupSteps::runAll();
        m_window->refreshMenus();
    }

    // Both shipped modules registered through the menu; the rates module is in the submenu at once.
    void registerShippedModules()
    {
        QMenu* run = m_window->menu(u"menuRunModules"_s);
        QVERIFY(run->isEmpty());
        QVERIFY(!run->menuAction()->isEnabled());
        QAction* settings = item("itemModuleSettings");
        QVERIFY(settings->isEnabled());
        QStringList warnings;
        runSteps(settings, {{u"TfAddInConfig"_s,
                             [](QWidget* w) {
                                 auto* d = static_cast<TfAddInConfig*>(w);
                                 choose(d->allModules(), u"Курсы валют ЦБ РФ"_s);
                                 child<QPushButton>(d, "btnAdd")->click();
                                 choose(d->allModules(), u"Выгрузка заявок в CSV"_s);
                                 child<QPushButton>(d, "btnAdd")->click();
                                 // Added twice: refused with a warning.
                                 QTimer::singleShot(0, d, [d] {
                                     choose(d->allModules(), u"Курсы валют ЦБ РФ"_s);
                                     child<QPushButton>(d, "btnAdd")->click();
                                 });
                             }},
                            recordBox(warnings),
                            {u"TfAddInConfig"_s, [](QWidget* w) {
                                 auto* d = static_cast<TfAddInConfig*>(w);
                                 QCOMPARE(d->registered()->topLevelItemCount(), 2);
                                 static_cast<QDialog*>(w)->accept();
                             }}});
        QCOMPARE(warnings, QStringList{u"Модуль с таким именем и типом зарегистрирован."_s});
        QCOMPARE(run->actions().size(), 1);
        QCOMPARE(run->actions().first()->text().remove(u'&'), u"Курсы валют ЦБ РФ"_s);
        QVERIFY(run->menuAction()->isEnabled());
        QVERIFY(TfAddInConfig::sameName(u"КУРСЫ валют"_s, u"курсы ВАЛЮТ"_s));
    }

    // The rates module on a bank file: the day's rates of the book's currencies in cotirval.
    void runRatesModule()
    {
        db().exec(u"insert into scm_parametrs (inside_name_nastr, value_nastr) values ('CBR_RATES_DIR', ?)"_s,
                  {m_home.path()});
        const QString path = m_home.filePath(u"XML_daily.xml"_s);
        QFile f(path);
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(bankFile());
        f.close();
        QString unknown;
        QStringList boxes;
        QAction* rates = m_window->menu(u"menuRunModules"_s)->actions().first();
        runSteps(rates, {{u"CbrRatesDialog"_s,
                          [&](QWidget* d) {
                              child<QLineEdit>(d, "editRatesFile")->setText(path);
                              child<QPushButton>(d, "btnRead")->click();
                              auto* table = child<QTableWidget>(d, "tableRates");
                              QCOMPARE(table->rowCount(), 2);
                              QCOMPARE(table->item(1, 0)->text(), u"JPY"_s);
                              QCOMPARE(table->item(1, 3)->text(), u"0,6123"_s);
                              QCOMPARE(table->item(0, 4)->text(), u"нет"_s);
                              unknown = child<QLabel>(d, "labelUnknown")->text();
                              child<QPushButton>(d, "btnSaveRates")->click();
                          }},
                         recordBox(boxes)});
        QVERIFY2(unknown.contains(u"XYZ"_s), qPrintable(unknown));
        QVERIFY(unknown.contains(u"EUR: курс «0,0000» должен быть больше нуля"_s));
        QVERIFY(boxes.first().contains(u"Записаны курсы 2 валют на 08.12.2026"_s));
        Data::Query q(db(), u"select codvalut, valcotir from cotirval order by codvalut"_s);
        q.exec();
        QVERIFY(q.next());
        QCOMPARE(q.string(0), u"JPY"_s);
        QCOMPARE(q.value(1).toDouble(), 0.6123);
        QVERIFY(q.next());
        QCOMPARE(q.string(0), u"USD"_s);
        QCOMPARE(q.value(1).toDouble(), 92.5058);
        QVERIFY(!q.next());
        QVERIFY(!db().inTransaction());
    }

    // "Обработка заявки" bound to the export module, run for one request and for the whole list.
    void exportRequestsFromTheRegister()
    {
        runSteps(item("itemActionSettings"),
                 {{u"TfAddinConfigAction"_s, [](QWidget* w) {
                       auto* d = static_cast<TfAddinConfigAction*>(w);
                       d->actions()->setCurrentItem(
                           d->actions()->findItems(u"Обработка заявки"_s, Qt::MatchExactly).first());
                       QCOMPARE(d->modules()->topLevelItemCount(), 1);
                       choose(d->modules(), u"Выгрузка заявок в CSV"_s);
                       child<QPushButton>(d, "btnAdd")->click();
                       QCOMPARE(d->bindings()->topLevelItem(0)->text(0), u"Обработка заявки"_s);
                       d->accept();
                   }}});
        BusOffer::TviewBusinesOffers* reg = openRegister();
        QVERIFY(reg);
        QVERIFY(reg->list().locateOffer(m_offers[1]));
        const int row = reg->list().recNo();
        const QString one = m_home.filePath(u"one.csv"_s), all = m_home.filePath(u"all.csv"_s);
        QStringList boxes;
        for (const auto& [file, everything] : {std::pair{one, false}, std::pair{all, true}}) {
            runSteps(reg->action(u"actProcessOffer"_s),
                     {{u"CsvExportDialog"_s,
                       [&, file = file, everything = everything](QWidget* d) {
                           child<QLineEdit>(d, "editCsvFile")->setText(file);
                           child<QRadioButton>(d, everything ? "optAll" : "optCurrent")->setChecked(true);
                           child<QPushButton>(d, "btnExport")->click();
                       }},
                      recordBox(boxes)});
            QCOMPARE(reg->list().currentOffer(), m_offers[1]);
            QCOMPARE(reg->list().recNo(), row);
        }
        QCOMPARE(boxes,
                 (QStringList{u"Выгружено заявок: 1, строк: 2."_s, u"Выгружено заявок: 3, строк: 6."_s}));
        QFile f(one);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray text = f.readAll();
        QVERIFY(text.startsWith("\xEF\xBB\xBF"));
        const QStringList lines = QString::fromUtf8(text.mid(3)).split(u"\r\n"_s, Qt::SkipEmptyParts);
        QCOMPARE(lines.size(), 3);
        QCOMPARE(lines[0], u"Заявка;Дата;Артикул;Товар;Количество;Сумма"_s);
        QVERIFY2(lines[1].startsWith(u"%1;2026-02-10;A-1;Товар A-1;2,5"_s.arg(m_offers[1])),
                 qPrintable(lines[1]));
        QVERIFY2(lines[2].startsWith(u"%1;2026-02-10;\"B;2\";\"Товар B;2\";10"_s.arg(m_offers[1])),
                 qPrintable(lines[2]));

        // Without a binding the command says so.
        runSteps(item("itemActionSettings"),
                 {{u"TfAddinConfigAction"_s, [](QWidget* w) {
                       auto* d = static_cast<TfAddinConfigAction*>(w);
                       d->bindings()->setCurrentItem(d->bindings()->topLevelItem(0));
                       child<QPushButton>(d, "btnRemove")->click();
                       d->accept();
                   }}});
        boxes.clear();
        runSteps(reg->action(u"actProcessOffer"_s), {recordBox(boxes)});
        QCOMPARE(boxes, QStringList{u"Не зарегистрировано действие для обработки заявки"_s});
        boxes.clear();
        runSteps(reg->action(u"actFormOrders"_s), {recordBox(boxes)});
        QCOMPARE(boxes, QStringList{u"Не зарегистрировано действие для формирования заказов"_s});
        reg->close();
    }

    // A second binding for a bound action is refused in the dialog.
    void oneModulePerAction()
    {
        QStringList warnings;
        runSteps(item("itemActionSettings"),
                 {{u"TfAddinConfigAction"_s,
                   [](QWidget* w) {
                       auto* d = static_cast<TfAddinConfigAction*>(w);
                       d->actions()->setCurrentItem(
                           d->actions()->findItems(u"Обработка заказа"_s, Qt::MatchExactly).first());
                       choose(d->modules(), u"Выгрузка заявок в CSV"_s);
                       child<QPushButton>(d, "btnAdd")->click();
                       QTimer::singleShot(0, d, [d] {
                           choose(d->modules(), u"Выгрузка заявок в CSV"_s);
                           child<QPushButton>(d, "btnAdd")->click();
                       });
                   }},
                  recordBox(warnings),
                  {u"TfAddinConfigAction"_s,
                   [](QWidget* w) {
                       auto* d = static_cast<TfAddinConfigAction*>(w);
                       d->modules()->clearSelection();
                       d->modules()->setCurrentItem(nullptr);
                       QTimer::singleShot(0, d, [d] { child<QPushButton>(d, "btnAdd")->click(); });
                   }},
                  recordBox(warnings),
                  {u"TfAddinConfigAction"_s, [](QWidget* w) { static_cast<QDialog*>(w)->reject(); }}});
        QCOMPARE(warnings, (QStringList{u"Такое действие уже зарегистрированно."_s,
                                        u"Необходимо выбрать действие и модуль расширения."_s}));
    }

    // The parameters dialog edits the modules' own parameters too: add, change, delete.
    void editModuleParameters()
    {
        db().exec(
            u"insert into scm_parametrs (inside_name_nastr, value_nastr) values ('OLD_PARAM', 'старое')"_s);
        QStringList errors;
        const auto row = [](QTableWidget* t, const QString& name) {
            for (int r = 0; r < t->rowCount(); ++r)
                if (t->item(r, 0)->text() == name)
                    return r;
            return -1;
        };
        runSteps(item("itemParams"), {{u"Tarvo::Shell::TfrmParams"_s,
                                       [&](QWidget* d) {
                                           auto* dialog = static_cast<Shell::TfrmParams*>(d);
                                           QTableWidget* t = dialog->others();
                                           QVERIFY(row(t, u"CBR_RATES_DIR"_s) >= 0);
                                           QVERIFY(row(t, u"id_sclad"_s) < 0);
                                           t->setCurrentCell(row(t, u"OLD_PARAM"_s), 0);
                                           dialog->removeOther();
                                           t->item(row(t, u"CBR_RATES_DIR"_s), 1)->setText(u"/srv/курсы"_s);
                                           dialog->addOther();
                                           t->item(t->rowCount() - 1, 0)->setText(u"cbr_rates_dir"_s);
                                           // The same name in another case is refused and nothing is written.
                                           QTimer::singleShot(0, dialog, [dialog] { dialog->accept(); });
                                       }},
                                      recordBox(errors),
                                      {u"Tarvo::Shell::TfrmParams"_s, [](QWidget* d) {
                                           auto* dialog = static_cast<Shell::TfrmParams*>(d);
                                           QTableWidget* t = dialog->others();
                                           t->item(t->rowCount() - 1, 0)->setText(u"CSV_EXPORT_DIR"_s);
                                           t->item(t->rowCount() - 1, 1)->setText(u"/tmp"_s);
                                           dialog->accept();
                                       }}});
        QCOMPARE(errors, QStringList{u"Параметр «cbr_rates_dir» указан дважды"_s});
        const auto value = [this](const char* name) {
            return db().scalar(u"select value_nastr from scm_parametrs where inside_name_nastr = ?"_s,
                               {QLatin1String(name)});
        };
        QVERIFY(value("OLD_PARAM").isNull());
        QCOMPARE(value("CBR_RATES_DIR").toString(), u"/srv/курсы"_s);
        QCOMPARE(value("CSV_EXPORT_DIR").toString(), u"/tmp"_s);
    }

    void cleanupTestCase()
    {
        m_window.reset();
        Data::Database::setMain(nullptr);
        m_t.reset();
    }
};

QTEST_MAIN(AddInWindowsTest)
#include "tst_addinwindows.moc"
