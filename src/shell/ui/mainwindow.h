#pragma once

#include <QMainWindow>

class QMdiArea;

namespace Tarvo::Shell {

// The MDI main window "Управление цепочками поставок".
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainWindow(QWidget* parent = nullptr);
    QMdiArea* mdiArea() const { return m_mdi; }

private:
    QMdiArea* m_mdi;
};

} // namespace Tarvo::Shell
