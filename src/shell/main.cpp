#include "data/connector.h"
#include "shell/exception.h"
#include "shell/ui/mainwindow.h"

#include <QApplication>
#include <QMessageBox>
#include <QTimer>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Тарво SCM"));
    QApplication::setApplicationDisplayName(QStringLiteral("Тарво SCM"));

    Tarvo::Shell::MainWindow window;
    window.showMaximized();

    std::unique_ptr<Tarvo::Data::Database> db;
    // Connect at the first idle moment, once the window is on screen.
    QTimer::singleShot(0, &window, [&] {
        try {
            db = Tarvo::Data::Connector::connect(Tarvo::Data::Connector::settingsFrom(QApplication::arguments()));
            Tarvo::Data::Database::setMain(db.get());
        } catch (const Tarvo::Exception& e) {
            QMessageBox::critical(&window, QApplication::applicationDisplayName(), e.message());
            QApplication::exit(1);
        }
    });
    return QApplication::exec();
}
