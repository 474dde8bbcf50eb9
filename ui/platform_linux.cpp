#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>

#include "ui/eventsound.h"
#include "ui/opener.h"
#include "ui/openplan.h"
#include "ui/platform.h"
#include "ui/qtdesktop.h"
#include "ui/tone.h"

namespace velk::platform {

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

qsizetype pickopen(const QStringList& files) {
    return firstopenable(files);
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

void notify(const QString& title, const QString& text, int ms) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        showcornernote(title, text, ms);
        return;
    }
    // Notification servers read the body as light markup; the script's text is shown as written.
    QString body = text;
    body.replace(QLatin1Char('&'), QLatin1String("&amp;"))
        .replace(QLatin1Char('<'), QLatin1String("&lt;"))
        .replace(QLatin1Char('>'), QLatin1String("&gt;"));
    QDBusMessage call = QDBusMessage::createMethodCall(
        QStringLiteral("org.freedesktop.Notifications"),
        QStringLiteral("/org/freedesktop/Notifications"),
        QStringLiteral("org.freedesktop.Notifications"), QStringLiteral("Notify"));
    call << QStringLiteral("VELK") << 0u << QString() << title << body << QStringList()
         << QVariantMap() << ms;
    // Asynchronous, so the script goes on at once; a refusal turns into the corner note.
    auto* watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), qApp);
    QObject::connect(watcher, &QDBusPendingCallWatcher::finished, watcher,
                     [watcher, title, text, ms] {
                         if (watcher->isError()) showcornernote(title, text, ms);
                         watcher->deleteLater();
                     });
}

} // namespace velk::platform
