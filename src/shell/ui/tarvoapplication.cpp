#include "shell/ui/tarvoapplication.h"

#include "shell/exception.h"

#include <QMessageBox>

namespace Tarvo::Shell {

TarvoApplication::TarvoApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName(QStringLiteral("TarvoSCM"));
    setApplicationDisplayName(QStringLiteral("Тарво SCM"));
    setApplicationVersion(QStringLiteral("0.1.0"));
}

bool TarvoApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const Abort&) {
    } catch (const Exception& e) {
        showError(e.message());
    } catch (const std::exception& e) {
        showError(QString::fromUtf8(e.what()));
    }
    return false;
}

void TarvoApplication::showError(const QString& message)
{
    QMessageBox::critical(activeWindow(), applicationDisplayName(), message);
}

} // namespace Tarvo::Shell
