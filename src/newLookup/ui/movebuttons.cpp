#include "newLookup/ui/movebuttons.h"

#include <QBoxLayout>
#include <QPushButton>

namespace Tarvo::NewLookup {

QBoxLayout* moveButtons(QWidget* parent, Qt::Orientation orientation, std::function<void(int delta)> move)
{
    auto* layout =
        new QBoxLayout(orientation == Qt::Horizontal ? QBoxLayout::LeftToRight : QBoxLayout::TopToBottom);
    const auto add = [&](const QString& text, Qt::Key key, int delta) {
        auto* b = new QPushButton(text, parent);
        b->setShortcut(QKeySequence(Qt::CTRL | key));
        b->setAutoDefault(false);
        QObject::connect(b, &QPushButton::clicked, parent, [move, delta] { move(delta); });
        layout->addWidget(b);
    };
    add(QStringLiteral("В&верх"), Qt::Key_Up, -1);
    add(QStringLiteral("В&низ"), Qt::Key_Down, 1);
    layout->addStretch();
    return layout;
}

} // namespace Tarvo::NewLookup
