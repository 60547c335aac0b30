#pragma once

#include <QKeySequence>
#include <QString>
#include <functional>

class QAction;
class QFormLayout;
class QLineEdit;
class QToolBar;
class QVBoxLayout;
class QWidget;

namespace Tarvo::Payments {

// What the plan and payment editors are built from: a text toolbar of commands above labelled
// header fields (each label the buddy of its field), and the question asked before a changed
// document is closed.
class EditorFrame
{
public:
    // Lays out `window` with the toolbar at the top.
    explicit EditorFrame(QWidget* window);

    QVBoxLayout* layout() const { return m_layout; }
    QToolBar* toolbar() const { return m_toolbar; }

    QAction* command(const QString& name, const QString& text, const QKeySequence& key, const std::function<void()>& run,
                     Qt::ShortcutContext context = Qt::WindowShortcut);

    // A field under its label; the label names it for assistive technology too.
    static void row(QFormLayout* form, QWidget* field, const QString& name, const QString& label);
    static QLineEdit* line(QFormLayout* form, QWidget* parent, const QString& name, const QString& label);

    // "Yes" saves (true when it did), "No" drops the changes, "Cancel" keeps the window open:
    // true when it may close.
    static bool mayClose(QWidget* window, const QString& question, const std::function<bool()>& save);

private:
    QWidget* m_window;
    QVBoxLayout* m_layout;
    QToolBar* m_toolbar;
};

} // namespace Tarvo::Payments
