// Time specification parser and occurrence search.
// Input: the first line is the reference moment as the alarm file writes it ("46362.375"; any
// other text means 2026-12-06 09:00), the rest is the specification.
#include <algorithm>
#include <string>

#include "alarms/alarmfile.h"
#include "tests/fuzz/fuzzsupport.h"
#include "timespec/error.h"
#include "timespec/timedesc.h"

namespace {

using namespace velk;

constexpr int searches = 20;
// How far past the start the search is checked against the match test minute by minute and
// day by day: enough to catch a skipped occurrence, cheap enough for millions of runs. A
// compound specification tests every alternative per moment, so it gets fewer moments.
constexpr int minutechecked = 180;
constexpr int dayschecked = 400;

struct minuteof {
    int32_t day;    // day number
    int32_t minute; // of the day
    datetime value() const { return day + encodetime(minute / 60, minute % 60); }
};

minuteof startminute(datetime t) {
    const datefields f = decode(t);
    return {daynumber(f.year, f.month, f.day), f.hour * 60 + f.minute};
}

// Every admitted day of every live alternative has an admitted time: its first hour and minute.
bool daysmeanminutes(const timedesc& spec) {
    if (spec.count > 0) {
        for (int i = 0; i < spec.count; ++i)
            if (!daysmeanminutes(*spec.alt[i])) return false;
        return true;
    }
    if (spec.never) return true;
    return spec.hour && spec.minute && spec.hour->firstfrom(novalue) != novalue &&
           spec.minute->firstfrom(novalue) != novalue;
}

// The search from t found r (or nothing): nothing it skipped is admitted.
void checkskipped(const timedesc& spec, datetime t, datetime r) {
    // Before 1900 every day fails the year test anyway; from no date nothing is searched.
    if (t < 1 || !indaterange(t)) return;
    const minuteof s = startminute(t);
    const bool none = isnovalue(r);
    const int cost = spec.count > 1 ? spec.count : 1;
    const int minutes = std::max(minutechecked / cost, 3), days = std::max(dayschecked / cost, 3);
    for (int k = 0; k < minutes; ++k) {
        const int32_t m = s.minute + k;
        const minuteof c{s.day + m / 1440, m % 1440};
        const datetime v = c.value();
        if (!none && v >= r) break;
        FUZZ_CHECK(!spec.matches(v, false));
    }
    if (!daysmeanminutes(spec)) return;
    const int32_t lastday = none ? s.day + days : startminute(r).day;
    for (int32_t d = s.day + 1; d < lastday && d <= s.day + days; ++d)
        FUZZ_CHECK(!spec.matches(d, true));
}

void checkresult(const timedesc& spec, datetime t, datetime r) {
    if (isnovalue(r)) {
        FUZZ_CHECK(r == novalue);
        return;
    }
    FUZZ_CHECK(spec.matches(r, false));
    const datefields f = decode(r);
    FUZZ_CHECK(f.second == 0 && f.msec == 0);
    FUZZ_CHECK(f.year >= 1980 && f.year <= 2500);
    FUZZ_CHECK(r >= startminute(t).value());
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const auto [head, text] = velk::fuzz::firstline(input);
    const datetime ref = timefromfile(head, 46362.375, '.');

    std::unique_ptr<timedesc> spec;
    try {
        spec = std::make_unique<timedesc>(text, ref);
    } catch (const velkerror& e) {
        FUZZ_CHECK(!e.text.empty() && e.text.back() == '!');
        return 0;
    }
    FUZZ_CHECK(spec->count >= 0 && spec->count <= timedesc::maxalternatives);
    if (spec->count > 0) FUZZ_CHECK(!spec->year && !spec->hour);

    datetime t = ref;
    datetime previous = novalue;
    for (int k = 0; k < searches; ++k) {
        const datetime r = nextfrom(*spec, t);
        checkresult(*spec, t, r);
        if (k == 0) {
            // The parser marks exactly the specifications that admit nothing from ref on.
            FUZZ_CHECK(spec->never == isnovalue(r));
            checkskipped(*spec, t, r);
        }
        if (isnovalue(r)) break;
        if (k > 0) FUZZ_CHECK(r > previous);
        previous = r;
        t = r + oneminute;
    }
    if (spec->never) FUZZ_CHECK(!spec->matches(ref, false) && !spec->matches(ref, true));
    return 0;
}
