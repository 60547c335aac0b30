#include "catalog/books/urgencybook.h"
#include "catalog/boxanswers.h"
#include "catalog/catalogfixture.h"
#include "support/typetext.h"
#include "catalog/ui/catalogwindows.h"
#include "catalog/ui/tlibrary_urgencys_.h"
#include "catalog/ui/turgency_card_.h"
#include "core/exception.h"
#include "data/engine/query.h"
#include "data/modules/tupdatedadoquery.h"
#include "shell/commandlineswitches.h"
#include "shell/ui/mainwindow.h"
#include "shell/ui/menuhooks.h"
#include "support/testdatabase.h"
#include "support/testenvironment.h"
#include "support/widgetdriver.h"
#include "widgets/tdatagrid.h"

#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QPointer>
#include <QTemporaryDir>
#include <QPushButton>
#include <QtTest>

using namespace Tarvo;
using namespace Tarvo::Catalog;
using namespace Qt::Literals::StringLiterals;

namespace {

// "name:priority" by priority.
QStringList book(Data::Database& db)
{
    Data::Query q(db, u"select Name, Priority from SCM_Library_Urgency order by Priority, Name"_s);
    q.exec();
    QStringList r;
    while (q.next())
        r << q.string(0) + u':' + QString::number(q.integer(1));
    return r;
}

// Types into the card that opens next and saves it with Enter.
void fillCard(const QString& name, const QString& priority)
{
    Test::whenModal<TUrgency_Card_>([name, priority](TUrgency_Card_* card) {
        Test::activate(card);
        card->nameEdit()->selectAll();
        Test::typeText(card->nameEdit(), name);
        card->priorityEdit()->clear();
        Test::typeText(card->priorityEdit(), priority);
        QTest::keyClick(card->priorityEdit(), Qt::Key_Return);
    });
}

} // namespace

class UrgencyTest : public QObject
{
    Q_OBJECT
    QTemporaryDir m_home;

private slots:
    void initTestCase() { Test::isolateUserFolders(m_home.path()); }

    void savingRenumbersInOneStep()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        const UrgencyBook urgency(db);
        const qint64 a = urgency.save(0, u"Срочно"_s, u"1"_s);
        urgency.save(0, u"Обычно"_s, u"2"_s);
        urgency.save(0, u"Сверхсрочно"_s, u""_s); // 0: first, the others move down
        QCOMPARE(book(db), (QStringList{u"Сверхсрочно:1"_s, u"Срочно:2"_s, u"Обычно:3"_s}));
        urgency.save(0, u"Важно"_s, u"2"_s); // a taken priority: that one and the later ones move
        QCOMPARE(book(db), (QStringList{u"Сверхсрочно:1"_s, u"Важно:2"_s, u"Срочно:3"_s, u"Обычно:4"_s}));
        urgency.save(a, u"Срочно"_s, u"3"_s); // its own priority is no clash
        QCOMPARE(book(db), (QStringList{u"Сверхсрочно:1"_s, u"Важно:2"_s, u"Срочно:3"_s, u"Обычно:4"_s}));

