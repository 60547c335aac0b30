// Every refusal the database layer maps reaches the user's message box in Russian: no engine
// marker, no engine wording (SQLite's is English), on both engines. The refusals are real ones,
// caused in a document save started from a window and shown by the application's general handler;
// the users' window is checked on its own two roads (a user owning documents, a duplicate login).
#include "BusOffer/listfixture.h"
#include "catalog/boxanswers.h"
#include "data/engine/database.h"
#include "data/engine/databaseerror.h"
#include "data/engine/migration.h"
#include "data/engine/schema.h"
#include "data/modules/tdeffereddatamodule.h"
#include "security/rights.h"
#include "security/rightscatalog.h"
#include "security/ui/tfsecurityuseredit.h"
#include "security/ui/tfusers.h"
#include "shell/ui/tarvoapplication.h"
#include "support/testdatabase.h"
#include "support/testenvironment.h"
#include "support/widgetdriver.h"
#include "widgets/tdatagrid.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <QtTest>
#include <atomic>
#include <thread>

using namespace Tarvo;
using namespace Qt::Literals::StringLiterals;

namespace {

// A document whose save runs one statement (the refusal) in its transaction.
class OneStatementDocument : public Data::TDefferedDataModule
{
public:
    OneStatementDocument(Data::Database& db, std::function<void(Data::Database&)> statement)
        : TDefferedDataModule(&db), m_db(db), m_statement(std::move(statement))
    {
        setModified(true);
    }

protected:
    void postEdits() override {}
    void writeChanges() override
    {
        m_statement(m_db);
    }
    void acceptChanges() override {}
    void refreshAfterSave() override {}

private:
    Data::Database& m_db;
    std::function<void(Data::Database&)> m_statement;
};

// What is wrong with a text shown to the user: an engine marker, or Latin words outside the
// quoted names of tables and columns.
QString problemOf(const QString& shown, const QString& engineText)
{
    if (shown.trimmed().isEmpty())
        return u"nothing shown"_s;
    if (shown.contains(u"tarvo-"_s) || shown.contains(u'|'))
        return u"an internal marker"_s;
    QString prose = shown;
    prose.remove(QRegularExpression(u"«[^»]*»"_s));
    if (prose.contains(QRegularExpression(u"[A-Za-z]"_s)))
        return u"Latin text outside the names"_s;
    if (!engineText.isEmpty() && shown.contains(engineText))
        return u"the engine's own text"_s;
    return {};
}

// A window with a "Сохранить" button that saves a document; a click is a user's, so a failure
// leaves the event handler and the general handler shows it. The refusal is noted on its way.
struct SaveWindow
{
    QWidget window;
    QPushButton* save = new QPushButton(u"Сохранить"_s, &window);
    int refusedWith = -1;
    QString engineText;
    explicit SaveWindow(Data::TDefferedDataModule& document)
    {
        auto* l = new QVBoxLayout(&window);
        l->addWidget(save);
        QObject::connect(save, &QPushButton::clicked, save, [this, &document] {
            try {
                document.save();
            } catch (const Data::DatabaseError& e) {
                refusedWith = e.nativeError();
                engineText = e.engineMessage();
                throw;
            }
        });
        window.show();
    }
};

} // namespace

class RefusalMessagesTest : public QObject
{
    Q_OBJECT
    QTemporaryDir m_home;

    struct Shown
    {
        QStringList texts;
        int refusedWith = -1;
        QString engineText;
    };
    // Saves through the window: the boxes' texts and the refusal.
    static Shown saveShows(OneStatementDocument& doc)
    {
        SaveWindow w(doc);
        if (!QTest::qWaitForWindowExposed(&w.window))
            return {{u"the window was never shown"_s}};
        Test::BoxAnswers answers({QMessageBox::Ok});
        QTest::mouseClick(w.save, Qt::LeftButton);
        QTest::qWaitFor([&] { return !answers.texts.isEmpty(); }, 30000);
        return {answers.texts, w.refusedWith, w.engineText};
    }

    static void selectUser(Widgets::TDataGrid* grid, const QString& login)
    {
        const int column = grid->fieldColumn(u"US_LOGIN"_s);
        for (int row = 0; row < grid->model()->rowCount(); ++row)
            if (grid->model()->index(row, column).data().toString() == login) {
                grid->setCurrentIndex(grid->model()->index(row, column));
                return;
            }
        QFAIL(qPrintable(u"no row "_s + login));
    }

private slots:
    void initTestCase() { Test::isolateUserFolders(m_home.path()); }

