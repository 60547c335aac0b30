#pragma once

#include <QApplication>

namespace Tarvo::Shell {

// The application with its general handler: a Tarvo::Exception that leaves an
// event handler is shown in a message box, a Tarvo::Abort ends silently.
class TarvoApplication : public QApplication
{
    Q_OBJECT
public:
    TarvoApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;

    static void showError(const QString& message);
};

} // namespace Tarvo::Shell
