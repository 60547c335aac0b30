#pragma once

#include "shell/commandlineswitches.h"

#include <QMainWindow>

class QMdiArea;
class QMenu;
class QTimer;

namespace Tarvo::Shell {

// The MDI main window "Управление цепочками поставок" with the main menu,
// the refresh timer and the close confirmation.
class MainWindow : public QMainWindow
{
    Q_OBJECT
public:
    explicit MainWindow(const CommandLineSwitches& switches = CommandLineSwitches::current(),
                        QWidget* parent = nullptr);
    ~MainWindow() override;

    static MainWindow* instance();
    static const QString ExitQuestion;

    QMdiArea* mdiArea() const { return m_mdi; }
    // A menu item by its key (the action's object name), or nullptr.
    QAction* menuItem(const QString& key) const;
    QMenu* menu(const QString& key) const;

    // Applies the rights, captions and visibility rules; runs before any menu opens.
    void refreshMenus();

    QTimer* refreshTimer() const { return m_refreshTimer; }
    // Seconds between refresh ticks; 0 stops the timer.
    void setRefreshPeriod(int seconds);
    int refreshPeriod() const { return m_refreshPeriod; }
    int refreshMode() const { return m_refreshMode; }
    void setRefreshMode(int mode) { m_refreshMode = mode; }

    // Asks "Вы хотите выйти из программы ?"; true on OK.
    bool confirmExit();

public Q_SLOTS:
    void openSetupDialog();
    void openRefreshSettings();
    void openParameters();
    void openAbout();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void buildMenu();
    QMenu* addMenu(QMenu* parent, const QString& key, const QString& caption);
    QAction* addItem(QMenu* menu, const QString& key, const QString& caption, int formType = 0);
    QAction* addBuiltin(QMenu* menu, const QString& key, const QString& caption, void (MainWindow::*slot)());
    void run(QAction* item);
    bool isAvailable(QAction* item) const;
    QList<QAction*> menuActions() const;

    QMdiArea* m_mdi;
    CommandLineSwitches m_switches;
    QTimer* m_refreshTimer;
    int m_refreshPeriod = 1;
    int m_refreshMode = 1; // "Обновлять окна"
    bool m_exitConfirmed = false;
};

} // namespace Tarvo::Shell
