#include "data/ui/saveerrorbox.h"

#include "data/modules/tdeffereddatamodule.h"

#include <QApplication>
#include <QMessageBox>

namespace Tarvo::Data {

void installSaveErrorBox()
{
    TDefferedDataModule::setSaveErrorPresenter([](const QString& message) {
        QMessageBox box(QMessageBox::Critical, QApplication::applicationDisplayName(), message,
                        QMessageBox::Cancel, QApplication::activeWindow());
        box.exec();
    });
    TDefferedDataModule::setCursorReset([] {
        while (QApplication::overrideCursor())
            QApplication::restoreOverrideCursor();
    });
}

} // namespace Tarvo::Data
