#include <windows.h>

#include "ui/wakepower.h"

namespace velk {

namespace {

// The system tells every top-level window, hidden ones too, that it resumed; the window may
// be hidden in the tray, so a hidden window of its own hears it.
LRESULT CALLBACK powerproc(HWND window, UINT msg, WPARAM wp, LPARAM lp) {
    if (msg == WM_POWERBROADCAST && wp == PBT_APMRESUMEAUTOMATIC)
        if (auto* owner = reinterpret_cast<wakepower*>(GetWindowLongPtrW(window, GWLP_USERDATA)))
            QMetaObject::invokeMethod(owner, "sleepchanged", Qt::QueuedConnection,
                                      Q_ARG(bool, false));
    return DefWindowProcW(window, msg, wp, lp);
}

HWND powerwindow(wakepower* owner) {
    static const wchar_t* const name = L"VELKPower";
    WNDCLASSW cls{};
    cls.lpfnWndProc = powerproc;
    cls.hInstance = GetModuleHandleW(nullptr);
    cls.lpszClassName = name;
    RegisterClassW(&cls);
    HWND window = CreateWindowExW(0, name, L"", WS_POPUP, 0, 0, 0, 0, nullptr, nullptr,
                                  cls.hInstance, nullptr);
    if (window) SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(owner));
    return window;
}

} // namespace

struct wakepower::impl {
    HWND window = nullptr;
    bool holding = false;
};

wakepower::wakepower(QObject* parent) : QObject(parent), d_(std::make_unique<impl>()) {
    d_->window = powerwindow(this);
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
