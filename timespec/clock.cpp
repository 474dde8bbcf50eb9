#include "timespec/clock.h"

#include <chrono>
#include <cmath>
#include <ctime>

namespace velk {

namespace {
// The reentrant local-time call has a different name on each platform.
#ifdef _WIN32
void tolocal(std::time_t secs, std::tm& out) {
    localtime_s(&out, &secs);
}
#else
void tolocal(std::time_t secs, std::tm& out) {
    localtime_r(&secs, &out);
}
#endif

const systemclock systemsource;
const clocksource* current = &systemsource;
} // namespace

datetime systemclock::now() const {
    using namespace std::chrono;
    const auto tp = system_clock::now();
    const std::time_t secs = system_clock::to_time_t(tp);
    const auto ms = duration_cast<milliseconds>(tp.time_since_epoch()).count() % 1000;
    std::tm local{};
    tolocal(secs, local);
    datetime day = 0;
    encodedate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday, day);
    return day + encodetime(local.tm_hour, local.tm_min, local.tm_sec, static_cast<int>(ms));
}

long long clocksource::wallms(datetime local) const {
    using namespace std::chrono;
    const long long realms =
        duration_cast<milliseconds>(system_clock::now().time_since_epoch()).count();
    return realms + std::llround((local - now()) * 86400000.0);
}

long long systemclock::wallms(datetime local) const {
    const datefields f = decode(local);
    std::tm t{};
    t.tm_year = f.year - 1900;
    t.tm_mon = f.month - 1;
    t.tm_mday = f.day;
    t.tm_hour = f.hour;
    t.tm_min = f.minute;
    t.tm_sec = f.second;
    // The zone's rules decide whether daylight saving applies at that moment; a time skipped by
    // the spring change comes out as the moment after the gap.
    t.tm_isdst = -1;
    const std::time_t secs = std::mktime(&t);
    if (secs == static_cast<std::time_t>(-1)) return clocksource::wallms(local);
    return static_cast<long long>(secs) * 1000 + f.msec;
}

datetime now() {
    return current->now();
}

long long wallms(datetime local) {
    return current->wallms(local);
}

void setclock(const clocksource* source) {
    current = source ? source : &systemsource;
}

} // namespace velk
