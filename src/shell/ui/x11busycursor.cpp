#include "shell/ui/x11busycursor.h"

#include <QApplication>
#include <QGuiApplication>
#include <QMutex>
#include <QVector>
#include <QWidget>
#include <atomic>
#include <xcb/xcb.h>

namespace Tarvo::Shell {

namespace {

struct State
{
    std::atomic<xcb_connection_t*> connection{nullptr};
    xcb_cursor_t watch = XCB_CURSOR_NONE;
    QMutex mutex;
    QVector<quint32> windows;
    QVector<quint32> marked;
};

State& state()
{
    static State s;
    return s;
}

constexpr uint16_t GlyphWatch = 150; // the "watch" shape of the X cursor font

} // namespace

void X11BusyCursor::init()
{
    auto* x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection())
        return;
    xcb_connection_t* c = x11->connection();
    const xcb_font_t font = xcb_generate_id(c);
    xcb_open_font(c, font, 6, "cursor");
    const xcb_cursor_t cursor = xcb_generate_id(c);
    xcb_create_glyph_cursor(c, cursor, font, font, GlyphWatch, GlyphWatch + 1, 0, 0, 0, 0xffff, 0xffff, 0xffff);
    xcb_close_font(c, font);
    xcb_flush(c);
    state().watch = cursor;
    state().connection.store(c);
}

bool X11BusyCursor::available()
{
    return state().connection.load() != nullptr;
}

void X11BusyCursor::publishWindows()
{
    if (!available())
        return;
    QVector<quint32> ids;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (w->isVisible() && w->internalWinId())
            ids.append(quint32(w->internalWinId()));
    QMutexLocker lock(&state().mutex);
    state().windows = std::move(ids);
}

void X11BusyCursor::apply(bool busy)
{
    xcb_connection_t* c = state().connection.load();
    if (!c)
        return;
    QMutexLocker lock(&state().mutex);
    State& s = state();
    if (busy) {
        s.marked = s.windows;
        for (quint32 id : s.marked)
            xcb_change_window_attributes(c, id, XCB_CW_CURSOR, &s.watch);
    } else {
        // Qt sets its own cursors again on the UI thread (BusyCursor::sync); until then, the parent's.
        const uint32_t none = XCB_CURSOR_NONE;
        for (quint32 id : s.marked)
            xcb_change_window_attributes(c, id, XCB_CW_CURSOR, &none);
        s.marked.clear();
    }
    xcb_flush(c);
}

} // namespace Tarvo::Shell
