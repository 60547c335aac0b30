// Every window the main menu opens, on the demo company, as it first shows: keys that reach one
// command only, fields named by their labels, grids that can be seen, toolbars captioned alike.
#include "BusOffer/ui/offereditorregistration.h"
#include "BusOffer/ui/offerlistregistration.h"
#include "catalog/ui/catalogwindows.h"
#include "catalog/ui/lookupdelegate.h"
#include "catalog/ui/pricewindows.h"
#include "core/apppaths.h"
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
#include "shell/ui/tsaveform.h"
#include "support/menuwalk.h"
#include "support/testdatabase.h"
#include "support/testenvironment.h"
#include "support/widgetdriver.h"
#include "widgets/tdatagrid.h"

#include <QAbstractSpinBox>
#include <QAccessible>
#include <QComboBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QShortcut>
#include <QStyledItemDelegate>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QToolBar>
#include <QToolButton>
#include <QWindow>
#include <QtTest>

using namespace Tarvo;
using namespace Qt::Literals::StringLiterals;

namespace {

QString describe(const QObject* o)
{
    QString text = QString::fromLatin1(o->metaObject()->className()) + u' ' + o->objectName();
    if (auto* a = qobject_cast<const QAction*>(o))
        text += u" \""_s + a->text() + u'"';
    else if (auto* b = qobject_cast<const QAbstractButton*>(o))
        text += u" \""_s + b->text() + u'"';
    return text;
}

// The widget whose place decides when an action attached to `w` answers its keys: a menu's item
// answers through the menu bar that holds the menu; a pop-up menu of a button or a context menu
// answers only while it is open (nullptr).
QWidget* keyOwner(QWidget* w, int depth = 0)
{
    auto* menu = qobject_cast<QMenu*>(w);
    if (!menu)
        return w;
    if (depth > 8 || !menu->menuAction()->isVisible())
        return nullptr;
    for (QObject* o : menu->menuAction()->associatedObjects()) {
        auto* holder = qobject_cast<QWidget*>(o);
        if (qobject_cast<QMenuBar*>(holder))
            return holder;
        if (QWidget* up = holder ? keyOwner(holder, depth + 1) : nullptr; up && up != holder)
            return up;
    }
    return nullptr;
}

// The MDI frame that holds `w`, if any.
QWidget* documentFrame(QWidget* w)
{
    for (QWidget* p = w; p && !p->isWindow(); p = p->parentWidget())
        if (p->windowType() == Qt::SubWindow)
            return p;
    return nullptr;
}

// Whether a key bound on `owner` in `context` reaches the command while `focus` has the focus in
// the active window `top` (the rules of Qt's shortcut map).
bool reaches(QWidget* owner, Qt::ShortcutContext context, QWidget* focus, QWidget* top)
{
    if (!owner || !owner->isVisible() || !owner->isEnabled() || owner->window() != top)
        return false;
    switch (context) {
    case Qt::ApplicationShortcut:
        return true;
    case Qt::WindowShortcut:
        if (QWidget* frame = documentFrame(owner))
            return frame == focus || frame->isAncestorOf(focus);
        return true;
    case Qt::WidgetWithChildrenShortcut:
        return owner == focus || owner->isAncestorOf(focus);
    case Qt::WidgetShortcut:
        return owner == focus;
    }
    return false;
}

// Keys that reach two commands from one focused control of `window`: Qt calls them ambiguous and
// runs neither.
QStringList sharedShortcuts(QWidget* window)
{
    QWidget* top = window->window();
    struct Binding
    {
        QObject* command;
        QWidget* owner;
        Qt::ShortcutContext context;
        QList<QKeySequence> keys;
    };
    QList<Binding> bindings;
    for (QWidget* w : QApplication::allWidgets()) {
        for (QAction* a : w->actions())
            if (a->isEnabled() && a->isVisible() && !a->shortcuts().isEmpty())
                bindings.push_back({a, keyOwner(w), a->shortcutContext(), a->shortcuts()});
        // A button's own key, beyond the Alt-letter of its caption.
        if (auto* b = qobject_cast<QAbstractButton*>(w);
            b && !b->shortcut().isEmpty() && b->shortcut() != QKeySequence::mnemonic(b->text()))
            bindings.push_back({b, b, Qt::WindowShortcut, {b->shortcut()}});
    }
    for (QShortcut* s : top->findChildren<QShortcut*>())
        if (s->isEnabled())
            bindings.push_back({s, qobject_cast<QWidget*>(s->parent()), s->context(), s->keys()});

    QList<QWidget*> focusable{window};
    for (QWidget* w : window->findChildren<QWidget*>())
        if (w->focusPolicy() != Qt::NoFocus && w->isVisible() && w->isEnabled())
            focusable << w;
    QStringList problems;
    for (QWidget* focus : std::as_const(focusable)) {
        QMap<QString, QList<QObject*>> byKey;
        for (const Binding& b : std::as_const(bindings)) {
            if (!reaches(b.owner, b.context, focus, top))
                continue;
            for (const QKeySequence& k : b.keys) {
                QList<QObject*>& commands = byKey[k.toString(QKeySequence::PortableText)];
                if (!commands.contains(b.command))
                    commands << b.command;
            }
        }
        for (auto it = byKey.cbegin(); it != byKey.cend(); ++it) {
            if (it.value().size() < 2)
                continue;
            QStringList who;
            for (QObject* c : it.value())
                who << describe(c);
            const QString p = it.key() + u" in "_s + describe(focus) + u": "_s + who.join(u", "_s);
            if (!problems.contains(p))
                problems << p;
        }
    }
    return problems;
}

// Labelled fields a screen reader would not call by their label.
QStringList unnamedFields(QWidget* window)
{
    QStringList problems;
    for (QLabel* label : window->findChildren<QLabel*>()) {
        QWidget* field = label->buddy();
        if (!field || !(qobject_cast<QLineEdit*>(field) || qobject_cast<QComboBox*>(field) ||
                        qobject_cast<QAbstractSpinBox*>(field) || qobject_cast<QTextEdit*>(field) ||
                        qobject_cast<QPlainTextEdit*>(field)))
            continue;
        const QString expected = QString(label->text()).remove(u'&').simplified();
        QAccessibleInterface* spoken = QAccessible::queryAccessibleInterface(field);
        const QString said = spoken ? spoken->text(QAccessible::Name) : QString();
        // A window may put the group before the label: "По дате заявки: От", "Интервал плана с".
        const auto isLabel = [&](const QString& name) {
            return name == expected || name.endsWith(u' ' + expected);
        };
        if (!isLabel(field->accessibleName()) || !isLabel(said))
            problems << describe(field) + u" labelled \""_s + expected + u"\" is called \""_s + said + u'"';
    }
    return problems;
}

// Grids too small to be read, a first cell in a hidden column, cut titles and choices, toolbars
// whose buttons differ in what they show.
QStringList lookProblems(QWidget* window, bool document)
{
    QStringList problems;
    // A document that keeps its place opens at the default size before it has one saved, as far as
    // the main window allows.
    auto* frame = qobject_cast<QMdiSubWindow*>(window->parentWidget());
    if (frame && document && qobject_cast<Shell::TSaveForm*>(window)) {
        const QSize want = Shell::TSaveForm::DefaultDocumentSize.boundedTo(frame->mdiArea()->viewport()->size());
        if (frame->width() < want.width() || frame->height() < want.height())
            problems << describe(window) + u" opens at "_s + QString::number(frame->width()) + u'x' +
                            QString::number(frame->height()) + u" px"_s;
    }
    for (auto* grid : window->findChildren<Widgets::TDataGrid*>()) {
        if (!grid->isVisible())
            continue;
        const int rowHeight = grid->verticalHeader()->defaultSectionSize();
        if (document && (grid->viewport()->height() < 3 * rowHeight || grid->viewport()->width() < 200))
            problems << describe(grid) + u" shows "_s + QString::number(grid->viewport()->width()) + u'x' +
                            QString::number(grid->viewport()->height()) + u" px"_s;
        const QModelIndex current = grid->currentIndex();
        if (current.isValid() && grid->isColumnHidden(current.column()))
            problems << describe(grid) + u": the current cell is in the hidden column "_s + grid->columnField(current.column());
        for (int c : grid->columnsInDisplayOrder()) {
            if (grid->isColumnHidden(c))
                continue;
            if (grid->columnWidth(c) < grid->horizontalHeader()->sectionSizeHint(c))
                problems << describe(grid) + u": the title \""_s + grid->columnCaption(c) + u"\" is cut ("_s +
                                QString::number(grid->columnWidth(c)) + u" of "_s +
                                QString::number(grid->horizontalHeader()->sectionSizeHint(c)) + u" px)"_s;
        }
    }
    for (auto* combo : window->findChildren<QComboBox*>()) {
        if (!combo->isVisible())
            continue;
        int widest = 0;
        for (int i = 0; i < combo->count(); ++i)
            widest = qMax(widest, combo->fontMetrics().horizontalAdvance(combo->itemText(i)));
        if (combo->width() < widest)
            problems << describe(combo) + u" is "_s + QString::number(combo->width()) + u" px for choices of "_s +
                            QString::number(widest) + u" px"_s;
    }
    for (auto* bar : window->findChildren<QToolBar*>()) {
        QMap<int, QStringList> styles;
        for (auto* b : bar->findChildren<QToolButton*>(Qt::FindDirectChildrenOnly))
            if (b->isVisible() && b->objectName() != u"qt_toolbar_ext_button"_s)
                styles[b->toolButtonStyle()] << b->text();
        if (styles.size() > 1) {
            QStringList kinds;
            for (auto it = styles.cbegin(); it != styles.cend(); ++it)
                kinds << it.value().join(u", "_s);
            problems << describe(bar) + u": buttons shown differently: "_s + kinds.join(u" / "_s);
        }
    }
    return problems;
}

// Values wider than their column in the rows on screen: numbers, dates and the short texts of
// states and flags must be read whole; free texts (names, descriptions) may run on.
QStringList cutValues(QWidget* window)
{
    QStringList problems;
    for (auto* grid : window->findChildren<Widgets::TDataGrid*>()) {
        if (!grid->isVisible() || !grid->model())
            continue;
        const QAbstractItemModel* model = grid->model();
        const int rows = qMin(model->rowCount(), 40);
        for (int c : grid->columnsInDisplayOrder()) {
            if (grid->isColumnHidden(c))
                continue;
            for (int r = 0; r < rows; ++r) {
                const QModelIndex index = model->index(r, c);
                const QString text = index.data(Qt::DisplayRole).toString();
                if (text.isEmpty())
                    continue;
                const bool number = text.front().isDigit() || text.front() == u'-';
                const bool word = !text.contains(u' ') || text.size() <= 24;
                if (!number && !word)
                    continue;
                // The cell loses a pixel to the grid line.
                const int need = grid->sizeHintForIndex(index).width() + (grid->showGrid() ? 1 : 0);
                if (grid->columnWidth(c) < need) {
                    problems << describe(grid) + u": «"_s + text + u"» in «"_s + grid->columnCaption(c) +
                                    u"» is cut ("_s + QString::number(grid->columnWidth(c)) + u" of "_s +
                                    QString::number(need) + u" px)"_s;
                    break;
                }
            }
        }
    }
    return problems;
}

// Names right-aligned like numbers (a key column shown by the name it points to).
QStringList rightAlignedNames(QWidget* window)
{
    QStringList problems;
    for (auto* grid : window->findChildren<Widgets::TDataGrid*>()) {
        if (!grid->isVisible() || !grid->model())
            continue;
        const QAbstractItemModel* model = grid->model();
        for (int c : grid->columnsInDisplayOrder()) {
            if (grid->isColumnHidden(c))
                continue;
            for (int r = 0; r < qMin(model->rowCount(), 20); ++r) {
                const QModelIndex index = model->index(r, c);
                auto* delegate = qobject_cast<QStyledItemDelegate*>(grid->itemDelegateForIndex(index));
                if (!delegate)
                    continue;
                const QString text = delegate->displayText(index.data(Qt::DisplayRole), grid->locale());
                Qt::Alignment alignment = Qt::Alignment(index.data(Qt::TextAlignmentRole).toInt());
                if (auto* lookup = qobject_cast<Catalog::LookupDelegate*>(delegate)) {
                    QStyleOptionViewItem option;
                    lookup->initStyleOption(&option, index);
                    alignment = option.displayAlignment;
                }
                if (!text.isEmpty() && !text.front().isDigit() && text.front() != u'-' &&
                    (alignment & Qt::AlignRight)) {
                    problems << describe(grid) + u": «"_s + text + u"» in «"_s + grid->columnCaption(c) +
                                    u"» is aligned right"_s;
                    break;
                }
            }
        }
    }
    return problems;
}

} // namespace

