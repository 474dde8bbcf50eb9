#include <windows.h>

#include "execution/wake.h"

namespace velk {

namespace {

// 100-ns steps from 1601-01-01 to 1970-01-01, both UTC.
constexpr long long unixepoch = 116444736000000000LL;

// A waitable timer set with resume wakes the machine from sleep where the power plan allows
// wake timers. Its signal is not waited for: the wall-clock timer of the tick runs the alarm.
class resumetimer : public waketimer {
  public:
    explicit resumetimer(HANDLE timer) : timer_(timer) {}
    ~resumetimer() override { CloseHandle(timer_); }
    std::string arm(long long ms) override {
        LARGE_INTEGER due;
        due.QuadPart = unixepoch + ms * 10000LL;
        if (!SetWaitableTimer(timer_, &due, 0, nullptr, nullptr, TRUE))
            return "the wake timer could not be set (error " + std::to_string(GetLastError()) + ")";
        return "";
    }
    void disarm() override { CancelWaitableTimer(timer_); }

  private:
    HANDLE timer_;
};

// The power plan's "Allow wake timers", on battery and plugged in: 0 is "Disable". Read
// through powrprof.dll at run time, so a system without it only misses the warning.
constexpr GUID sleepsubgroup = {
    0x238c9fa8, 0x0aad, 0x41ed, {0x83, 0xf4, 0x97, 0xbe, 0x24, 0x2c, 0x8f, 0x20}};
constexpr GUID allowwaketimers = {
    0xbd3b718a, 0x0680, 0x4d9d, {0x8a, 0xb2, 0xe1, 0xd2, 0xb4, 0xac, 0x80, 0x6d}};
using activescheme = DWORD(WINAPI*)(HKEY, GUID**);
using readindex = DWORD(WINAPI*)(HKEY, const GUID*, const GUID*, const GUID*, LPDWORD);

template <typename F> F procof(HMODULE module, const char* name) {
    // Through void*: the entry's real type is the one named here.
    return reinterpret_cast<F>(reinterpret_cast<void*>(GetProcAddress(module, name)));
}

std::string powerplanwarning() {
    HMODULE power = LoadLibraryW(L"powrprof.dll");
    if (!power) return "";
    const auto active = procof<activescheme>(power, "PowerGetActiveScheme");
    const auto ac = procof<readindex>(power, "PowerReadACValueIndex");
    const auto dc = procof<readindex>(power, "PowerReadDCValueIndex");
    std::string off;
    GUID* scheme = nullptr;
    if (active && ac && dc && active(nullptr, &scheme) == ERROR_SUCCESS) {
        DWORD plugged = 1, battery = 1;
        if (ac(nullptr, scheme, &sleepsubgroup, &allowwaketimers, &plugged) == ERROR_SUCCESS &&
            plugged == 0)
            off = "plugged in";
        if (dc(nullptr, scheme, &sleepsubgroup, &allowwaketimers, &battery) == ERROR_SUCCESS &&
            battery == 0)
            off += off.empty() ? "on battery" : " and on battery";
        LocalFree(scheme);
    }
    FreeLibrary(power);
    if (off.empty()) return "";
    return "the power plan does not allow wake timers " + off +
           " (Power Options, Sleep, Allow wake timers)";
}

} // namespace

wakeway findwakeway() {
    wakeway way;
    way.how = wakeway::waitabletimer;
    way.warning = powerplanwarning();
    return way;
}

std::unique_ptr<waketimer> openwaketimer(const wakeway& way) {
    if (way.how != wakeway::waitabletimer) return nullptr;
    HANDLE timer = CreateWaitableTimerW(nullptr, FALSE, nullptr);
    if (!timer) return nullptr;
    return std::make_unique<resumetimer>(timer);
}

} // namespace velk
