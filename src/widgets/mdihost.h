#pragma once

class QMdiSubWindow;
class QWidget;

namespace Tarvo::Widgets {

// Document windows live in the main window's work area, or on their own when there is none
// (tools and tests). Each window is deleted when closed.
namespace MdiHost {
// Takes the window into the work area; its frame there, or null without a main window.
QMdiSubWindow* adopt(QWidget* window);
// Adopts the window and brings it forward.
void show(QWidget* window);
// What bringing a window forward does with a minimized frame.
enum class Minimized
{
    Restore,
    Keep
};
// Shows the window's frame (restored if minimized, unless asked to keep it so) and makes it the
// active one.
void bringForward(QWidget* window, Minimized minimized = Minimized::Restore);
// What the user closes and moves: the work-area frame, or the window itself.
QWidget* frameOf(QWidget* window);
} // namespace MdiHost

} // namespace Tarvo::Widgets
