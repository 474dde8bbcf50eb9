#include <QApplication>
#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusPendingCallWatcher>
#include <QElapsedTimer>
#include <QImage>
#include <QPixmap>
#include <QProcess>
#include <QThread>
#include <functional>

#include "ui/eventsound.h"
#include "ui/opener.h"
#include "ui/openplan.h"
#include "ui/platform.h"
#include "ui/qtdesktop.h"
#include "ui/tone.h"

namespace velk::platform {

namespace {

const QString notifyservice = QStringLiteral("org.freedesktop.Notifications");
const QString notifypath = QStringLiteral("/org/freedesktop/Notifications");

// What the notification server does with the body, as it said; asked again after a failure,
// since another server may have taken the name.
enum class markup { unknown, plain, read };
markup servermarkup = markup::unknown;

// The "image-data" hint: the program's icon as raw RGBA rows, for servers that cannot look up
// an icon of a copy that was never installed.
struct notifyimage {
    QImage image;
};

QDBusArgument& operator<<(QDBusArgument& arg, const notifyimage& i) {
    const QImage& im = i.image;
    arg.beginStructure();
    arg << im.width() << im.height() << static_cast<int>(im.bytesPerLine()) << true << 8 << 4
        << QByteArray(reinterpret_cast<const char*>(im.constBits()),
                      static_cast<int>(im.sizeInBytes()));
    arg.endStructure();
    return arg;
}

const QDBusArgument& operator>>(const QDBusArgument& arg, notifyimage&) {
    return arg;
}

QVariantMap notifyhints() {
    static const bool registered = (qDBusRegisterMetaType<notifyimage>(), true);
    (void)registered;
    QVariantMap hints;
    const QString entry = QGuiApplication::desktopFileName();
    if (!entry.isEmpty()) hints.insert(QStringLiteral("desktop-entry"), entry);
    const QImage icon = QGuiApplication::windowIcon().pixmap(48, 48).toImage().convertToFormat(
        QImage::Format_RGBA8888);
    if (!icon.isNull())
        hints.insert(QStringLiteral("image-data"), QVariant::fromValue(notifyimage{icon}));
    return hints;
}

void whenanswered(const QDBusPendingCall& call, std::function<void(const QDBusMessage&)> then) {
    auto* watcher = new QDBusPendingCallWatcher(call, qApp);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [watcher, then = std::move(then)] {
                         then(watcher->reply());
                         watcher->deleteLater();
                     });
}

void sendnotify(const QDBusConnection& bus, const QString& title, const QString& text, int ms,
                const std::function<void()>& fallback) {
    // The script's text is shown as written, also where the server reads markup.
    QString body = text;
    if (servermarkup == markup::read)
        body.replace(QLatin1Char('&'), QLatin1String("&amp;"))
            .replace(QLatin1Char('<'), QLatin1String("&lt;"))
            .replace(QLatin1Char('>'), QLatin1String("&gt;"));
    QDBusMessage call = QDBusMessage::createMethodCall(notifyservice, notifypath, notifyservice,
                                                       QStringLiteral("Notify"));
    call << QStringLiteral("VELK") << 0u << QStringLiteral("velk") << title << body << QStringList()
         << notifyhints() << ms;
    // Asynchronous, so the script goes on at once.
    whenanswered(bus.asyncCall(call), [fallback](const QDBusMessage& reply) {
        if (reply.type() != QDBusMessage::ErrorMessage) return;
        servermarkup = markup::unknown;
        fallback();
    });
}

} // namespace

bool shellopen(const QString& file, const QString& params, const QString& dir) {
    const openplan plan = planopen(file, params, dir);
    switch (plan.what) {
    case openplan::kind::url:
    case openplan::kind::document:
        return openwithdesktop(plan.url);
    case openplan::kind::program:
        return QProcess::startDetached(plan.program, plan.args, plan.workdir);
    case openplan::kind::none:
        break;
    }
    return false;
}

void tone(int frequency, int ms) {
    QElapsedTimer clock;
    clock.start();
    playtone(frequency, ms);
    // Without a sound server the tone is silent but keeps its length, so scripts keep their pace.
    const qint64 left = ms - clock.elapsed();
    if (left > 0) QThread::msleep(static_cast<unsigned long>(left));
}

void beep() {
    // The desktop's own sound, as the user's theme, volume and mute have it. Without a theme or
    // a sound server: a short tone, and where that cannot play either, the X bell (which most
    // desktops do not route to the speakers, and Wayland does not have).
    if (playeventsound("bell") || playtone(880, 150)) return;
    if (QGuiApplication::platformName() == QLatin1String("xcb")) QApplication::beep();
}

void notify(const QString& title, const QString& text, int ms,
            const std::function<void()>& fallback) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) return fallback();
    if (servermarkup != markup::unknown) return sendnotify(bus, title, text, ms, fallback);
    // Asked once, before the first notification: whether the server reads markup in the body.
    QDBusMessage ask = QDBusMessage::createMethodCall(notifyservice, notifypath, notifyservice,
                                                      QStringLiteral("GetCapabilities"));
    whenanswered(bus.asyncCall(ask), [=](const QDBusMessage& reply) {
        if (reply.type() == QDBusMessage::ErrorMessage || reply.arguments().isEmpty())
            return fallback();
        const bool reads =
            reply.arguments().front().toStringList().contains(QStringLiteral("body-markup"));
        servermarkup = reads ? markup::read : markup::plain;
        sendnotify(QDBusConnection::sessionBus(), title, text, ms, fallback);
    });
}

} // namespace velk::platform
