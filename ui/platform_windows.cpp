#include <windows.h>

#include <shellapi.h>

#include <QElapsedTimer>
#include <QThread>

#include "ui/platform.h"
#include "ui/qtdesktop.h"

namespace velk::platform {

namespace {
const wchar_t* wide(const QString& text) {
    return text.isEmpty() ? nullptr : reinterpret_cast<const wchar_t*>(text.utf16());
}
} // namespace

bool shellopen(const QString& file, const QString& params, const QString& dir) {
    const auto result =
        ShellExecuteW(nullptr, L"open", wide(file), wide(params), wide(dir), SW_SHOWNORMAL);
    return reinterpret_cast<INT_PTR>(result) > 32;
}

// The shell searches paths, associations and protocols itself; only it can tell.
qsizetype pickopen(const QStringList&) {
    return -1;
}

void tone(int frequency, int ms) {
    if (ms <= 0) return;
    QElapsedTimer played;
    played.start();
    // Beep accepts 37 to 32767 Hz; outside that the tone keeps its length in silence. Where Beep
    // returns before its time (no sound device) the rest is waited out, so a script takes the
    // same time everywhere.
    if (frequency >= 37 && frequency <= 32767)
        Beep(static_cast<DWORD>(frequency), static_cast<DWORD>(ms));
    const qint64 rest = ms - played.elapsed();
    if (rest > 0) QThread::msleep(static_cast<unsigned long>(rest));
}

// The user's "Default Beep" sound from the sound scheme.
void beep() {
    MessageBeep(MB_OK);
}

// The tray's balloon is the notification of Windows.
void notify(const QString&, const QString&, int, const std::function<void()>& fallback) {
    fallback();
}

} // namespace velk::platform
