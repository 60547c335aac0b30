// Every window the main menu opens, on the demo company, checked as a keyboard user meets it:
// Tab reaches every control and each one has a name a screen reader can say.
#include "BusOffer/ui/offereditorregistration.h"
#include "BusOffer/ui/offerlistregistration.h"
#include "catalog/ui/catalogwindows.h"
#include "catalog/ui/pricewindows.h"
#include "db/demodata.h"
#include "newLookup/ui/columnsregistration.h"
#include "otbor/tglobalotbors.h"
#include "otbor/ui/otbormodule.h"
#include "security/rightscatalog.h"
#include "security/ui/securityregistration.h"
#include "shell/commandlineswitches.h"
#include "shell/formactivationregistry.h"
#include "shell/tdatabaseconnection.h"
#include "shell/ui/mainwindow.h"
#include "shell/ui/menuhooks.h"
#include "support/menuwalk.h"
#include "support/testdatabase.h"
#include "support/testenvironment.h"
#include "support/widgetdriver.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QPushButton>
#include <QTabBar>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QtTest>

using namespace Tarvo;
using namespace Qt::Literals::StringLiterals;

namespace {

QString nameOf(QWidget* w)
{
    QString text = w->objectName();
    if (auto* b = qobject_cast<QAbstractButton*>(w))
        text += u" \""_s + b->text() + u'"';
    return QString::fromLatin1(w->metaObject()->className()) + u' ' + text;
}

// What a keyboard user cannot reach or hear in `window`, its focus placed on its first control.
QStringList keyboardProblems(QWidget* window)
{
    QStringList problems;
    if (!QApplication::focusWidget() || !window->isAncestorOf(QApplication::focusWidget())) {
        QWidget* first = window->nextInFocusChain();
        while (first != window && !(first->isVisible() && first->isEnabled() && (first->focusPolicy() & Qt::TabFocus)))
            first = first->nextInFocusChain();
        first->setFocus(Qt::TabFocusReason);
    }
    // A date field takes Tab through its day, month and year first.
    QList<QWidget*> cycle;
    int stay = 0;
    for (int i = 0; i < 400 && QApplication::focusWidget(); ++i) {
        QWidget* now = QApplication::focusWidget();
        if (!cycle.isEmpty() && cycle.last() == now) {
            if (++stay > 8)
                break;
        } else if (cycle.contains(now)) {
            break;
        } else {
            cycle << now;
            stay = 0;
        }
        QTest::keyClick(now, Qt::Key_Tab);
    }
    for (QWidget* w : window->findChildren<QWidget*>()) {
        if (!(w->focusPolicy() & Qt::TabFocus) || !w->isVisible() || !w->isEnabled() || w->focusProxy())
            continue;
        // Tab visits the chosen option of a group; the arrows move inside it.
        if (auto* r = qobject_cast<QAbstractButton*>(w); r && r->autoExclusive() && !r->isChecked())
            continue;
        if (!cycle.contains(w)) {
            QStringList order;
            for (QWidget* c : std::as_const(cycle))
                order << nameOf(c);
            problems << u"Tab never reaches "_s + nameOf(w) + u" (Tab goes "_s + order.join(u", "_s) + u')';
        }
        // A tab bar is spoken by its tabs' titles.
        if (!Test::isNamed(w) && !qobject_cast<QTabBar*>(w))
            problems << u"no name for "_s + nameOf(w);
    }
    return problems;
}

} // namespace

class MenuWindowsTest : public QObject
{
    Q_OBJECT
    QTemporaryDir m_home;

private slots:
    void initTestCase() { Test::isolateUserFolders(m_home.path()); }

    void everyMenuWindowIsReachableByKeyboard()
    {
        Test::TestDatabase t;
        Data::Database& db = t.db();
        Test::startDemoCompanyAsAdmin(db);
        Shell::MainWindow main(Shell::CommandLineSwitches({u"tarvo-scm"_s}));
        main.show();
        main.refreshMenus();
        QVERIFY(QTest::qWaitForWindowActive(&main));

        QStringList opened;
        const QStringList problems =
            Test::walkMenuWindows(main, [](const Test::MenuWindow& w) { return keyboardProblems(w.window); }, &opened);
        qInfo().noquote() << opened.join(u'\n');
        QVERIFY2(opened.size() >= 20, qPrintable(opened.join(u'\n')));
        for (const QString& p : problems)
            qWarning().noquote() << p;
        QVERIFY2(problems.isEmpty(), "see the warnings above");
        main.mdiArea()->closeAllSubWindows();
        Data::Database::setMain(nullptr);
    }
};

QTEST_MAIN(MenuWindowsTest)
#include "tst_menuwindows.moc"
