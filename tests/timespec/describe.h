#pragma once
// Readable forms of parsed specifications and moments for table-driven tests.
#include <cstdio>
#include <string>

#include "timespec/error.h"
#include "timespec/timedesc.h"
#include "timespec/valdesc.h"

namespace velk::test {

// "1..5;9", or "none".
inline std::string members(const valdesc& s) {
    std::string out;
    for (int64_t v = s.lo; v <= s.hi; ++v) {
        if (!s.contains(static_cast<int32_t>(v))) continue;
        int64_t end = v;
        while (end < s.hi && s.contains(static_cast<int32_t>(end + 1)))
            ++end;
        if (!out.empty()) out += ';';
        out += std::to_string(v);
        if (end > v) out += ".." + std::to_string(end);
        v = end;
    }
    return out.empty() ? "none" : out;
}

// "Y=2026 M=12 D=6 W=0..6 H=22 N=0", alternatives joined by " | ", "never " in front of a
// specification that admits nothing.
inline std::string describe(const timedesc& t) {
    std::string out = t.never ? "never" : "";
    if (t.count > 0) {
        for (int i = 0; i < t.count; ++i)
            out += (i ? " | " : "") + describe(*t.alt[i]);
        return out;
    }
    if (!t.year) return out;
    if (!out.empty()) out += ' ';
    return out + "Y=" + members(*t.year) + " M=" + members(*t.month) + " D=" + members(*t.day) +
           " W=" + members(*t.wday) + " H=" + members(*t.hour) + " N=" + members(*t.minute);
}

// The description of text parsed at ref, or the failure message.
inline std::string parsed(const std::string& text, datetime ref) {
    try {
        return describe(timedesc(text, ref));
    } catch (const velkerror& e) {
        return e.text;
    }
}

// "2026-12-10 17:00", or "none" for novalue.
inline std::string show(datetime t) {
    if (isnovalue(t)) return "none";
    const datefields f = decode(t);
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d %02d:%02d", f.year, f.month, f.day, f.hour,
                  f.minute);
    std::string s = buf;
    if (f.second || f.msec) s += " (seconds left)";
    return s;
}

} // namespace velk::test