        const auto failure = [&](qint64 id, const QString& name, const QString& p) {
            try {
                urgency.save(id, name, p);
            } catch (const Exception& e) {
                return e.message();
            }
            return QString();
        };
        QCOMPARE(failure(0, u"  "_s, u"1"_s), u"Не задано название"_s);
        QCOMPARE(failure(0, u"Новый"_s, u"1a"_s), u"Неверно задан приоритет"_s);
        QCOMPARE(failure(0, u"Важно"_s, u"1"_s),
                 u"Тип срочности с названием \"Важно\" \r\nв справочнике уже существует"_s);
        // A refused save leaves the priorities as they were.
        QCOMPARE(book(db), (QStringList{u"Сверхсрочно:1"_s, u"Важно:2"_s, u"Срочно:3"_s, u"Обычно:4"_s}));
    }

    void deletingWhatDocumentsUseIsRefused()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        Test::CatalogFixture f{db};
        const UrgencyBook urgency(db);
        const qint64 both = urgency.save(0, u"Оба"_s, u"1"_s);
        const qint64 orders = urgency.save(0, u"Заказы"_s, u"2"_s);
        const qint64 buyer = f.partner(u"BUY"_s, u"Покупатель"_s, u"К"_s);
        const qint64 supplier = f.partner(u"SUP"_s, u"Поставщик"_s);
        f.request(buyer, both);
        f.supplierOrder(supplier, both);
        f.supplierOrder(supplier, orders);
        QVERIFY_THROWS_EXCEPTION(Exception, urgency.remove(both));
        try {
            urgency.remove(both);
        } catch (const Exception& e) {
            QCOMPARE(
                e.message(),
                u"В реестре заявок есть документ(ы) с удаляемым типом срочности\r\nУдаление невозможно."_s);
        }
        try {
            urgency.remove(orders);
            QFAIL("deleted a type a supplier order uses");
        } catch (const Exception& e) {
            QCOMPARE(e.message(), u"В реестре заказов поставщику есть документ(ы) с удаляемым типом "
                                  "срочности\r\nУдаление невозможно."_s);
        }
        QCOMPARE(book(db).size(), 2);
    }

    void theBookIsEditedFromTheMenu()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        Data::Database::setMain(&db);
        Test::CatalogFixture f{db};
        const qint64 buyer = f.partner(u"BUY"_s, u"Покупатель"_s, u"К"_s);
        Shell::MainWindow w(Shell::CommandLineSwitches({u"x"_s}));
        registerCatalogWindows();
        w.show();
        Test::activate(&w);
        w.refreshMenus();
        QVERIFY(w.menuItem(u"itemUrgencyTypes"_s)->isEnabled());
        w.menuItem(u"itemUrgencyTypes"_s)->trigger();
        QMdiSubWindow* sub = w.mdiArea()->activeSubWindow();
        QVERIFY(sub);
        auto* list = qobject_cast<TLibrary_Urgencys_*>(sub->widget());
        QVERIFY(list);
        QVERIFY(!list->isWindow()); // inside the main window, not a dialog of its own
        list->grid()->setFocus();

        fillCard(u"Срочно"_s, u"1"_s);
        Test::press(list->grid(), Qt::Key_F2);
        fillCard(u"Сверхсрочно"_s, u"0"_s);
        Test::press(list->grid(), Qt::Key_F2);
        QCOMPARE(book(db), (QStringList{u"Сверхсрочно:1"_s, u"Срочно:2"_s}));
        QCOMPARE(list->dataSet().recordCount(), 2);
        QCOMPARE(list->dataSet().string(u"Name"_s), u"Сверхсрочно"_s);

        // A duplicate name keeps the card open with the message; Esc then leaves it.
        Test::whenModal<TUrgency_Card_>([](TUrgency_Card_* card) {
            Test::typeText(card->nameEdit(), u"Срочно"_s);
            Test::BoxAnswers boxes({QMessageBox::Ok});
            QTest::keyClick(card->nameEdit(), Qt::Key_Return);
            QVERIFY(card->isVisible());
            QCOMPARE(boxes.texts.size(), 1);
            QVERIFY(boxes.texts.first().contains(u"уже существует"_s));
            QTest::keyClick(card, Qt::Key_Escape);
        });
        Test::press(list->grid(), Qt::Key_F2);
        QCOMPARE(book(db).size(), 2);

        // Correcting: the card shows the row, and the priority field takes digits only.
        QVERIFY(list->dataSet().locate({u"Name"_s}, {u"Срочно"_s}));
        Test::whenModal<TUrgency_Card_>([](TUrgency_Card_* card) {
            QCOMPARE(card->windowTitle(), u"Коррекция типа срочности"_s);
            QCOMPARE(card->priorityEdit()->text(), u"2"_s);
            card->priorityEdit()->clear();
            Test::typeText(card->priorityEdit(), u"x1"_s);
            QCOMPARE(card->priorityEdit()->text(), u"1"_s);
            card->nameEdit()->clear();
            Test::typeText(card->nameEdit(), u"Срочно!"_s);
            QTest::keyClick(card->nameEdit(), Qt::Key_Return);
        });
        Test::press(list->grid(), Qt::Key_F4);
        QCOMPARE(book(db), (QStringList{u"Срочно!:1"_s, u"Сверхсрочно:2"_s}));
        QCOMPARE(list->dataSet().string(u"Name"_s), u"Срочно!"_s);

        // Deleting asks; a type a request uses stays.
        f.request(buyer, list->dataSet().value(u"Urgency_ID"_s));
        {
            Test::BoxAnswers boxes({QMessageBox::Yes, QMessageBox::Ok});
            Test::press(list->grid(), Qt::Key_Delete, Qt::ControlModifier);
            QCOMPARE(boxes.texts.size(), 2);
            QCOMPARE(boxes.texts.at(0), u"Удалить тип срочности документа \"Срочно!\" ?"_s);
            QVERIFY(boxes.texts.at(1).startsWith(u"В реестре заявок"_s));
        }
        QCOMPARE(book(db).size(), 2);
        QVERIFY(list->dataSet().locate({u"Name"_s}, {u"Сверхсрочно"_s}));
        {
            Test::BoxAnswers boxes({QMessageBox::No});
            Test::press(list->grid(), Qt::Key_Delete, Qt::ControlModifier);
        }
        QCOMPARE(book(db).size(), 2);
        Test::BoxAnswers boxes({QMessageBox::Yes});
        Test::press(list->grid(), Qt::Key_Delete, Qt::ControlModifier);
        QCOMPARE(book(db), QStringList{u"Срочно!:1"_s});
        QCOMPARE(list->dataSet().recordCount(), 1);

        // Esc does not close the browsing window; the menu brings the same one back.
        Test::press(list->grid(), Qt::Key_Escape);
        QVERIFY(list->isVisible());
        w.menuItem(u"itemUrgencyTypes"_s)->trigger();
        QCOMPARE(w.mdiArea()->subWindowList().size(), 1);
        // Its close button and its frame do close it.
        QPushButton* close = list->button(u"Закрыть"_s);
        QVERIFY(close);
        QPointer<TLibrary_Urgencys_> closed(list);
        QTest::mouseClick(close, Qt::LeftButton);
        QTRY_VERIFY(closed.isNull());
        QVERIFY(w.mdiArea()->subWindowList().isEmpty());
        w.menuItem(u"itemUrgencyTypes"_s)->trigger();
        QCOMPARE(w.mdiArea()->subWindowList().size(), 1);
        sub = w.mdiArea()->subWindowList().first();
        closed = qobject_cast<TLibrary_Urgencys_*>(sub->widget());
        QVERIFY(closed);
        QVERIFY(sub->close());
        QTRY_VERIFY(closed.isNull());
        Shell::MenuHooks::clear();
        Data::Database::setMain(nullptr);
    }
};

QTEST_MAIN(UrgencyTest)
#include "tst_urgency.moc"
