#include "data/engine/database.h"
#include "security/currentuser.h"
#include "security/login.h"
#include "security/rights.h"
#include "security/rightscatalog.h"
#include "security/tdmusers.h"
#include "security/ui/securityregistration.h"
#include "security/ui/tfenterlogin.h"
#include "security/ui/tfrmenurightsform.h"
#include "security/ui/tfsecuritysetup.h"
#include "security/ui/tfsecurityuseredit.h"
#include "security/ui/tfsecurityuserpwd.h"
#include "security/ui/tfusers.h"
#include "shell/startupsteps.h"
#include "shell/tdatabaseconnection.h"
#include "shell/ui/mainwindow.h"
#include "shell/ui/menuhooks.h"
#include "support/testdatabase.h"
#include "support/testenvironment.h"
#include "support/typetext.h"
#include "support/widgetdriver.h"
#include "widgets/tdatagrid.h"

#include <QAction>
#include <QComboBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QScopeGuard>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

using namespace Tarvo;
using namespace Tarvo::Security;
using Test::clickButton;
using Test::typeText;
using Test::whenModal;

namespace {

// Acts on the next modal dialog of this type without waiting inside the event loop, so that a
// dialog closed by the action can return before the next one opens.
template <typename Dialog> void whenModalLater(std::function<void(Dialog*)> act)
{
    auto* timer = new QTimer;
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        if (auto* d = qobject_cast<Dialog*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            act(d);
        }
    });
    timer->start();
}

// Answers the next message box with the button, after checking its text.
void answerMessage(const QString& text, QMessageBox::StandardButton button = QMessageBox::Ok)
{
    whenModal<QMessageBox>([text, button](QMessageBox* box) {
        QCOMPARE(box->text(), text);
        box->button(button)->click();
    });
}

void selectRow(Widgets::TDataGrid* grid, const QString& login)
{
    for (int row = 0; row < grid->model()->rowCount(); ++row)
        if (grid->model()->index(row, grid->fieldColumn(QStringLiteral("US_LOGIN"))).data().toString() ==
            login) {
            grid->setCurrentIndex(grid->model()->index(row, grid->fieldColumn(QStringLiteral("US_LOGIN"))));
            return;
        }
    QFAIL(qPrintable(QStringLiteral("no row ") + login));
}

void type(QWidget* editor, const QString& text)
{
    editor->setFocus();
    if (auto* e = qobject_cast<QLineEdit*>(editor))
        e->clear();
    if (auto* c = qobject_cast<QComboBox*>(editor))
        c->lineEdit()->clear();
    typeText(qobject_cast<QComboBox*>(editor) ? qobject_cast<QComboBox*>(editor)->lineEdit() : editor, text);
}

qint64 count(const QString& sql, const QVariantList& params = {})
{
    return Data::Database::main()->scalar(sql, params).toLongLong();
}

int userId(const QString& login)
{
    return Data::Database::main()
        ->scalar(QStringLiteral("select US_ID from CRM_USERS where US_LOGIN = ?"), {login})
        .toInt();
}

bool listed(Widgets::TDataGrid* grid, const QString& login)
{
    const int column = grid->fieldColumn(QStringLiteral("US_LOGIN"));
    for (int row = 0; row < grid->model()->rowCount(); ++row)
        if (grid->model()->index(row, column).data().toString() == login)
            return true;
    return false;
}

QString currentLogin(Widgets::TDataGrid* grid)
{
    return grid->model()
        ->index(grid->currentIndex().row(), grid->fieldColumn(QStringLiteral("US_LOGIN")))
        .data()
        .toString();
}

// "Админ" and the users given, each with every right; the administrator logged in.
void addUsers(Data::Database& db, const QStringList& logins)
{
    RightsCatalog::update(db);
    TdmUsers users(db);
    for (const QString& login : logins) {
        users.userQuery().insert();
        users.userQuery().setValue(QStringLiteral("US_LOGIN"), login);
        users.userQuery().setValue(QStringLiteral("US_NAME"), login.toUpper());
        users.userQuery().post();
    }
    Login::makeCurrent(Login::check(db, QStringLiteral("Админ"), QString()));
}

