#include <windows.h>

#include <QWinEventNotifier>

#include "ui/hiddenwindow_windows.h"
#include "ui/wallwake.h"

namespace velk {

namespace {

// 100-ns steps from 1601-01-01 to 1970-01-01, both UTC.
constexpr long long unixepoch = 116444736000000000LL;

// The system tells every top-level window, hidden ones too, that the time changed (set by hand,
// by the time service, or a new time zone). Qt's own windows may not exist while the program
// sits in the tray, so the wake keeps a hidden window of its own to hear it.
LRESULT CALLBACK timechangeproc(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_TIMECHANGE)
        if (auto* owner = ownerof<wallwake>(window)) emit owner->clockset();
    return DefWindowProcW(window, msg, wp, lp);
}

} // namespace

// An absolute waitable timer follows the system time: set forward past it, or woken from sleep
// after it, it is signalled at once.
struct wallwake::impl {
    HANDLE timer = nullptr;
    std::unique_ptr<QWinEventNotifier> notifier;
    HWND window = nullptr;
};

wallwake::wallwake(QObject* parent) : QObject(parent), d_(std::make_unique<impl>()) {
    d_->window = hiddenwindow(L"VELKTimeChange", timechangeproc, this);
    // Auto-reset: the wait that reports it also clears it.
    d_->timer = CreateWaitableTimerW(nullptr, FALSE, nullptr);
    if (!d_->timer) return;
    d_->notifier = std::make_unique<QWinEventNotifier>(d_->timer);
    connect(d_->notifier.get(), &QWinEventNotifier::activated, this, [this] {
        at_ = -1;
        emit fired();
    });
}

wallwake::~wallwake() {
    if (d_->window) DestroyWindow(d_->window);
    d_->notifier.reset();
    if (d_->timer) CloseHandle(d_->timer);
}

void wallwake::arm(long long ms) {
    if (!d_->timer) return;
    LARGE_INTEGER due;
    // Positive: an absolute moment in UTC; the earliest one stands for any moment already past.
    due.QuadPart = unixepoch + (ms > 0 ? ms * 10000LL : 0);
    if (SetWaitableTimer(d_->timer, &due, 0, nullptr, nullptr, FALSE)) at_ = ms;
}

void wallwake::disarm() {
    if (d_->timer) CancelWaitableTimer(d_->timer);
    at_ = -1;
}

} // namespace velk
