#pragma once

// Works a data grid and the fields of a window as a user does: brings the window up, picks a
// row, types into a cell or a field, presses a window's button. Shared by the window tests.
#include "support/typetext.h"
#include "widgets/tdatagrid.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QLineEdit>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPointer>
#include <QtTest>
#include <functional>

namespace Tarvo::Test {

// The MDI frame around a window shown in the main window's area.
inline QMdiSubWindow* frameOf(QWidget* w)
{
    return qobject_cast<QMdiSubWindow*>(w->parentWidget());
}

// The first MDI child of this type in the area, or nullptr.
template <typename W> W* mdiWindow(QMdiArea* area)
{
    for (QMdiSubWindow* s : area->subWindowList())
        if (auto* w = qobject_cast<W*>(s->widget()))
            return w;
    return nullptr;
}

// The MDI window comes to the front of its area, as a click on its frame brings it.
inline void toFront(QWidget* w)
{
    frameOf(w)->mdiArea()->setActiveSubWindow(frameOf(w));
}

// The window holding `w` becomes the active MDI child, as a user's click makes it, and `w` takes
// the focus.
inline void bringUp(QWidget* w)
{
    activate(w->window());
    for (QWidget* p = w; p; p = p->parentWidget())
        if (auto* sub = qobject_cast<QMdiSubWindow*>(p)) {
            sub->mdiArea()->setActiveSubWindow(sub);
            break;
        }
    w->setFocus();
    QTRY_VERIFY(w->hasFocus());
}

inline QModelIndex cellOf(Widgets::TDataGrid* grid, int row, const QString& field)
{
    return grid->model()->index(row, grid->fieldColumn(field));
}

// What the cell holds, as its editor reads it.
inline QVariant cell(Widgets::TDataGrid* grid, int row, const QString& field)
{
    return grid->model()->data(cellOf(grid, row, field), Qt::EditRole);
}

// The first row that `match` takes, or -1.
inline int rowWhere(Widgets::TDataGrid* grid, const std::function<bool(int row)>& match)
{
    for (int r = 0; r < grid->model()->rowCount(); ++r)
        if (match(r))
            return r;
    return -1;
}

// The cell's text as the grid shows it.
inline QString shown(Widgets::TDataGrid* grid, int row, const QString& field)
{
    return grid->model()->data(cellOf(grid, row, field)).toString();
}

// The first row whose cell shows `text`, or -1.
inline int rowShowing(Widgets::TDataGrid* grid, const QString& field, const QString& text)
{
    return rowWhere(grid, [&](int r) { return shown(grid, r, field) == text; });
}

// The row whose key field holds `key`, or -1.
inline int rowOf(Widgets::TDataGrid* grid, const QString& field, qint64 key)
{
    return rowWhere(grid, [&](int r) { return cell(grid, r, field).toLongLong() == key; });
}

// The cell under the grid's cursor, the grid focused as a user's click leaves it.
inline void pick(Widgets::TDataGrid* grid, int row, const QString& field)
{
    grid->setFocus();
    grid->setCurrentIndex(cellOf(grid, row, field));
}

// F2 on the cell, everything in it replaced by `text`, Enter.
inline void typeInto(Widgets::TDataGrid* grid, int row, const QString& field, const QString& text)
{
    QVERIFY(row >= 0);
    bringUp(grid);
    grid->setCurrentIndex(cellOf(grid, row, field));
    press(grid, Qt::Key_F2);
    QPointer<QWidget> editor = QApplication::focusWidget();
    QVERIFY(editor && editor != grid);
    press(editor, Qt::Key_A, Qt::ControlModifier);
    typeText(editor, text);
    press(editor, Qt::Key_Return);
    // The delegate hands the text over on the next turn of the event loop.
    QTRY_VERIFY(!editor || !editor->isVisible() || QApplication::focusWidget() != editor);
    QApplication::processEvents();
}

// The field's text replaced by `text`, then Tab out of it.
inline void typeField(QLineEdit* edit, const QString& text)
{
    QVERIFY(edit);
    bringUp(edit);
    edit->selectAll();
    typeText(edit, text);
    press(edit, Qt::Key_Tab);
}

// The item whose data is `data` chosen in the list, as a click on it chooses it.
inline void choose(QComboBox* combo, const QVariant& data)
{
    const int i = combo->findData(data.toString());
    QVERIFY(i >= 0);
    combo->setFocus();
    combo->setCurrentIndex(i);
    emit combo->activated(i);
}

// The window's action by name, pressed; fails when it is missing or disabled.
inline void trigger(QWidget* w, const QString& action)
{
    QAction* a = w->findChild<QAction*>(action);
    QVERIFY2(a, qPrintable(action));
    QVERIFY2(a->isEnabled(), qPrintable(action));
    a->trigger();
}

} // namespace Tarvo::Test
