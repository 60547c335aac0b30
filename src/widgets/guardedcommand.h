#pragma once

#include <QString>

#include <functional>

class QWidget;

namespace Tarvo::Widgets {

enum class FailureBox { Warning, Critical };

// Runs a window's command: a user's cancel ends silently, a failure is shown in a box over the
// window. True when the command ran through.
bool guardedCommand(QWidget* owner, const QString& title, const std::function<void()>& command,
                    FailureBox box = FailureBox::Warning);

} // namespace Tarvo::Widgets
