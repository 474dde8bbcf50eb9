#pragma once
// Straight transcriptions of the membership test, the first-member walk, the match test and
// the day-by-day occurrence search, kept slow and obvious on purpose: the optimised code is
// held against them.
#include <string>

#include "timespec/timedesc.h"
#include "timespec/valdesc.h"

namespace velk::reference {

inline bool contains(const valdesc& s, int32_t v) {
    if (v < s.lo || v > s.hi) return false;
    if (s.ranges[0].from == novalue) return true;
    for (int i = 0; i < s.count; ++i)
        if (s.ranges[i].from <= v && v <= s.ranges[i].to) return !s.negated;
    return s.negated;
}

inline int32_t firstfrom(const valdesc& s, int32_t v) {
    const int64_t start = v == novalue ? s.lo : v;
    for (int64_t i = start; i <= s.hi; ++i)
        if (contains(s, static_cast<int32_t>(i))) return static_cast<int32_t>(i);
    return novalue;
}

inline bool matches(const timedesc& s, datetime t, bool dateonly) {
    if (s.never) return false;
    if (s.count > 0) {
        for (int i = 0; i < s.count; ++i)
            if (reference::matches(*s.alt[i], t, dateonly)) return true;
        return false;
    }
    const datefields f = decode(t);
    if (!contains(*s.year, f.year) || !contains(*s.month, f.month) || !contains(*s.day, f.day) ||
        !contains(*s.wday, f.wday))
        return false;
    if (dateonly) return true;
    return contains(*s.hour, f.hour) && contains(*s.minute, f.minute);
}

inline datetime nextfrom(const timedesc& s, datetime t) {
    if (s.count > 0) {
        datetime best = novalue;
        for (int i = 0; i < s.count; ++i) {
            const datetime r = reference::nextfrom(*s.alt[i], t);
            if (isnovalue(r)) continue;
            if (isnovalue(best) || r < best) best = r;
        }
        return best;
    }
    if (s.never) return novalue;
    const datefields f = decode(t);
    int32_t y = f.year, m = f.month, d = f.day, h = f.hour, n = f.minute;
    for (;;) {
        datetime date = 0;
        if (encodedate(y, m, d, date) && matches(s, date, true)) {
            for (;;) {
                const datetime candidate = date + encodetime(h, n);
                if (matches(s, candidate, false)) return candidate;
                n = firstfrom(*s.minute, n + 1);
                if (n != novalue) continue;
                n = 0;
                h = firstfrom(*s.hour, h + 1);
                if (h != novalue) continue;
                break;
            }
        }
        n = 0;
        h = 0;
        d = firstfrom(*s.day, d + 1);
        if (d != novalue) continue;
        d = 1;
        m = firstfrom(*s.month, m + 1);
        if (m != novalue) continue;
        m = 1;
        y = firstfrom(*s.year, y + 1);
        if (y != novalue) continue;
        return novalue;
    }
}

} // namespace velk::reference