class MenuWindowLookTest : public QObject
{
    Q_OBJECT
    QTemporaryDir m_home;
    std::unique_ptr<Test::TestDatabase> m_db;
    std::unique_ptr<Shell::MainWindow> m_main;

private slots:
    void initTestCase()
    {
        Test::isolateUserFolders(m_home.path());
        m_db = std::make_unique<Test::TestDatabase>();
        Data::Database& db = m_db->db();
        Test::startDemoCompanyAsAdmin(db);
        m_main = std::make_unique<Shell::MainWindow>(Shell::CommandLineSwitches({u"tarvo-scm"_s}));
        // The size of a maximised main window on a common screen.
        m_main->resize(1280, 900);
        m_main->show();
        m_main->refreshMenus();
        QVERIFY(QTest::qWaitForWindowActive(m_main.get()));
    }

    void cleanupTestCase()
    {
        if (m_main)
            m_main->mdiArea()->closeAllSubWindows();
        m_main.reset();
        Data::Database::setMain(nullptr);
        m_db.reset();
    }

    void noTwoCommandsShareAKey()
    {
        QStringList opened;
        const QStringList problems = Test::walkMenuWindows(
            *m_main, [](const Test::MenuWindow& w) { return sharedShortcuts(w.window); }, &opened);
        QVERIFY2(opened.size() >= 20, qPrintable(opened.join(u'\n')));
        for (const QString& p : problems)
            qWarning().noquote() << p;
        QVERIFY2(problems.isEmpty(), "see the warnings above");
    }

