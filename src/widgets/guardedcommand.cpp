#include "widgets/guardedcommand.h"

#include "core/exception.h"

#include <QMessageBox>

namespace Tarvo::Widgets {

bool guardedCommand(QWidget* owner, const QString& title, const std::function<void()>& command, FailureBox box)
{
    try {
        command();
        return true;
    } catch (const Abort&) {
    } catch (const Exception& e) {
        if (box == FailureBox::Critical)
            QMessageBox::critical(owner, title, e.message());
        else
            QMessageBox::warning(owner, title, e.message());
    }
    return false;
}

} // namespace Tarvo::Widgets