    void everyMappedRefusalIsShownInRussian()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        Data::Database::setMain(&db);
        const bool postgres = db.engine() == Data::Engine::PostgreSQL;
        Data::MigrationContext ctx(db);
        ctx.createTable(Data::Table(u"tst_refusal"_s)
                            .integer(u"r_id"_s)
                            .notNull()
                            .string(u"r_code"_s, 10)
                            .primaryKey(u"PK_tst_refusal"_s, {u"r_id"_s}));
        ctx.createIndex(u"tst_refusal"_s, Data::Index{u"UX_tst_refusal_code"_s, {u"r_code"_s}, true});
        db.reloadCatalog();
        db.exec(u"insert into tst_refusal (r_id, r_code) values (1, 'A'), (10, 'D1'), (11, 'D2')"_s);
        Test::ListFixture f{db};
        const qint64 owner = f.currentUser({});
        const qint64 buyer = f.partner(u"B1"_s, u"ООО Покупатель"_s);
        const qint64 offer = f.request(buyer);
        const qint64 product = f.product(u"P1"_s);
        f.line(offer, product, 1);

        // Another user: holds rows (busy, deadlock) or ends this connection (PostgreSQL's loss).
        Data::ConnectionSettings quick = t.settings();
        quick.commandTimeout = 1;
        Data::Database other(quick);
        other.open();
        std::atomic<int> step{0};
        std::thread other2;

        struct Case
        {
            QString name;
            int code;
            std::function<void(Data::Database&)> statement;
            Data::Database* saver = nullptr; // the main connection unless set
            std::function<void()> before = {};
        };
        QList<Case> cases{
            {u"primary key"_s, Data::NativeError::Constraint, [&](Data::Database&) { f.line(offer, product, 2); }},
            {u"unique index"_s, Data::NativeError::UniqueIndex,
             [](Data::Database& d) { d.exec(u"insert into tst_refusal (r_id, r_code) values (2, 'A')"_s); }},
            {u"reference, deleting the referred row"_s, Data::NativeError::Reference,
             [&](Data::Database& d) { d.exec(u"delete from CRM_USERS where US_ID = ?"_s, {owner}); }},
            {u"reference to a missing row"_s, Data::NativeError::Reference,
             [&](Data::Database& d) {
                 d.exec(u"update scm_business_offer set bof_person = ? where bof_id = ?"_s, {buyer + 1000, offer});
             }},
            {u"required value"_s, Data::NativeError::NotNull,
             [&](Data::Database& d) {
                 d.exec(u"insert into scm_business_offer (bof_person, bof_date) values (?, null)"_s, {buyer});
             }},
            {u"text too long"_s, Data::NativeError::Truncation,
             [&](Data::Database& d) {
                 d.exec(u"update scm_business_offer set bof_snomer = ? where bof_id = ?"_s, {QString(30, u'7'), offer});
             }},
            // Busy: another user's transaction holds the row (or SQLite's file) longer than this
            // connection's command timeout.
            {u"busy"_s, Data::NativeError::LockTimeout,
             [](Data::Database& d) { d.exec(u"update tst_refusal set r_code = 'C' where r_id = 1"_s); }, &other,
             [&] {
                 db.beginTransaction();
                 db.exec(u"update tst_refusal set r_code = 'B' where r_id = 1"_s);
             }}};
        // SQLite knows neither deadlocks (a writer waits or is refused as busy) nor lost connections.
        if (postgres) {
            cases << Case{u"deadlock"_s, Data::NativeError::Deadlock, [&](Data::Database& d) {
                // Another user holds row 11 and waits for row 10, which this user holds, while
                // this one asks for row 11. The other looks for the deadlock late, so this user's
                // statement is the one the server refuses.
                while (step < 1)
                    QThread::msleep(10);
                d.exec(u"update tst_refusal set r_code = 'Y' where r_id = 10"_s);
                step = 2;
                auto admin = t.connectAgain();
                QTRY_VERIFY_WITH_TIMEOUT(admin->scalar(u"select count(*) from pg_stat_activity where "
                                                       "wait_event_type = 'Lock'"_s)
                                                 .toInt() > 0,
                                         20000);
                d.exec(u"update tst_refusal set r_code = 'W' where r_id = 11"_s);
            }, nullptr, [&] {
                other2 = std::thread([&] {
                    Data::Database h(t.settings());
                    h.open();
                    h.exec(u"set deadlock_timeout = '30s'"_s);
                    h.beginTransaction();
                    h.exec(u"update tst_refusal set r_code = 'X' where r_id = 11"_s);
                    step = 1;
                    while (step < 2)
                        QThread::msleep(10);
                    try {
                        h.exec(u"update tst_refusal set r_code = 'Z' where r_id = 10"_s);
                    } catch (const Exception&) {
                    }
                    h.rollback();
                });
            }};
            cases << Case{u"lost connection"_s, Data::NativeError::ConnectionLost, [&](Data::Database& d) {
                const qint64 pid = d.scalar(u"select pg_backend_pid()"_s).toLongLong();
                auto admin = t.connectAgain();
                admin->exec(u"select pg_terminate_backend(?)"_s, {pid});
                QTRY_VERIFY(admin->scalar(u"select count(*) from pg_stat_activity where pid = ?"_s, {pid}).toInt() == 0);
                d.exec(u"update tst_refusal set r_code = 'L' where r_id = 1"_s);
            }};
        } else {
            // A full disk: the file may not grow past the pages it has.
            cases << Case{u"disk full"_s, Data::NativeError::StorageFull, [](Data::Database& d) {
                d.exec(u"insert into tst_refusal_big (b) values (zeroblob(4000000))"_s);
            }, nullptr, [&] {
                db.exec(u"create table tst_refusal_big (b blob)"_s);
                const int pages = db.scalar(u"pragma page_count"_s).toInt();
                db.exec(u"pragma max_page_count = %1"_s.arg(pages + 2));
            }};
        }

