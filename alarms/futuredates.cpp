#include "alarms/futuredates.h"

#include "alarms/displaytime.h"
#include "timespec/clock.h"
#include "timespec/error.h"

namespace velk {

void futuredates(const timedesc& spec, datetime from, int count,
                 const std::function<bool(const std::string& line)>& each) {
    datetime t = from;
    for (int n = 0;; ++n) {
        if (n >= count) {
            each("...");
            return;
        }
        t = nextfrom(spec, t);
        if (isnovalue(t)) {
            if (n == 0) each("No future dates.");
            return;
        }
        if (!each(displaytime(t))) return;
        t += oneminute;
    }
}

std::string futuredates(const timedesc& spec, datetime from, int count) {
    std::string s;
    futuredates(spec, from, count, [&s](const std::string& line) {
        s += line;
        s += "\r\n";
        return true;
    });
    return s;
}

std::string futuredates(event& alarm) {
    const std::string error = alarm.recompute();
    if (!error.empty()) throw velkerror{error};
    return futuredates(*alarm.parsed, now());
}

} // namespace velk
