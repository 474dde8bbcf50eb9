#include "alarms/displaytime.h"

#include <cmath>
#include <cstdio>

#include "timespec/valdesc.h"

namespace velk {

std::string displaytime(datetime t) {
    const double whole = std::trunc(t);
    // A time never set, and one that is no date in years 1 to 9999.
    if (whole == 0 || whole == novalue || !indaterange(t)) return "-";
    const datefields f = decode(t);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d %.3s", f.year, f.month, f.day, f.hour,
                  f.minute, daynames[static_cast<size_t>(f.wday)].data());
    return buf;
}

std::string countdowntext(datetime now, datetime t) {
    double d = t - now;
    // NaN and infinities count as nothing left, like a past time.
    if (!(d >= 0) || !std::isfinite(d)) d = 0;
    std::string s;
    char buf[400]; // room for every whole number a double can hold
    if (d >= 1) {
        std::snprintf(buf, sizeof buf, "%.0fd ", std::trunc(d));
        s = buf;
    }
    d = (d - std::trunc(d)) * 24;
    const int hours = static_cast<int>(std::trunc(d));
    d = (d - std::trunc(d)) * 60;
    const int minutes = static_cast<int>(std::trunc(d));
    std::snprintf(buf, sizeof buf, "%02d:%02d", hours, minutes);
    return s + buf;
}

} // namespace velk
