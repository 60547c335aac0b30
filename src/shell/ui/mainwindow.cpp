#include "shell/ui/mainwindow.h"

#include <QMdiArea>

namespace Tarvo::Shell {

MainWindow::MainWindow(QWidget* parent) : QMainWindow(parent), m_mdi(new QMdiArea(this))
{
    setWindowTitle(QStringLiteral("Управление цепочками поставок"));
    setCentralWidget(m_mdi);
}

} // namespace Tarvo::Shell