    void everyLabelledFieldIsCalledByItsLabel()
    {
        const QStringList problems =
            Test::walkMenuWindows(*m_main, [](const Test::MenuWindow& w) { return unnamedFields(w.window); });
        for (const QString& p : problems)
            qWarning().noquote() << p;
        QVERIFY2(problems.isEmpty(), "see the warnings above");
    }

    // Without a saved place, as on a first start.
    void windowsOpenShowingTheirGridsAndCaptions()
    {
        QFile::remove(AppPaths::userFile(u"forms.ini"_s));
        const QStringList problems = Test::walkMenuWindows(
            *m_main, [](const Test::MenuWindow& w) { return lookProblems(w.window, !w.modal); });
        for (const QString& p : problems)
            qWarning().noquote() << p;
        QVERIFY2(problems.isEmpty(), "see the warnings above");
    }

    // Without saved columns, as on a first start.
    void valuesInGridsAreNotCut()
    {
        QFile::remove(AppPaths::userFile(u"forms.ini"_s));
        QFile::remove(AppPaths::userFile(u"columns.ini"_s));
        const QStringList problems =
            Test::walkMenuWindows(*m_main, [](const Test::MenuWindow& w) { return cutValues(w.window); });
        for (const QString& p : problems)
            qWarning().noquote() << p;
        QVERIFY2(problems.isEmpty(), "see the warnings above");
    }