// The tree's row of the right, then "Запретить доступ" from its context menu.
void denyFromMenu(TfSecuritySetup* setup, int right)
{
    setup->tree()->setCurrentItem(setup->item(right));
    for (QAction* a : setup->tree()->actions())
        if (a->text() == QStringLiteral("Запретить доступ"))
            return a->trigger();
    QFAIL("no action to deny");
}

// A click on the user's name in the list, "Z" typed, Enter: a list edits nothing in place, Enter
// opens the card (left with Esc, nothing changed).
void typeIntoTheList(Widgets::TDataGrid* grid, const QString& login)
{
    grid->window()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(grid->window()));
    selectRow(grid, login);
    const QModelIndex name =
        grid->model()->index(grid->currentIndex().row(), grid->fieldColumn(QStringLiteral("US_NAME")));
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, grid->visualRect(name).center());
    typeText(grid, QStringLiteral("Z"));
    bool cardShown = false;
    whenModal<TfSecurityUserEdit>([&cardShown](TfSecurityUserEdit* card) {
        cardShown = true;
        QTest::keyClick(card, Qt::Key_Escape);
    });
    QVERIFY(QApplication::focusWidget());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QTRY_VERIFY(cardShown);
    QVERIFY(!QApplication::activeModalWidget() || !qobject_cast<TfSecurityUserEdit*>(QApplication::activeModalWidget()));
}

const QString UserDeleted = QStringLiteral("Пользователь удалён другим администратором. Изменения не сохранены.");

} // namespace

