#include "BusOffer/ui/tset_urgency_level_.h"
#include "BusOffer/urgencylevel.h"
#include "catalog/boxanswers.h"
#include "catalog/books/urgencybook.h"
#include "catalog/catalogfixture.h"
#include "support/typetext.h"
#include "catalog/ui/tlibrary_urgencys_.h"
#include "core/exception.h"
#include "data/engine/database.h"
#include "data/modules/tupdatedadoquery.h"
#include "support/testdatabase.h"
#include "support/testenvironment.h"
#include "support/widgetdriver.h"
#include "widgets/tdatagrid.h"

#include <QComboBox>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

using namespace Tarvo;
using namespace Tarvo::BusOffer;
using namespace Qt::Literals::StringLiterals;

namespace {

QVariant urgencyOf(Data::Database& db, const QString& table, const QString& key, qint64 id)
{
    return db.scalar(u"select Urgency_ID from %1 where %2 = ?"_s.arg(table, key), {id});
}

// Two urgency types, a request and a supplier order, both "Срочно".
struct Documents
{
    explicit Documents(Data::Database& db) : f{db}
    {
        const Catalog::UrgencyBook book(db);
        urgent = book.save(0, u"Срочно"_s, u"1"_s);
        normal = book.save(0, u"Обычно"_s, u"2"_s);
        const qint64 buyer = f.partner(u"BUY"_s, u"Покупатель"_s, u"К"_s);
        const qint64 supplier = f.partner(u"SUP"_s, u"Поставщик"_s);
        request = f.request(buyer, urgent);
        otherRequest = f.request(buyer, urgent);
        order = f.supplierOrder(supplier, urgent);
    }
    Test::CatalogFixture f;
    qint64 urgent = 0, normal = 0, request = 0, otherRequest = 0, order = 0;
};

} // namespace

class UrgencyLevelTest : public QObject
{
    Q_OBJECT
    QTemporaryDir m_home;

private slots:
    void initTestCase() { Test::isolateUserFolders(m_home.path()); }

    // Only the document tables with their own key columns; values bound; the chosen document only.
    void setsTheUrgencyOfOneDocument()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        Documents d(db);
        for (const auto& [table, key] : QList<QPair<QString, QString>>{
                 {u"scm_business_offer; delete from scm_supplier_order"_s, u"bof_id"_s},
                 {u"scm_business_offer"_s, u"bof_id = bof_id or 1"_s},
                 {u"scm_business_offer"_s, u"suo_id"_s},
                 {u"SCM_Library_Urgency"_s, u"Urgency_ID"_s},
                 {QString(), QString()}})
            QVERIFY_THROWS_EXCEPTION(Exception, UrgencyLevel(db, table, key));
        // Names in any case, as the server takes them; the statement uses the list's own.
        const UrgencyLevel requests(db, u"SCM_Business_Offer"_s, u"BOF_ID"_s);
        QCOMPARE(requests.document().table, u"scm_business_offer"_s);
        const QList<UrgencyLevel::Choice> choices = requests.choices();
        QCOMPARE(choices.size(), 3);
        QCOMPARE(choices.at(0).name, UrgencyLevel::NoUrgency);
        QVERIFY(choices.at(0).id.isNull());
        QCOMPARE(choices.at(1).name, u"Обычно"_s); // by name
        QCOMPARE(choices.at(1).id.toLongLong(), d.normal);

        requests.set(d.request, d.normal);
        QCOMPARE(urgencyOf(db, u"scm_business_offer"_s, u"bof_id"_s, d.request).toLongLong(), d.normal);
        QCOMPARE(urgencyOf(db, u"scm_business_offer"_s, u"bof_id"_s, d.otherRequest).toLongLong(), d.urgent);
        QCOMPARE(urgencyOf(db, u"scm_supplier_order"_s, u"suo_id"_s, d.order).toLongLong(), d.urgent);
        requests.set(d.request, QVariant());
        QVERIFY(urgencyOf(db, u"scm_business_offer"_s, u"bof_id"_s, d.request).isNull());
        UrgencyLevel(db, u"scm_supplier_order"_s, u"suo_id"_s).set(d.order, d.normal);
        QCOMPARE(urgencyOf(db, u"scm_supplier_order"_s, u"suo_id"_s, d.order).toLongLong(), d.normal);

        const auto failure = [&](qint64 key, const QVariant& urgency) {
            try {
                requests.set(key, urgency);
            } catch (const Exception& e) {
                return e.message();
            }
            return QString();
        };
        QCOMPARE(failure(999999, d.normal), u"Документ 999999 не найден. Возможно, его уже удалили."_s);
        QCOMPARE(failure(d.request, 999999), u"Выбранный тип срочности удалён из справочника. Выберите другой."_s);
        QVERIFY(urgencyOf(db, u"scm_business_offer"_s, u"bof_id"_s, d.request).isNull());

