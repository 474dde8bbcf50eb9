#include "timespec/clock.h"

#include <chrono>
#include <ctime>

namespace velk {

namespace {
// The reentrant local-time call has a different name on each platform.
#ifdef _WIN32
void tolocal(std::time_t secs, std::tm& out) { localtime_s(&out, &secs); }
#else
void tolocal(std::time_t secs, std::tm& out) { localtime_r(&secs, &out); }
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

datetime now() { return current->now(); }

void setclock(const clocksource* source) { current = source ? source : &systemsource; }

} // namespace velk