        QStringList problems;
        QSet<int> codes;
        for (const Case& c : cases) {
            if (c.before)
                c.before();
            OneStatementDocument doc(c.saver ? *c.saver : db, c.statement);
            const Shown shown = saveShows(doc);
            if (other2.joinable())
                other2.join();
            for (Data::Database* d : {&db, &other})
                if (d->inTransaction())
                    d->rollback();
            codes << shown.refusedWith;
            if (shown.refusedWith != c.code)
                problems << u"%1: refused with %2, not %3"_s.arg(c.name).arg(shown.refusedWith).arg(c.code);
            if (shown.texts.size() != 1)
                problems << u"%1: %2 boxes"_s.arg(c.name).arg(shown.texts.size());
            for (const QString& text : shown.texts) {
                qInfo().noquote() << c.name << u"→"_s << text;
                if (const QString p = problemOf(text, shown.engineText); !p.isEmpty())
                    problems << u"%1: %2 in \"%3\""_s.arg(c.name, p, text);
            }
        }
        for (const QString& p : problems)
            qWarning().noquote() << p;
        QVERIFY2(problems.isEmpty(), "see the warnings above");
        QCOMPARE(codes.size(), postgres ? 8 : 7);
        // Nothing refused was written.
        QCOMPARE(db.scalar(u"select count(*) from CRM_USERS where US_ID = ?"_s, {owner}).toInt(), 1);
        QCOMPARE(db.scalar(u"select r_code from tst_refusal where r_id = 1"_s).toString(), u"A"_s);
        Data::Database::setMain(nullptr);
    }

    void theUsersWindowSaysWhyInRussian()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        Data::Database::setMain(&db);
        Security::RightsCatalog::update(db);
        Test::ListFixture f{db};
        const qint64 owner = f.currentUser({});
        f.request(f.partner(u"B1"_s, u"ООО Покупатель"_s));
        const QString ownerLogin = db.scalar(u"select US_LOGIN from CRM_USERS where US_ID = ?"_s, {owner}).toString();
        f.currentUser({Security::Right::Users, Security::Right::Security});

        Security::TfUsers* users = Security::TfUsers::open();
        QVERIFY(users && users->isVisible());
        selectUser(users->grid(), ownerLogin);
        {
            // A user who owns documents: the question, then why the delete is refused.
            Test::BoxAnswers answers({QMessageBox::Ok, QMessageBox::Ok});
            QTimer::singleShot(0, users, [users] { users->deleteUser(); });
            QTRY_COMPARE_WITH_TIMEOUT(answers.texts.size(), 2, 20000);
            qInfo().noquote() << answers.texts[1];
            QCOMPARE(problemOf(answers.texts[1], {}), QString());
            QVERIFY2(answers.texts[1].contains(u"нельзя удалить"_s), qPrintable(answers.texts[1]));
        }
        QCOMPARE(db.scalar(u"select count(*) from CRM_USERS where US_ID = ?"_s, {owner}).toInt(), 1);

        // A login that another user has: the card says so and stays open until left.
        Test::BoxAnswers answers({QMessageBox::Ok, QMessageBox::No});
        Test::whenModal<Security::TfSecurityUserEdit>([&](Security::TfSecurityUserEdit* card) {
            for (const auto& [column, text] : {std::pair{u"US_LOGIN"_s, ownerLogin}, std::pair{u"US_NAME"_s, u"Двойник"_s},
                                               std::pair{u"US_DEP"_s, u"Склад"_s}}) {
                QWidget* editor = card->editor(column);
                editor->setFocus();
                if (auto* e = qobject_cast<QLineEdit*>(editor))
                    e->setText(text);
                else if (auto* c = qobject_cast<QComboBox*>(editor))
                    c->setEditText(text);
            }
            Test::clickButton(card, u"Сохранить"_s);
            QTest::keyClick(card, Qt::Key_Escape);
        });
        users->addUser();
        QTRY_COMPARE(answers.texts.size(), 2);
        qInfo().noquote() << answers.texts[0];
        QCOMPARE(problemOf(answers.texts[0], {}), QString());
        QVERIFY2(answers.texts[0].contains(u"уже существует"_s) && answers.texts[0].contains(ownerLogin),
                 qPrintable(answers.texts[0]));
        QCOMPARE(db.scalar(u"select count(*) from CRM_USERS where US_LOGIN = ?"_s, {ownerLogin}).toInt(), 1);
        users->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        Data::Database::setMain(nullptr);
    }
};

int main(int argc, char** argv)
{
    Tarvo::Shell::TarvoApplication app(argc, argv);
    RefusalMessagesTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_refusalmessages.moc"
