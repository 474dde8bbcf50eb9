#include <xcb/xcb.h>
#include <xcb/xfixes.h>

#include <QAbstractNativeEventFilter>
#include <QDBusConnection>
#include <QDBusServiceWatcher>
#include <QGuiApplication>
#include <cstdlib>
#include <string>

#include "ui/traywatch.h"

namespace velk {

namespace {

// The owner of the screen's tray selection comes and goes with the X11 tray (the system tray
// protocol); XFixes reports each change of owner, also the owner's window or client going.
class selectionfilter : public QAbstractNativeEventFilter {
  public:
    selectionfilter(traywatch& owner, uint8_t notifytype, xcb_atom_t selection)
        : owner_(owner), notifytype_(notifytype), selection_(selection) {}
    bool nativeEventFilter(const QByteArray& type, void* message, qintptr*) override {
        if (type != "xcb_generic_event_t") return false;
        const auto* ev = static_cast<const xcb_generic_event_t*>(message);
        if ((ev->response_type & 0x7f) == notifytype_ &&
            reinterpret_cast<const xcb_xfixes_selection_notify_event_t*>(ev)->selection ==
                selection_)
            emit owner_.changed();
        return false;
    }

  private:
    traywatch& owner_;
    uint8_t notifytype_;
    xcb_atom_t selection_;
};

// Asks XFixes to report the owner changes of the screen's tray selection; nullptr where that
// cannot be had (not X11, no XFixes).
std::unique_ptr<selectionfilter> watchselection(traywatch& owner) {
    const auto* x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t* c = x11 ? x11->connection() : nullptr;
    if (!c) return nullptr;
    const xcb_query_extension_reply_t* ext = xcb_get_extension_data(c, &xcb_xfixes_id);
    if (!ext || !ext->present) return nullptr;
    free(xcb_xfixes_query_version_reply(c, xcb_xfixes_query_version(c, 5, 0), nullptr));
    char* host = nullptr;
    int display = 0, screen = 0;
    if (!xcb_parse_display(nullptr, &host, &display, &screen)) screen = 0;
    free(host);
    xcb_screen_iterator_t it = xcb_setup_roots_iterator(xcb_get_setup(c));
    for (int i = 0; i < screen && it.rem > 1; ++i)
        xcb_screen_next(&it);
    if (!it.data) return nullptr;
    const std::string name = "_NET_SYSTEM_TRAY_S" + std::to_string(screen);
    xcb_intern_atom_reply_t* atom = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, static_cast<uint16_t>(name.size()), name.c_str()), nullptr);
    if (!atom) return nullptr;
    const xcb_atom_t selection = atom->atom;
    free(atom);
    xcb_xfixes_select_selection_input(c, it.data->root, selection,
                                      XCB_XFIXES_SELECTION_EVENT_MASK_SET_SELECTION_OWNER |
                                          XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_WINDOW_DESTROY |
                                          XCB_XFIXES_SELECTION_EVENT_MASK_SELECTION_CLIENT_CLOSE);
    xcb_flush(c);
    auto filter = std::make_unique<selectionfilter>(
        owner, static_cast<uint8_t>(ext->first_event + XCB_XFIXES_SELECTION_NOTIFY), selection);
    qApp->installNativeEventFilter(filter.get());
    return filter;
}

} // namespace

struct traywatch::impl {
    std::unique_ptr<selectionfilter> selection;
    std::unique_ptr<QDBusServiceWatcher> sniwatcher;
};

traywatch::traywatch(QObject* parent) : QObject(parent), d_(std::make_unique<impl>()) {
    d_->selection = watchselection(*this);
    // Trays of the session bus (status notifier items) come and go with their watcher's name.
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (bus.isConnected()) {
        d_->sniwatcher =
            std::make_unique<QDBusServiceWatcher>(QStringLiteral("org.kde.StatusNotifierWatcher"),
                                                  bus, QDBusServiceWatcher::WatchForOwnerChange);
        connect(d_->sniwatcher.get(), &QDBusServiceWatcher::serviceOwnerChanged, this,
                &traywatch::changed);
    }
    watching_ = d_->selection || d_->sniwatcher;
}

traywatch::~traywatch() {
    if (d_->selection && qApp) qApp->removeNativeEventFilter(d_->selection.get());
}

} // namespace velk
