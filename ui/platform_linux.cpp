#include <algorithm>
#include <cstdio>

#include <QApplication>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QElapsedTimer>
#include <QProcess>
#include <QThread>

#include "execution/session.h"
#include "ui/boundedsound.h"
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

namespace {

// Needs no sound server; most desktops do not route it to the speakers, and Wayland has none.
void xbell() {
    if (!sessionending() && QGuiApplication::platformName() == QLatin1String("xcb"))
        QApplication::beep();
}

// A sound server that gave no answer in time is told once, when the wait for it ran out.
bool noanswer(soundresult result) {
    if (result == soundresult::late && !sessionending())
        std::fputs("velk: the sound server does not answer; the X bell rings instead\n", stderr);
    return result == soundresult::late || result == soundresult::skipped;
}

} // namespace

void tone(int frequency, int ms) {
    QElapsedTimer clock;
    clock.start();
    const soundresult result =
        playbounded([frequency, ms] { return playtone(frequency, ms); }, ms + soundgracems);
    if (noanswer(result)) xbell();
    // Without a sound server the tone is silent but keeps its length, so scripts keep their pace;
    // the end of the session cuts it short.
    for (qint64 left = ms - clock.elapsed(); left > 0 && !sessionending();
         left = ms - clock.elapsed())
        QThread::msleep(
            static_cast<unsigned long>(std::min<qint64>(left, qtdesktop::sleepslicems)));
}

void beep() {
    // The desktop's own sound, as the user's theme, volume and mute have it. Without a theme or
    // a sound server: a short tone, and where that cannot play either, the X bell.
    const soundsettings settings = desktopsoundsettings();
    if (!settings.enabled) return;
    const soundresult result = playbounded(
        [theme = settings.theme] { return playeventsound("bell", theme) || playtone(880, 150); },
        150 + soundgracems);
    if (noanswer(result) || result == soundresult::failed) xbell();
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
