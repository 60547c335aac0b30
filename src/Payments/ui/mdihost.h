#pragma once

class QWidget;

namespace Tarvo::Payments {

// The payment windows live in the main window's work area (on their own without one).
namespace MdiHost {
void show(QWidget* window);
void bringForward(QWidget* window);
QWidget* frameOf(QWidget* window);
} // namespace MdiHost

} // namespace Tarvo::Payments
