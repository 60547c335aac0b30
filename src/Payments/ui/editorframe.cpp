#include "Payments/ui/editorframe.h"

#include <QAction>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QToolBar>
#include <QVBoxLayout>

using namespace Qt::Literals::StringLiterals;

namespace Tarvo::Payments {

EditorFrame::EditorFrame(QWidget* window) : m_window(window)
{
    m_layout = new QVBoxLayout(window);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_toolbar = new QToolBar(window);
    m_toolbar->setObjectName(u"toolbar"_s);
    m_toolbar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    m_layout->addWidget(m_toolbar);
}

QAction* EditorFrame::command(const QString& name, const QString& text, const QKeySequence& key,
                              const std::function<void()>& run, Qt::ShortcutContext context)
{
    QAction* a = m_toolbar->addAction(text, m_window, run);
    a->setObjectName(name);
    a->setShortcut(key);
    a->setShortcutContext(context);
    return a;
}

void EditorFrame::row(QFormLayout* form, QWidget* field, const QString& name, const QString& label)
{
    field->setObjectName(name);
    if (field->accessibleName().isEmpty())
        field->setAccessibleName(label);
    auto* l = new QLabel(label, field->parentWidget());
    l->setBuddy(field);
    form->addRow(l, field);
}

QLineEdit* EditorFrame::line(QFormLayout* form, QWidget* parent, const QString& name, const QString& label)
{
    auto* e = new QLineEdit(parent);
    row(form, e, name, label);
    return e;
}

bool EditorFrame::mayClose(QWidget* window, const QString& question, const std::function<bool()>& save)
{
    const auto answer = QMessageBox::question(window, window->windowTitle(), question,
                                              QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                                              QMessageBox::Cancel);
    return answer == QMessageBox::No || (answer == QMessageBox::Yes && save());
}

} // namespace Tarvo::Payments
