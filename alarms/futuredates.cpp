#include "alarms/futuredates.h"

#include "alarms/displaytime.h"

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

} // namespace velk
