#include <QGuiApplication>
#include <QPointer>
#include <QTimer>
#include <QWidget>

#include "ui/messagedialog.h"
#include "ui/platform.h"

namespace velk::platform {

namespace {

// How long a compositor may take to hand over the focus it was asked for.
constexpr int activationms = 250;

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
    // X11 window managers (mutter, openbox) grant the request of a program the user just used.
    if (!byuser || !QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) return;
    const QPointer<QWidget> target(w);
    QTimer::singleShot(activationms, w, [target] {
        if (target && target->isVisible() && !target->isActiveWindow()) remap(target);
    });
}

} // namespace velk::platform
