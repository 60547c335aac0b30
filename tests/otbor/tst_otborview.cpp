#include "data/engine/database.h"
#include "otbor/otborfile.h"
#include "otbor/tdocstateotbor.h"
#include "otbor/tglobalotbors.h"
#include "otbor/tmanagerotbor.h"
#include "otbor/tvarbool.h"
#include "otbor/tvardate.h"
#include "otbor/tvarstringcompare.h"
#include "otbor/ui/otbormodule.h"
#include "otbor/ui/tfviewotbors.h"
#include "shell/startupsteps.h"
#include "shell/tdatabaseconnection.h"
#include "shell/ui/mainwindow.h"
#include "shell/ui/menuhooks.h"
#include "support/testdatabase.h"
#include "support/testenvironment.h"
#include "support/widgetdriver.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QGroupBox>
#include <QLabel>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QtTest>

using namespace Tarvo;
using namespace Tarvo::Otbor;

namespace {
template <typename W> W* control(QWidget* dialog, const QString& accessibleName)
{
    for (W* w : dialog->findChildren<W*>())
        if (w->accessibleName() == accessibleName)
            return w;
    return nullptr;
}
} // namespace

class OtborViewTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        Test::isolateUserFolders(m_home.path());
    }

    void init()
    {
        m_t = std::make_unique<Test::TestDatabase>();
        Data::Database& db = m_t->db();
        Data::Database::setMain(&db);
        db.exec("insert into _partner (N_USER, NAME_USER) values (?, ?)",
                {"K1", QStringLiteral("ООО Ромашка")});
        db.exec("insert into scm_partner (par_nuser) values (?)", {"K1"});
        db.exec("insert into SCM_Library_Urgency (Name) values (?)", {QStringLiteral("Срочно")});
        const qint64 me =
            db.insertReturning("insert into CRM_USERS (US_LOGIN, US_NAME, US_DEP) values (?, ?, ?)", "US_ID",
                               {"me", "me", "dep"});
        Shell::TDataBaseConnection::instance().setCurrentUser(int(me), "me", "me", "dep");
        TGlobalOtbors::release();
        QFile::remove(TGlobalOtbors::filePath());
    }

    void cleanup()
    {
        TGlobalOtbors::release();
        Shell::MenuHooks::clear();
        Shell::StartupSteps::clear();
        Data::Database::setMain(nullptr);
        m_t.reset();
    }

    void moduleRegistersTheStartupStepAndTheMenuItem()
    {
        registerOtborModule();
        QVERIFY(Shell::StartupSteps::names().contains(QStringLiteral("Модуль отборов")));
        Shell::StartupSteps::runAll();
        QVERIFY(TGlobalOtbors::exists());
        Shell::MainWindow w(Shell::CommandLineSwitches({QStringLiteral("tarvo-scm")}));
        QVERIFY(w.menuItem(QStringLiteral("itemOtbors"))->isEnabled());
    }

    void activatingADateGroupAndApplyingTellsTheSubscriberOnce()
    {
        registerOtborModule();
        Shell::MainWindow w(Shell::CommandLineSwitches({QStringLiteral("tarvo-scm")}));
        TGlobalOtbors& list = TGlobalOtbors::instance();
        int told = 0;
        list.subscribe([&told] { ++told; });
        bool acted = false;
        Test::whenModal<TfViewOtbors>([&](TfViewOtbors* d) {
            QCOMPARE(d->windowTitle(), QStringLiteral("Настройка отборов"));
            auto* active = control<QCheckBox>(d, QStringLiteral("По дате заявки: Активизировать"));
            auto* from = control<QDateEdit>(d, QStringLiteral("По дате заявки: От"));
            auto* to = control<QDateEdit>(d, QStringLiteral("По дате заявки: До"));
            auto* interval = control<QComboBox>(d, QStringLiteral("По дате заявки: Интервал"));
            QVERIFY(active && from && to && interval);
            active->setChecked(true);
            from->setDate(QDate(2026, 3, 1));
            to->setDate(QDate(2026, 3, 31));
            // "До" filters on the "От" date: the other one is out of the way.
            interval->setCurrentIndex(TVarDate::Until);
            QVERIFY(from->isEnabled() && !to->isEnabled());
            interval->setCurrentIndex(TVarDate::Between);
            auto* customer = control<QComboBox>(d, QStringLiteral("По заказчикам: Краткое имя"));
            QCOMPARE(customer->count(), 1);
            customer->setCurrentIndex(0);
            QVERIFY(d->findChildren<QLabel*>().end() !=
                    std::find_if(d->findChildren<QLabel*>().begin(), d->findChildren<QLabel*>().end(),
                                 [](QLabel* l) { return l->text() == QStringLiteral("ООО Ромашка"); }));
            control<QCheckBox>(d, QStringLiteral("По заказчикам: Активизировать"))->setChecked(true);
            Test::clickButton(d, QStringLiteral("Применить"));
            QCOMPARE(told, 1);
            QVERIFY(list.date(OtborVar::OfferDate)->active());
            QCOMPARE(list.date(OtborVar::OfferDate)->dateEnd(),
                     QDateTime(QDate(2026, 3, 31), QTime(23, 59, 59)));
            QCOMPARE(list.partner(OtborVar::Customer)->compareString(), QStringLiteral("K1"));
            // Without right 100001 the manager restriction is not the user's to choose.
            auto* none = control<QRadioButton>(d, QStringLiteral("По менеджеру: Нет"));
            QVERIFY(!none->isEnabled() && !none->isChecked());
            // Enter means "Ok".
            control<QCheckBox>(d, QStringLiteral("Срочность: Активизировать"))->setChecked(true);
            control<QComboBox>(d, QStringLiteral("Срочность: Срочность"))->setCurrentIndex(0);
            QTest::keyClick(d, Qt::Key_Return);
            acted = true;
        });
        w.menuItem(QStringLiteral("itemOtbors"))->trigger();
        QVERIFY(acted);
        QCOMPARE(told, 2);
        QVERIFY(list.urgency()->active());
        QCOMPARE(list.description(),
                 QStringLiteral(
                     "Дата заявки с 01.03.26 по 31.03.26 Заказчик = \"ООО Ромашка\" Срочность = \"Срочно\""));
    }

    void cancelKeepsSwitchOffAllAndSaveWriteTheFile()
    {
        TGlobalOtbors& list = TGlobalOtbors::instance();
        list.urgency()->setActive(true);
        {
            TfViewOtbors d(list);
            control<QCheckBox>(&d, QStringLiteral("Состояние заявки: Активизировать"))->setChecked(true);
            QTest::keyClick(&d, Qt::Key_Escape);
            QVERIFY(!list.docState(OtborVar::OfferState)->active());
        }
        TfViewOtbors d(list);
        Test::clickButton(&d, QStringLiteral("Выключить все"));
        QVERIFY(!list.urgency()->active());
        QVERIFY(!control<QCheckBox>(&d, QStringLiteral("Срочность: Активизировать"))->isChecked());
        control<QCheckBox>(&d, QStringLiteral("Реестр заказов: Активизировать"))->setChecked(true);
        control<QRadioButton>(&d, QStringLiteral("Реестр заказов: Неотмеченные"))->setChecked(true);
        Test::clickButton(&d, QStringLiteral("Сохранить"));
        TGlobalOtbors back;
        OtborFile::load(TGlobalOtbors::filePath(), back);
        QVERIFY(back.mark(OtborVar::OrderMark)->active());
        QCOMPARE(back.description(), QStringLiteral("не отмеченные"));
    }

    void everyControlIsNamedAndReachableByTab()
    {
        TfViewOtbors d(TGlobalOtbors::instance());
        for (QWidget* w : d.findChildren<QWidget*>()) {
            if (!qobject_cast<QCheckBox*>(w) && !qobject_cast<QRadioButton*>(w) &&
                !qobject_cast<QComboBox*>(w) && !qobject_cast<QDateEdit*>(w))
                continue;
            QVERIFY2(!w->accessibleName().isEmpty(), qPrintable(w->metaObject()->className()));
            QVERIFY(w->focusPolicy() & Qt::TabFocus);
        }
    }

    // Each date group says what its interval type filters; at the dialog's own size every line of
    // it shows, whichever type is chosen.
    void dateHintsFitTheirLabels()
    {
        TfViewOtbors d(TGlobalOtbors::instance());
        d.show();
        QVERIFY(QTest::qWaitForWindowExposed(&d));
        QList<QComboBox*> intervals;
        for (QComboBox* c : d.findChildren<QComboBox*>())
            if (c->accessibleName().endsWith(QStringLiteral(": Интервал")))
                intervals << c;
        QCOMPARE(intervals.size(), 6);
        for (int type : {TVarDate::Until, TVarDate::After, TVarDate::Between}) {
            for (QComboBox* c : intervals)
                c->setCurrentIndex(type);
            QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
            int hints = 0;
            for (QLabel* l : d.findChildren<QLabel*>()) {
                if (!l->text().startsWith(QStringLiteral("Отбираются")))
                    continue;
                ++hints;
                const QSize need = l->wordWrap() ? QSize(l->minimumSizeHint().width(), l->heightForWidth(l->width()))
                                                 : l->sizeHint();
                QVERIFY2(l->width() >= need.width() && l->height() >= need.height(),
                         qPrintable(QStringLiteral("\"%1\": %2x%3 of %4x%5")
                                        .arg(l->text())
                                        .arg(l->width())
                                        .arg(l->height())
                                        .arg(need.width())
                                        .arg(need.height())));
            }
            QCOMPARE(hints, 6);
        }
    }

private:
    QTemporaryDir m_home;
    std::unique_ptr<Test::TestDatabase> m_t;
};

QTEST_MAIN(OtborViewTest)
#include "tst_otborview.moc"
