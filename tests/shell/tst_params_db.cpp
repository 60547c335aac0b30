#include "data/engine/database.h"
#include "data/engine/query.h"
#include "shell/menumnemonics.h"
#include "shell/ttdmparams.h"
#include "shell/ui/mainwindow.h"
#include "shell/ui/menuhooks.h"
#include "shell/ui/tfrmparams.h"
#include "support/testdatabase.h"

#include <QCheckBox>
#include <QComboBox>
#include <QMenu>
#include <QPushButton>
#include <QTemporaryDir>
#include "support/testenvironment.h"

#include "support/widgetdriver.h"

#include <QtTest>

using namespace Tarvo;
using namespace Tarvo::Shell;

namespace {
QString stored(Data::Database& db, const QString& key)
{
    return db
        .scalar(QStringLiteral("select value_nastr from scm_parametrs where inside_name_nastr = ?"), {key})
        .toString();
}

using Test::clickButton;
} // namespace

class ParamsDb : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        Test::isolateUserFolders(m_home.path());
    }

    void cleanup() { Data::Database::setMain(nullptr); }

    void parametersDialogSavesTheRowsFromTheMenu()
    {
        Test::TestDatabase t;
        auto& db = t.db();
        db.exec(QStringLiteral("insert into scm_parametrs (inside_name_nastr, value_nastr) values (?, ?)"),
                {QStringLiteral("NDS"), QStringLiteral("18")});
        db.exec(QStringLiteral("insert into scm_parametrs (inside_name_nastr, value_nastr) values (?, ?)"),
                {QStringLiteral("USE_MYORG_PLAT"), QStringLiteral("True")});
        // A lookup table of this database: the choices come from it.
        if (!db.objectExists(QStringLiteral("scm_values"))) {
            db.exec(QStringLiteral("create table scm_values (INSIDE_NAME_NASTR varchar(50), VALUE_NAME_NASTR "
                                   "varchar(200), COMMENT varchar(200))"));
        }
        db.exec(QStringLiteral("insert into scm_values (INSIDE_NAME_NASTR, VALUE_NAME_NASTR, COMMENT) values "
                               "('VIBOR', 'PRICE', 'По цене'), ('VIBOR', 'TERM', 'По сроку')"));
        Data::Database::setMain(&db);

        MainWindow w(CommandLineSwitches({QStringLiteral("x")}));
        QAction* item = w.menuItem(QStringLiteral("itemParams"));
        w.refreshMenus();
        QVERIFY(item->isEnabled());
        QTimer::singleShot(0, [] {
            auto* d = qobject_cast<TfrmParams*>(QApplication::activeModalWidget());
            QVERIFY(d);
            QCOMPARE(d->windowTitle(), QStringLiteral("Параметры"));
            QVERIFY(QTest::qWaitForWindowActive(d));
            // A stored value that the list does not hold is shown and kept, not lost.
            QComboBox* nds = d->lookup(QStringLiteral("NDS"));
            QCOMPARE(nds->currentText(), QStringLiteral("18 (нет в списке)"));
            QVERIFY(d->flag(QStringLiteral("USE_MYORG_PLAT"))->isChecked());
            QVERIFY(!d->flag(QStringLiteral("USE_DOPREGN_SCL"))->isChecked());
            QCOMPARE(Test::focused(), d->lookup(QStringLiteral("id_sclad"))); // the first field
            Test::checkTabReachesEveryControl(d);
            // Typed text never becomes a value: only the list's entries can be chosen.
            for (const char* key : {"NDS", "id_sclad", "MyOrgCons"}) {
                QComboBox* box = d->lookup(QLatin1String(key));
                QVERIFY(!box->isEditable());
                QVERIFY(Test::tabTo(box));
                QTest::keyClicks(box, QStringLiteral("abc999"));
            }
            QComboBox* vibor = d->lookup(QStringLiteral("VIBOR"));
            QCOMPARE(vibor->count(), 2);
            QVERIFY(Test::tabTo(vibor));
            QTest::keyClick(vibor, Qt::Key_Down); // the list's first entry
            QCOMPARE(vibor->currentText(), QStringLiteral("По сроку"));
            d->flag(QStringLiteral("USE_MYORG_PLAT"))->setChecked(false);
            d->flag(QStringLiteral("USE_DOPREGN_SCL"))->setChecked(true);
            // Enter with the focus on "Отмена" still saves.
            QVERIFY(Test::tabTo(Test::button(d, QStringLiteral("Отмена"))));
            QTest::keyClick(Test::focused(), Qt::Key_Return);
        });
        item->trigger();
        QVERIFY(!QApplication::activeModalWidget());
        QCOMPARE(stored(db, QStringLiteral("VIBOR")), QStringLiteral("TERM"));
        QCOMPARE(stored(db, QStringLiteral("NDS")), QStringLiteral("18"));
        QCOMPARE(stored(db, QStringLiteral("USE_MYORG_PLAT")), QStringLiteral("False"));
        QCOMPARE(stored(db, QStringLiteral("USE_DOPREGN_SCL")), QStringLiteral("True"));
        // Untouched parameters get no rows.
        QCOMPARE(db.scalar(QStringLiteral("select count(*) from scm_parametrs where inside_name_nastr = ?"),
                           {QStringLiteral("id_sclad")})
                     .toInt(),
                 0);

        // "Отмена" and Esc discard.
        QTimer::singleShot(0, [] {
            auto* d = qobject_cast<TfrmParams*>(QApplication::activeModalWidget());
            QVERIFY(d);
            QCOMPARE(d->lookup(QStringLiteral("VIBOR"))->currentText(), QStringLiteral("По сроку"));
            d->flag(QStringLiteral("USE_DOPREGN_SCL"))->setChecked(false);
            clickButton(d, QStringLiteral("Отмена"));
        });
        item->trigger();
        QCOMPARE(stored(db, QStringLiteral("USE_DOPREGN_SCL")), QStringLiteral("True"));
        Test::whenModal<TfrmParams>([](TfrmParams* d) {
            QVERIFY(QTest::qWaitForWindowActive(d));
            d->flag(QStringLiteral("USE_DOPREGN_SCL"))->setChecked(false);
            QTest::keyClick(Test::focused(), Qt::Key_Escape);
        });
        item->trigger();
        QCOMPARE(stored(db, QStringLiteral("USE_DOPREGN_SCL")), QStringLiteral("True"));
    }

    void registerCaptionsComeFromTheDictionary()
    {
        Test::TestDatabase t;
        auto& db = t.db();
        Data::Database::setMain(&db);
        MenuHooks::useCaptionDictionary();
        MainWindow w(CommandLineSwitches({QStringLiteral("x")}));
        w.refreshMenus();
        const auto caption = [&](const char* key) {
            return MenuMnemonics::plain(w.menuItem(QLatin1String(key))->text());
        };
        QCOMPARE(caption("itemBusinessOffers"), QStringLiteral("Заявка покупателя"));
        QCOMPARE(caption("itemSupplierOrders"), QStringLiteral("Заказ поставщику"));
        QCOMPARE(caption("itemWayBills"), QStringLiteral("Посылка"));
        QCOMPARE(caption("itemNewWayBill"), QStringLiteral("Посылка"));
        MenuHooks::clear();
    }

    void reportDesignerShowsOnlyWithFrMenu()
    {
        Test::TestDatabase t;
        // A database without the report tables: the designer stays hidden until FR_MENU appears.
        auto& db = t.db(false);
        Data::Database::setMain(&db);
        MainWindow w(CommandLineSwitches({QStringLiteral("x")}));
        w.refreshMenus();
        QVERIFY(!w.menuItem(QStringLiteral("itemReportDesigner"))->isVisible());
        db.exec(QStringLiteral("create table FR_MENU (id integer)"));
        w.refreshMenus();
        QVERIFY(w.menuItem(QStringLiteral("itemReportDesigner"))->isVisible());
    }

private:
    QTemporaryDir m_home;
};

QTEST_MAIN(ParamsDb)
#include "tst_params_db.moc"
