#include <windows.h>

#include "ui/hiddenwindow_windows.h"
#include "ui/wakepower.h"

namespace velk {

namespace {

// The system tells every top-level window, hidden ones too, that it resumed; the window may
// be hidden in the tray, so a hidden window of its own hears it.
LRESULT CALLBACK powerproc(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_POWERBROADCAST && wp == PBT_APMRESUMEAUTOMATIC)
        if (auto* owner = ownerof<wakepower>(window))
            QMetaObject::invokeMethod(owner, "sleepchanged", Qt::QueuedConnection,
                                      Q_ARG(bool, false));
    return DefWindowProcW(window, msg, wp, lp);
}

} // namespace

struct wakepower::impl {
    HWND window = nullptr;
    bool holding = false;
};

wakepower::wakepower(QObject* parent) : QObject(parent), d_(std::make_unique<impl>()) {
    d_->window = hiddenwindow(L"VELKPower", powerproc, this);
}

wakepower::~wakepower() {
    releaseidle();
    if (d_->window) DestroyWindow(d_->window);
}

void wakepower::sleepchanged(bool starting) {
    if (!starting) emit resumed();
}

void wakepower::holdidle() {
    // A system woken by a timer sleeps again soon unless a program asks it to stay awake.
    SetThreadExecutionState(ES_CONTINUOUS | ES_SYSTEM_REQUIRED | ES_DISPLAY_REQUIRED);
    d_->holding = true;
}

void wakepower::releaseidle() {
    if (d_->holding) SetThreadExecutionState(ES_CONTINUOUS);
    d_->holding = false;
}

bool wakepower::holding() const {
    return d_->holding;
}

} // namespace velk
