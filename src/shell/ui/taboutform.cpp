#include "shell/ui/taboutform.h"

#include "widgets/dialogbuttons.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

namespace Tarvo::Shell {

TAboutForm::TAboutForm(QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("О программе"));
    auto* icon = new QLabel;
    icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxInformation).pixmap(48, 48));
    auto* text = new QLabel(QStringLiteral("<h3>Тарво SCM</h3><p>Управление цепочками поставок</p>"
                                           "<p>Версия %1</p><p>Qt %2</p>")
                                .arg(QApplication::applicationVersion(), QString::fromLatin1(qVersion())));
    text->setTextInteractionFlags(Qt::TextSelectableByMouse);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(icon, 0, Qt::AlignHCenter);
    layout->addWidget(text);
    layout->addWidget(Widgets::DialogButtons(this, QStringLiteral("OK"), QString()).box());
}

} // namespace Tarvo::Shell
