#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusUnixFileDescriptor>

#include "ui/wakepower.h"

namespace velk {

namespace {
const QString login1 = QStringLiteral("org.freedesktop.login1");
const QString login1path = QStringLiteral("/org/freedesktop/login1");
const QString manager = QStringLiteral("org.freedesktop.login1.Manager");
// A busy system bus must not freeze the window for long.
constexpr int callms = 2000;
} // namespace

// logind announces every sleep and resume, and keeps an idle inhibitor as long as its file
// descriptor is open. Idle inhibitors only block: logind takes "delay" for sleep and shutdown
// alone.
struct wakepower::impl {
    QDBusUnixFileDescriptor inhibitor;
};

wakepower::wakepower(QObject* parent) : QObject(parent), d_(std::make_unique<impl>()) {
    QDBusConnection::systemBus().connect(login1, login1path, manager,
                                         QStringLiteral("PrepareForSleep"), this,
                                         SLOT(sleepchanged(bool)));
}

wakepower::~wakepower() = default;

void wakepower::sleepchanged(bool starting) {
    if (!starting) emit resumed();
}

void wakepower::holdidle() {
    if (holding()) return;
    QDBusMessage call =
        QDBusMessage::createMethodCall(login1, login1path, manager, QStringLiteral("Inhibit"));
    call << QStringLiteral("idle") << QStringLiteral("VELK")
         << QStringLiteral("An alarm woke the computer and shows its message")
         << QStringLiteral("block");
    const QDBusMessage reply = QDBusConnection::systemBus().call(call, QDBus::Block, callms);
    if (reply.type() == QDBusMessage::ReplyMessage && !reply.arguments().isEmpty())
        d_->inhibitor = qvariant_cast<QDBusUnixFileDescriptor>(reply.arguments().first());
}

void wakepower::releaseidle() {
    // Closing the descriptor ends the inhibitor.
    d_->inhibitor = QDBusUnixFileDescriptor();
}

bool wakepower::holding() const {
    return d_->inhibitor.isValid();
}

} // namespace velk
