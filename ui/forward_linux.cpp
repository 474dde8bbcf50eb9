#include <cstdlib>
#include <memory>

#include <QGuiApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>
#include <QWindow>
#include <xcb/xcb.h>

#include "ui/messagedialog.h"
#include "ui/platform.h"

namespace velk::platform {

namespace {

// How long a compositor may take to hand over the focus it was asked for, and how long a window
// just shown may take to be managed before the window manager is asked for it.
constexpr int activationms = 250;
constexpr int mapwaitms = 20, mapwaittries = 50;

using eventptr = std::unique_ptr<xcb_generic_event_t, decltype(&std::free)>;

// The server's time now: the time of a property change on a window of a connection of our own
// (the program's connection hands its events to Qt's reader).
xcb_timestamp_t servertime(xcb_connection_t* c, xcb_window_t root) {
    const xcb_window_t probe = xcb_generate_id(c);
    const std::uint32_t mask = XCB_EVENT_MASK_PROPERTY_CHANGE;
    xcb_create_window(c, 0, probe, root, -1, -1, 1, 1, 0, XCB_WINDOW_CLASS_INPUT_ONLY,
                      XCB_COPY_FROM_PARENT, XCB_CW_EVENT_MASK, &mask);
    xcb_change_property(c, XCB_PROP_MODE_APPEND, probe, XCB_ATOM_WM_NAME, XCB_ATOM_STRING, 8, 0,
                        nullptr);
    xcb_flush(c);
    xcb_timestamp_t now = XCB_CURRENT_TIME;
    while (eventptr e{xcb_wait_for_event(c), &std::free}) {
        if ((e->response_type & 0x7f) != XCB_PROPERTY_NOTIFY) continue;
        now = reinterpret_cast<const xcb_property_notify_event_t*>(e.get())->time;
        break;
    }
    xcb_destroy_window(c, probe);
    return now;
}

// _NET_ACTIVE_WINDOW as a pager sends it. Window managers with focus stealing prevention
// (mutter, KWin, openbox) refuse a program's request stamped with its last input, which came
// before the user's click in the shell's own menu, and only mark the window; the user's request
// through a desktop tool they grant.
void askactivation(xcb_window_t window) {
    int screenno = 0;
    xcb_connection_t* c = xcb_connect(nullptr, &screenno);
    if (xcb_connection_has_error(c)) return xcb_disconnect(c);
    xcb_screen_iterator_t screen = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (; screenno > 0 && screen.rem > 1; --screenno)
        xcb_screen_next(&screen);
    const xcb_window_t root = screen.data->root;
    constexpr char name[] = "_NET_ACTIVE_WINDOW";
    const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> atom(
        xcb_intern_atom_reply(c, xcb_intern_atom(c, 0, sizeof name - 1, name), nullptr),
        &std::free);
    if (atom) {
        xcb_client_message_event_t message{};
        message.response_type = XCB_CLIENT_MESSAGE;
        message.format = 32;
        message.window = window;
        message.type = atom->atom;
        message.data.data32[0] = 2; // source: a pager, on the user's behalf
        message.data.data32[1] = servertime(c, root);
        xcb_send_event(c, 0, root,
                       XCB_EVENT_MASK_SUBSTRUCTURE_REDIRECT | XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY,
                       reinterpret_cast<const char*>(&message));
        xcb_flush(c);
    }
    xcb_disconnect(c);
}

// A window shown just now is asked for once the window manager has mapped it, which it ignores
// requests for before.
void whenexposed(const QPointer<QWidget>& w, int triesleft) {
    if (!w || !w->isVisible()) return;
    if (w->windowHandle() && w->windowHandle()->isExposed())
        return askactivation(static_cast<xcb_window_t>(w->winId()));
    if (triesleft > 0)
        QTimer::singleShot(mapwaitms, w, [w, triesleft] { whenexposed(w, triesleft - 1); });
}

// Compositors that grant no activation without a token (sway gives none to a program that lacks
// the focus) still focus a window mapped anew. A dialog other than a box would end its loop.
void remap(QWidget* w) {
    if (auto* box = qobject_cast<messagedialog*>(w))
        box->remap();
    else if (!qobject_cast<QDialog*>(w)) {
        w->hide();
        w->show();
    }
}

} // namespace

void bringforward(QWidget* w, bool byuser) {
    if (w->isMinimized()) w->setWindowState(w->windowState() & ~Qt::WindowMinimized);
    w->raise();
    w->activateWindow();
    if (!byuser) return;
    const QString platform = QGuiApplication::platformName();
    const QPointer<QWidget> target(w);
    if (platform == QLatin1String("xcb"))
        whenexposed(target, mapwaittries);
    else if (platform.startsWith(QLatin1String("wayland")))
        QTimer::singleShot(activationms, w, [target] {
            if (target && target->isVisible() && !target->isActiveWindow()) remap(target);
        });
}

} // namespace velk::platform