        QVERIFY(UrgencyLevel::same(QVariant(), QVariant(QMetaType::fromType<qint64>())));
        QVERIFY(UrgencyLevel::same(qint64(3), 3));
        QVERIFY(!UrgencyLevel::same(QVariant(), 3));
    }

    // Keyboard only: the current urgency is shown, the same one is refused with the message and
    // the dialog stays, Esc leaves the document as it was, Enter writes the new choice.
    void theDialogByKeyboard()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        Data::Database::setMain(&db);
        Documents d(db);
        const auto open = [&](qint64 key, const QVariant& current, std::function<void(TSet_Urgency_Level_*)> act) {
            Test::whenModal<TSet_Urgency_Level_>([act](TSet_Urgency_Level_* dlg) {
                Test::activate(dlg);
                act(dlg);
            });
            return TSet_Urgency_Level_::execute(nullptr, u"scm_business_offer"_s, u"bof_id"_s, int(key), current);
        };

        // Same urgency: the message, and the dialog is still there; Esc then cancels.
        QVERIFY(!open(d.request, d.urgent, [](TSet_Urgency_Level_* dlg) {
            QCOMPARE(dlg->windowTitle(), u"Установка срочности выполнения"_s);
            QCOMPARE(dlg->urgencyBox()->currentText(), u"Срочно"_s);
            QCOMPARE(QApplication::focusWidget(), dlg->urgencyBox());
            Test::BoxAnswers boxes({QMessageBox::Ok});
            QTest::keyClick(dlg->urgencyBox(), Qt::Key_Return);
            QCOMPARE(boxes.texts, QStringList{u"Срочность документа не изменена"_s});
            QVERIFY(dlg->isVisible());
            QTest::keyClick(dlg->urgencyBox(), Qt::Key_Escape);
        }));
        QCOMPARE(urgencyOf(db, u"scm_business_offer"_s, u"bof_id"_s, d.request).toLongLong(), d.urgent);

        // Another choice, then Esc: nothing written.
        QVERIFY(!open(d.request, d.urgent, [](TSet_Urgency_Level_* dlg) {
            QTest::keyClick(dlg->urgencyBox(), Qt::Key_Up);
            QCOMPARE(dlg->urgencyBox()->currentText(), u"Обычно"_s);
            QTest::keyClick(dlg->urgencyBox(), Qt::Key_Escape);
        }));
        QCOMPARE(urgencyOf(db, u"scm_business_offer"_s, u"bof_id"_s, d.request).toLongLong(), d.urgent);

        // Every control is reached by Tab and named; Enter on any of them is "Изменить".
        QVERIFY(open(d.request, d.urgent, [](TSet_Urgency_Level_* dlg) {
            Test::checkTabReachesEveryControl(dlg);
            QCOMPARE(dlg->changeButton()->text(), u"Изменить"_s);
            QVERIFY(dlg->findChild<QPushButton*>(u"btnCancel"_s));
            QVERIFY(Test::tabTo(dlg->urgencyBox()));
            QTest::keyClick(dlg->urgencyBox(), Qt::Key_Up);
            QVERIFY(Test::tabTo(dlg->bookButton()));
            QTest::keyClick(dlg->bookButton(), Qt::Key_Return);
        }));
        QCOMPARE(urgencyOf(db, u"scm_business_offer"_s, u"bof_id"_s, d.request).toLongLong(), d.normal);
        QCOMPARE(urgencyOf(db, u"scm_business_offer"_s, u"bof_id"_s, d.otherRequest).toLongLong(), d.urgent);

        // No urgency is a choice of its own.
        QVERIFY(open(d.request, d.normal, [](TSet_Urgency_Level_* dlg) {
            QTest::keyClick(dlg->urgencyBox(), Qt::Key_Home);
            QCOMPARE(dlg->urgencyBox()->currentText(), UrgencyLevel::NoUrgency);
            QTest::keyClick(dlg->urgencyBox(), Qt::Key_Return);
        }));
        QVERIFY(urgencyOf(db, u"scm_business_offer"_s, u"bof_id"_s, d.request).isNull());
        Data::Database::setMain(nullptr);
    }

    // "..." opens the urgency book as a picker; a type added there is chosen and written.
    void theBookGivesTheChoice()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        Data::Database::setMain(&db);
        Documents d(db);
        const qint64 rush = Catalog::UrgencyBook(db).save(0, u"Аврал"_s, u"3"_s);
        Test::whenModal<TSet_Urgency_Level_>([](TSet_Urgency_Level_* dlg) {
            Test::activate(dlg);
            Test::whenModal<Catalog::TLibrary_Urgencys_>([](Catalog::TLibrary_Urgencys_* book) {
                Test::activate(book);
                book->grid()->setFocus();
                // By priority: Срочно, Обычно, Аврал.
                QTest::keyClick(book->grid(), Qt::Key_End, Qt::ControlModifier);
                QCOMPARE(book->dataSet().string(u"Name"_s), u"Аврал"_s);
                QTest::keyClick(book->grid(), Qt::Key_Return);
            });
            QVERIFY(Test::tabTo(dlg->bookButton()));
            QTest::keyClick(dlg->bookButton(), Qt::Key_Space);
            QCOMPARE(dlg->urgencyBox()->currentText(), u"Аврал"_s);
            Test::activate(dlg); // the test platform activates no window when a dialog closes
            QCOMPARE(QApplication::focusWidget(), dlg->urgencyBox());
            QTest::keyClick(dlg->urgencyBox(), Qt::Key_Return);
        });
        QVERIFY(TSet_Urgency_Level_::execute(nullptr, u"scm_supplier_order"_s, u"suo_id"_s, int(d.order), d.urgent));
        QCOMPARE(urgencyOf(db, u"scm_supplier_order"_s, u"suo_id"_s, d.order).toLongLong(), rush);
        Data::Database::setMain(nullptr);
    }
};

QTEST_MAIN(UrgencyLevelTest)
#include "tst_urgencylevel.moc"
