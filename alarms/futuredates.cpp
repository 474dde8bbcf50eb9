#include "alarms/futuredates.h"

#include "alarms/displaytime.h"
#include "timespec/clock.h"
#include "timespec/error.h"

namespace velk {

std::string futuredates(const timedesc& spec, datetime from, int count) {
    std::string s;
    datetime t = from;
    int n = count;
    for (;;) {
        t = nextfrom(spec, t);
        if (isnovalue(t) || n <= 0) break;
        s += displaytime(t);
        s += "\r\n";
        t += oneminute;
        --n;
    }
    if (n <= 0) s += "...\r\n";
    if (s.empty()) s = "No future dates.\r\n";
    return s;
}

std::string futuredates(event& alarm) {
    const std::string error = alarm.recompute();
    if (!error.empty()) throw velkerror{error};
    return futuredates(*alarm.parsed, now());
}

} // namespace velk