class UsersWindows : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QVERIFY(m_home.isValid());
        Test::isolateUserFolders(m_home.path());
        registerSecurity();
    }

    void aUserIsAddedEditedGivenAPasswordLoggedInAndDeleted()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        Data::Database::setMain(&db);
        RightsCatalog::update(db);

        // The first start: "Админ" with an empty password.
        whenModal<TfEnterLogin>([](TfEnterLogin* d) {
            QCOMPARE(d->loginBox()->count(), 1);
            QCOMPARE(d->login(), QStringLiteral("Админ"));
            QVERIFY(!d->loginBox()->isEditable());
            QTest::keyClick(d, Qt::Key_Return);
        });
        runLogin();
        QCOMPARE(CurrentUserLogin(), QStringLiteral("Админ"));
        QVERIFY(Shell::MenuHooks::hasRight(Right::Users));

        Shell::MenuHooks::handler(QStringLiteral("itemUsers"))();
        TfUsers* users = TfUsers::open();
        QVERIFY(users->isVisible());
        QCOMPARE(users->statusText(), QStringLiteral("Всего сотрудников : 1"));

        whenModal<TfSecurityUserEdit>([](TfSecurityUserEdit* card) {
            type(card->editor(QStringLiteral("US_LOGIN")), QStringLiteral("sidorov"));
            type(card->editor(QStringLiteral("US_NAME")), QStringLiteral("Сидоров Пётр"));
            type(card->editor(QStringLiteral("US_DEP")), QStringLiteral("Склад"));
            clickButton(card, QStringLiteral("Сохранить"));
        });
        users->addUser();
        QCOMPARE(users->statusText(), QStringLiteral("Всего сотрудников : 2"));
        const int id =
            int(db.scalar(QStringLiteral("select US_ID from CRM_USERS where US_LOGIN = 'sidorov'")).toInt());
        QVERIFY(id > 0);
        QCOMPARE(count(QStringLiteral("select count(*) from CRM_USERS_SECURITY where USC_US_ID = ?"), {id}),
                 15);

        // Edit, then leave with Esc: the card asks and saves.
        selectRow(users->grid(), QStringLiteral("sidorov"));
        whenModal<TfSecurityUserEdit>([](TfSecurityUserEdit* card) {
            QCOMPARE(qobject_cast<QLineEdit*>(card->editor(QStringLiteral("US_NAME")))->text(),
                     QStringLiteral("Сидоров Пётр"));
            type(card->editor(QStringLiteral("US_PHONE_MOB")), QStringLiteral("+7 900 1"));
            answerMessage(QStringLiteral("Сохранить изменения?"));
            QTest::keyClick(card, Qt::Key_Escape);
        });
        users->editUser();
        QCOMPARE(
            db.scalar(QStringLiteral("select US_PHONE_MOB from CRM_USERS where US_ID = ?"), {id}).toString(),
            QStringLiteral("+7 900 1"));

        // The administrator sets the new user's password and takes a right away in the rights window.
        whenModal<TfSecuritySetup>([](TfSecuritySetup* setup) {
            selectRow(setup->grid(), QStringLiteral("sidorov"));
            QCOMPARE(setup->rights().userId(), setup->users().currentUserId());
            whenModal<TfSecurityUserPwd>([](TfSecurityUserPwd* pwd) {
                QVERIFY(!pwd->currentEdit()->isEnabled());
                typeText(pwd->newEdit(), QStringLiteral("Пароль1"));
                typeText(pwd->confirmEdit(), QStringLiteral("Пароль2"));
                whenModal<QMessageBox>([](QMessageBox* box) {
                    QCOMPARE(box->text(), QStringLiteral("Новый пароль и его подтверждение не совпадают!"));
                    box->button(QMessageBox::Ok)->click();
                    QTimer::singleShot(0, [] {
                        auto* pwd = qobject_cast<TfSecurityUserPwd*>(QApplication::activeModalWidget());
                        QVERIFY(pwd);
                        pwd->confirmEdit()->clear();
                        typeText(pwd->confirmEdit(), QStringLiteral("Пароль1"));
                        answerMessage(QStringLiteral("Пароль изменен успешно!"));
                        clickButton(pwd, QStringLiteral("Сохранить"));
                    });
                });
                clickButton(pwd, QStringLiteral("Сохранить"));
            });
            clickButton(setup, QStringLiteral("Сменить п&ароль ..."));
            setup->tree()->setCurrentItem(setup->item(Right::DeleteDocuments));
            setup->denySelected();
            QCOMPARE(setup->item(Right::DeleteDocuments)->data(0, Qt::AccessibleTextRole).toString(),
                     QStringLiteral("Удаление документов: запрещено"));
            QTest::keyClick(setup, Qt::Key_Escape); // closing saves the tree
        });
        Shell::MenuHooks::handler(QStringLiteral("itemSecurity"))();
        QVERIFY(Login::passwordMatches(db, id, QStringLiteral("Пароль1")));
        QCOMPARE(
            count(QStringLiteral("select count(*) from CRM_USERS_SECURITY where USC_US_ID = ? and USC_SC_ID "
                                 "between 100004 and 100008"),
                  {id}),
            0);
        QCOMPARE(count(QStringLiteral("select count(*) from CRM_USERS_SECURITY where USC_US_ID = ?"), {id}),
                 10);

        // Log in as the new user: a wrong password first, the dialog comes back.
        whenModalLater<TfEnterLogin>([](TfEnterLogin* d) {
            d->setLogin(QStringLiteral("sidorov"));
            typeText(d->passwordEdit(), QStringLiteral("пароль1"));
            whenModalLater<QMessageBox>([](QMessageBox* box) {
                QCOMPARE(box->text(), QStringLiteral("Неправильный пароль"));
                whenModalLater<TfEnterLogin>([](TfEnterLogin* again) {
                    QCOMPARE(again->login(), QStringLiteral("sidorov"));
                    typeText(again->passwordEdit(), QStringLiteral("Пароль1"));
                    clickButton(again, QStringLiteral("Ок"));
                });
                box->button(QMessageBox::Ok)->click();
            });
            clickButton(d, QStringLiteral("Ок"));
        });
        runLogin();
        QCOMPARE(CurrentUserId(), id);
        QCOMPARE(CurrentUserDepartment(), QStringLiteral("Склад"));

        // Back as the administrator, the user is deleted with the rights.
        Login::makeCurrent(Login::check(db, QStringLiteral("Админ"), QString()));
        selectRow(users->grid(), QStringLiteral("sidorov"));
        answerMessage(QStringLiteral("Вы уверены, что желаете удалить сотрудника?"));
        users->deleteUser();
        QCOMPARE(users->statusText(), QStringLiteral("Всего сотрудников : 1"));
        QCOMPARE(count(QStringLiteral("select count(*) from CRM_USERS where US_ID = ?"), {id}), 0);
        QCOMPARE(count(QStringLiteral("select count(*) from CRM_USERS_SECURITY where USC_US_ID = ?"), {id}),
                 0);
        users->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        Data::Database::setMain(nullptr);
    }

    void theMainMenuFollowsTheRightsAtOnce()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        Data::Database::setMain(&db);
        RightsCatalog::update(db);
        int admin = 0;
        {
            TdmUsers users(db);
            admin = users.currentUserId();
        }
        Login::makeCurrent(Login::check(db, QStringLiteral("Админ"), QString()));
        {
            Shell::MainWindow window;
            window.refreshMenus();
            QVERIFY(window.menuItem(QStringLiteral("itemUsers"))->isEnabled());
            QVERIFY(window.menuItem(QStringLiteral("itemSecurity"))->isEnabled());
            QVERIFY(window.menuItem(QStringLiteral("itemRenameColumns")) != nullptr);
            // Revoked by another workstation: the next menu refresh sees it, nothing is cached.
            db.exec(
                QStringLiteral("delete from CRM_USERS_SECURITY where USC_US_ID = ? and USC_SC_ID = 100003"),
                {admin});
            window.refreshMenus();
            QVERIFY(!window.menuItem(QStringLiteral("itemUsers"))->isEnabled());
            QVERIFY(window.menuItem(QStringLiteral("itemSecurity"))->isEnabled());
            QVERIFY_THROWS_EXCEPTION(ESecurityException,
                                     Shell::MenuHooks::handler(QStringLiteral("itemUsers"))());
        }
        Shell::TDataBaseConnection::instance().setCurrentUser(0, {}, {}, {});
        Data::Database::setMain(nullptr);
    }

    void cancellingTheLoginEndsTheStartSilently()
    {
        Test::TestDatabase t;
        Data::Database::setMain(&t.db());
        whenModal<TfEnterLogin>([](TfEnterLogin* d) { QTest::keyClick(d, Qt::Key_Escape); });
        QVERIFY_THROWS_EXCEPTION(Abort, runLogin());
        Data::Database::setMain(nullptr);
    }

    // Another administrator deletes the user whose rights are shown: "Сохранить", a change of
    // user and closing each say so in words; the tree then belongs to the user selected in the
    // list, and the window can always be closed.
    void theRightsWindowOutlivesAUserDeletedByAnotherAdministrator()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        Data::Database::setMain(&db);
        addUsers(db, {QStringLiteral("first"), QStringLiteral("second"), QStringLiteral("third")});
        const int first = userId(QStringLiteral("first")), second = userId(QStringLiteral("second")),
                  third = userId(QStringLiteral("third"));
        auto other = t.connectAgain();
        const auto dropUser = [&other](int id) {
            other->exec(QStringLiteral("delete from CRM_USERS_SECURITY where USC_US_ID = ?"), {id});
            other->exec(QStringLiteral("delete from CRM_USERS where US_ID = ?"), {id});
        };
        bool closed = false;
        whenModal<TfSecuritySetup>([&](TfSecuritySetup* setup) {
            // A failed check returns here: the window must not stay open.
            const auto leave = qScopeGuard([setup] {
                if (setup->isVisible())
                    setup->QDialog::done(QDialog::Rejected);
            });
            // "Сохранить".
            selectRow(setup->grid(), QStringLiteral("first"));
            QCOMPARE(setup->rights().userId(), first);
            denyFromMenu(setup, Right::DeleteDocuments);
            QCOMPARE(setup->rights().state(Right::DeleteDocuments), TRightsTree::State::Denied);
            dropUser(first);
            answerMessage(UserDeleted);
            clickButton(setup, QStringLiteral("Сохранить"));
            QVERIFY(!listed(setup->grid(), QStringLiteral("first")));
            QCOMPARE(setup->rights().userId(), setup->users().currentUserId());
            QTRY_COMPARE(setup->grid()->currentIndex().row(),
                         setup->grid()->gridRow(setup->users().userQuery().recNo()));
            QVERIFY(setup->item(Right::DeleteDocuments));

            // A change of user.
            selectRow(setup->grid(), QStringLiteral("second"));
            QCOMPARE(setup->rights().userId(), second);
            denyFromMenu(setup, Right::Approval);
            dropUser(second);
            answerMessage(UserDeleted);
            selectRow(setup->grid(), QStringLiteral("third"));
            QVERIFY(!listed(setup->grid(), QStringLiteral("second")));
            QCOMPARE(setup->users().currentUserId(), third);
            QCOMPARE(setup->rights().userId(), third);
            QTRY_COMPARE(currentLogin(setup->grid()), QStringLiteral("third"));
            QCOMPARE(setup->rights().state(Right::Approval), TRightsTree::State::Allowed);
            // The next save writes to the user shown, and only what was set for that user.
            denyFromMenu(setup, Right::DeleteDocuments);
            clickButton(setup, QStringLiteral("Сохранить"));
            QCOMPARE(count(QStringLiteral("select count(*) from CRM_USERS_SECURITY where USC_US_ID = ?"), {third}),
                     10);

            // Closing: offered to close without saving.
            denyFromMenu(setup, Right::Login);
            dropUser(third);
            whenModal<QMessageBox>([](QMessageBox* box) {
                QCOMPARE(box->text(), UserDeleted + QStringLiteral("\n\nЗакрыть окно без сохранения прав?"));
                box->button(QMessageBox::Yes)->click();
            });
            QTest::keyClick(setup, Qt::Key_Escape);
            closed = !setup->isVisible();
        });
        Shell::MenuHooks::handler(QStringLiteral("itemSecurity"))();
        QVERIFY(closed);
        QCOMPARE(count(QStringLiteral("select count(*) from CRM_USERS_SECURITY where USC_US_ID in (?, ?, ?)"),
                       {first, second, third}),
                 0);
        QCOMPARE(count(QStringLiteral("select count(*) from CRM_USERS")), 1);
        Shell::TDataBaseConnection::instance().setCurrentUser(0, {}, {}, {});
        Data::Database::setMain(nullptr);
    }

    // Neither user list edits in place: edits go through the card.
    void theUserListsAreReadOnly()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        Data::Database::setMain(&db);
        addUsers(db, {QStringLiteral("sidorov")});
        const auto name = [&db] {
            return db.scalar(QStringLiteral("select US_NAME from CRM_USERS where US_LOGIN = 'sidorov'")).toString();
        };

        Shell::MenuHooks::handler(QStringLiteral("itemUsers"))();
        TfUsers* users = TfUsers::open();
        typeIntoTheList(users->grid(), QStringLiteral("sidorov"));
        QCOMPARE(name(), QStringLiteral("SIDOROV"));
        users->close();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);

        bool done = false;
        whenModal<TfSecuritySetup>([&](TfSecuritySetup* setup) {
            const auto leave = qScopeGuard([setup] {
                if (setup->isVisible())
                    setup->QDialog::done(QDialog::Rejected);
            });
            typeIntoTheList(setup->grid(), QStringLiteral("sidorov"));
            QCOMPARE(name(), QStringLiteral("SIDOROV"));
            done = true;
            QTest::keyClick(setup, Qt::Key_Escape);
        });
        Shell::MenuHooks::handler(QStringLiteral("itemSecurity"))();
        QVERIFY(done);
        QCOMPARE(name(), QStringLiteral("SIDOROV"));
        Shell::TDataBaseConnection::instance().setCurrentUser(0, {}, {}, {});
        Data::Database::setMain(nullptr);
    }

    void aReportMenuItemIsDeniedFromItsRightsDialog()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        TdmUsers users(db);
        // The call places come with the schema; the key is clear of the seeded items.
        db.exec(QStringLiteral("insert into FR_MENU (IDITEM, NMITEM, IDPLACE) values (903, 'Заказ', 1001)"));
        TFRMenuRightsForm form(db, 903);
        QCOMPARE(form.list()->topLevelItem(0)->text(1), QStringLiteral("Разрешен"));
        form.denySelected();
        QCOMPARE(form.list()->topLevelItem(0)->text(1), QStringLiteral("Запрещен"));
        QCOMPARE(db.scalar(QStringLiteral("select count(*) from FR_DENIED where IDITEM = 903")).toInt(), 1);
        form.allowSelected();
        QCOMPARE(form.list()->topLevelItem(0)->text(1), QStringLiteral("Разрешен"));
    }

private:
    QTemporaryDir m_home;
};

QTEST_MAIN(UsersWindows)
#include "tst_userswindows.moc"
