#pragma once

#include <QtCore/qnamespace.h>
#include <functional>

class QBoxLayout;
class QWidget;

namespace Tarvo::NewLookup {

// "Вверх" / "Вниз" (Ctrl+Up / Ctrl+Down) of the column dialogs, in a row or a column; `move`
// gets -1 or +1. Neither button is ever the default.
QBoxLayout* moveButtons(QWidget* parent, Qt::Orientation orientation, std::function<void(int delta)> move);

} // namespace Tarvo::NewLookup
