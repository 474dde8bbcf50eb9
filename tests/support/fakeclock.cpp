#include "tests/support/fakeclock.h"

#include <cmath>
#include <cstdio>
#include <stdexcept>

namespace velk::test {

long long fakewallclock::wallms(datetime local) const {
    return std::llround(local * 86400000.0) + offsetms;
}

datetime at(const char* text) {
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    const int n = std::sscanf(text, "%d-%d-%d %d:%d:%d", &y, &mo, &d, &h, &mi, &s);
    datetime day = 0;
    if (n < 3 || !encodedate(y, mo, d, day)) throw std::invalid_argument(text);
    return day + encodetime(h, mi, s);
}

} // namespace velk::test