    void namesInGridsAreAlignedAsText()
    {
        const QStringList problems =
            Test::walkMenuWindows(*m_main, [](const Test::MenuWindow& w) { return rightAlignedNames(w.window); });
        for (const QString& p : problems)
            qWarning().noquote() << p;
        QVERIFY2(problems.isEmpty(), "see the warnings above");
    }

    // In a grid Ctrl+F is "Найти..."; the filters have a key of their own, told on the menu bar.
    void gridFindAndFiltersHaveTheirOwnKeys()
    {
        QAction* otbors = m_main->menuItem(u"itemOtbors"_s);
        QVERIFY(otbors);
        QVERIFY(!otbors->shortcut().isEmpty());
        QVERIFY(otbors->shortcut() != QKeySequence(QKeySequence::Find));
        QVERIFY2(otbors->toolTip().contains(otbors->shortcut().toString(QKeySequence::NativeText)),
                 qPrintable(otbors->toolTip()));

        // The walk closed windows that held the activation: ask the platform for it again.
        m_main->activateWindow();
        m_main->windowHandle()->requestActivate();
        QVERIFY(QTest::qWaitForWindowActive(m_main.get()));
        m_main->menuItem(u"itemUsers"_s)->trigger();
        QMdiSubWindow* sub = m_main->mdiArea()->activeSubWindow();
        QVERIFY(sub);
        auto* grid = sub->widget()->findChild<Widgets::TDataGrid*>();
        QVERIFY(grid);
        grid->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), grid);

        QString shown;
        Test::whenModal<QDialog>([&](QDialog* d) {
            shown = d->windowTitle();
            d->reject();
        });
        QTest::keyClick(grid, Qt::Key_F, Qt::ControlModifier);
        QTRY_COMPARE(shown, u"Найти"_s);

        shown.clear();
        // The walk closed windows that held the activation: ask the platform for it again.
        m_main->activateWindow();
        m_main->windowHandle()->requestActivate();
        QVERIFY(QTest::qWaitForWindowActive(m_main.get()));
        grid->setFocus();
        QTRY_COMPARE(QApplication::focusWidget(), grid);
        Test::whenModal<QDialog>([&](QDialog* d) {
            shown = d->windowTitle();
            d->reject();
        });
        const QKeyCombination key = otbors->shortcut()[0];
        QTest::keyClick(grid, key.key(), key.keyboardModifiers());
        QTRY_COMPARE(shown, u"Настройка отборов"_s);
        sub->close();
    }
};

QTEST_MAIN(MenuWindowLookTest)
#include "tst_menuwindowlook.moc"
