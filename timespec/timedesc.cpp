#include "timespec/timedesc.h"

#include <bit>
#include <cstdio>
#include <string>

#include "timespec/error.h"
#include "timespec/text.h"

namespace velk {

namespace {
[[noreturn]] void fail(std::string text) {
    throw velkerror{std::move(text)};
}

std::unique_ptr<valdesc> makeset(std::string_view text, int32_t hi, int32_t lo,
                                 bool names = false) {
    return std::make_unique<valdesc>(text, hi, lo, names, false);
}

std::string datetext(const datefields& f) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", f.year, f.month, f.day);
    return buf;
}

int weekday(int64_t daynum) {
    return static_cast<int>(((daynum + 6) % 7 + 7) % 7);
}

// Bits 1..len.
uint32_t lengthmask(int len) {
    return static_cast<uint32_t>(((uint64_t{1} << (len + 1)) - 1) & ~uint64_t{1});
}

// Bits above position p (p in 0..31).
uint32_t above(int p) {
    return static_cast<uint32_t>(~uint64_t{0} << (p + 1));
}

int lowest(uint32_t mask) {
    return std::countr_zero(mask);
}

// The year range of the language.
constexpr int32_t firstyear = 1980, lastyear = 2500;

// Per year of the range: its kind (leap * 7 + weekday of 1 January), and per kind the bitmap
// of the years of that kind (bit y - firstyear).
struct yeartables {
    std::array<uint8_t, lastyear - firstyear + 1> type{};
    std::array<std::array<uint64_t, timedesc::yearwords>, 14> years{};
};

const yeartables& calendar() {
    static const yeartables tables = [] {
        yeartables t;
        for (int32_t y = firstyear; y <= lastyear; ++y) {
            const int i = y - firstyear;
            const int type = (isleap(y) ? 7 : 0) + weekday(daynumber(y, 1, 1));
            t.type[static_cast<size_t>(i)] = static_cast<uint8_t>(type);
            t.years[static_cast<size_t>(type)][static_cast<size_t>(i / 64)] |= uint64_t{1}
                                                                               << (i % 64);
        }
        return t;
    }();
    return tables;
}

// y must lie in the year range.
int yeartype(int32_t y) {
    return calendar().type[static_cast<size_t>(y - firstyear)];
}

// residue[r]: the days d of a month with d % 7 == r.
constexpr std::array<uint32_t, 7> residue = [] {
    std::array<uint32_t, 7> r{};
    for (int d = 1; d <= 31; ++d)
        r[static_cast<size_t>(d % 7)] |= 1u << d;
    return r;
}();

constexpr std::array<int, 13> daysbefore = {0,   0,   31,  59,  90,  120, 151,
                                            181, 212, 243, 273, 304, 334};
} // namespace

timedesc::timedesc(std::string_view text, datetime ref) {
    parse(text, ref);
}

void timedesc::parse(std::string_view text, datetime ref) {
    text = trimmed(text);
    count = 0;
    never = false;
    said = 0;
    alt.clear();
    lapsed.clear();
    year.reset(), month.reset(), day.reset(), wday.reset(), hour.reset(), minute.reset();
    plan = {};
    bool once = false, pinday = false;
    if (text.find('|') != std::string_view::npos) {
        // Cut as if one more "|" closed the text: every piece, empty ones too, is an alternative.
        size_t pos = 0;
        while (pos <= text.size()) {
            size_t end = text.find('|', pos);
            if (end == std::string_view::npos) end = text.size();
            const std::string_view piece = text.substr(pos, end - pos);
            pos = end + 1;
            if (count == maxalternatives) fail("Too many alternatives in time specification!");
            alt.push_back(std::unique_ptr<timedesc>(new timedesc(piece, ref)));
            ++count;
        }
    } else {
        parsesimple(text, ref, once, pinday);
    }

    const datetime first = nextfrom(*this, ref);
    if (isnovalue(first)) {
        never = true;
        lapsed = std::move(alt);
        alt.clear();
        count = 0;
        return;
    }
    if (count > 0 || !(once || pinday)) return;
    const datefields f = decode(first);
    year = makeset(std::to_string(f.year), lastyear, firstyear);
    month = makeset(std::to_string(f.month), 12, 1);
    day = makeset(std::to_string(f.day), 31, 1);
    if (once) {
        hour = makeset(std::to_string(f.hour), 23, 0);
        minute = makeset(std::to_string(f.minute), 59, 0);
    }
    plansearch();
}

void timedesc::parsesimple(std::string_view text, datetime ref, bool& once, bool& pinday) {
    uint8_t weekdays = 0;
    // Only the blank separates words; runs of blanks and control characters between words
    // count as one separator.
    std::string_view rest = text;
    do {
        const size_t blank = rest.find(' ');
        const std::string_view w = trimmed(rest.substr(0, blank));
        rest =
            blank == std::string_view::npos ? std::string_view{} : trimmed(rest.substr(blank + 1));
        word(w, ref, once, pinday, weekdays);
    } while (!rest.empty());

    if (weekdays != 0) {
        if (wday) fail("Day of week specified more than once!");
        std::string list = "[";
        for (int d = 0; d < 7; ++d)
            if (weekdays & (1u << d)) {
                if (list.size() > 1) list += ';';
                list += static_cast<char>('0' + d);
            }
        list += ']';
        wday = makeset(list, 6, 0);
    }
    if (!year) {
        year = makeset("N", lastyear, firstyear);
        month = makeset("N", 12, 1);
        day = makeset("N", 31, 1);
    }
    if (!wday) wday = makeset("N", 6, 0, true);
    if (!hour) {
        hour = makeset("0", 23, 0);
        minute = makeset("0", 59, 0);
    }
    plansearch();
}

void timedesc::word(std::string_view w, datetime ref, bool& once, bool& pinday, uint8_t& weekdays) {
    if (w == "once") {
        said |= saidonce;
        once = true;
        return;
    }
    if (w == "this") {
        said |= saidthis;
        pinday = true;
        return;
    }
    std::string replaced;
    if (w == "today" || w == "tomorrow") {
        datefields f = decode(ref);
        if (w == "tomorrow") f = decode(daynumber(f.year, f.month, f.day) + 1.0);
        said |= w == "today" ? saidtoday : saidtomorrow;
        replaced = datetext(f);
        w = replaced;
    } else if (w == "morning") {
        said |= saidmorning;
        w = "4:0";
    }

    if (const size_t colon = w.find(':'); colon != std::string_view::npos) {
        if (hour) fail("Hour and minute specified more than once!");
        hour = makeset(w.substr(0, colon), 23, 0);
        minute = makeset(w.substr(colon + 1), 59, 0);
        return;
    }
    if (const size_t dash = w.find('-'); dash != std::string_view::npos) {
        if (const size_t dash2 = w.find('-', dash + 1); dash2 != std::string_view::npos) {
            if (year) fail("Year, month and day specified more than once!");
            year = makeset(w.substr(0, dash), lastyear, firstyear);
            month = makeset(w.substr(dash + 1, dash2 - dash - 1), 12, 1);
            day = makeset(w.substr(dash2 + 1), 31, 1);
            return;
        }
    }
    if (const int32_t d = dayindex(w); d != novalue) {
        weekdays |= static_cast<uint8_t>(1u << d);
        return;
    }
    if (!w.empty() && w.front() == 'd') {
        if (wday) fail("Day of week specified more than once!");
        wday = makeset(w.substr(1), 6, 0, true);
        return;
    }
    if (w.empty()) fail("Empty time specification!");
    std::string message = "Incorrect time specification: '";
    message.append(w).append("'!");
    fail(std::move(message));
}

bool timedesc::matches(datetime t, bool dateonly) const {
    if (never) return false;
    if (count > 0) {
        for (int i = 0; i < count; ++i)
            if (alt[i]->matches(t, dateonly)) return true;
        return false;
    }
    if (!year || !month || !day || !wday || !hour || !minute) return false;
    const datefields f = decode(t);
    if (!year->contains(f.year) || !month->contains(f.month) || !day->contains(f.day) ||
        !wday->contains(f.wday))
        return false;
    if (dateonly) return true;
    return hour->contains(f.hour) && minute->contains(f.minute);
}

void timedesc::plansearch() {
    plan = {};
    if (!year || !month || !day || !wday || !hour || !minute) return;
    plan.firsthour = hour->firstfrom(novalue);
    plan.firstminute = minute->firstfrom(novalue);
    // Without an admitted hour or minute no day has an admitted time.
    if (plan.firsthour == novalue || plan.firstminute == novalue) return;
    plan.days = static_cast<uint32_t>(day->members64(0)) & lengthmask(31);
    const auto wdays = static_cast<uint32_t>(wday->members64(0)) & 0x7f;
    const auto months = static_cast<uint32_t>(month->members64(0)) & 0x1ffe;
    for (int first = 0; first < 7; ++first) {
        uint32_t onadmittedweekday = 0;
        for (int k = 0; k < 7; ++k)
            if (wdays >> k & 1)
                onadmittedweekday |= residue[static_cast<size_t>((k - first + 8) % 7)];
        plan.byfirstwday[first] = plan.days & onadmittedweekday;
    }
    // A year's admitted dates depend only on whether it is a leap year and on the weekday of
    // its 1 January, so fourteen tables answer "has this year an admitted date?" at once.
    // startsok[len - 28]: bit w set when a month of len days that starts on weekday w has an
    // admitted day.
    std::array<uint8_t, 4> startsok{};
    for (int first = 0; first < 7; ++first)
        for (int len = 28; len <= 31; ++len)
            if (plan.byfirstwday[first] & lengthmask(len))
                startsok[len - 28] |= static_cast<uint8_t>(1u << first);
    for (int leap = 0; leap < 2; ++leap)
        for (int m = 1; m <= 12; ++m) {
            if (!(months >> m & 1)) continue;
            const int len = m == 2 ? 28 + leap : daysinmonth(2001, m);
            const int offset = (daysbefore[m] + (leap && m > 2 ? 1 : 0)) % 7;
            for (int jan1 = 0, first = offset; jan1 < 7; ++jan1, first = first == 6 ? 0 : first + 1)
                if (startsok[len - 28] >> first & 1)
                    plan.goodmonths[leap * 7 + jan1] |= static_cast<uint16_t>(1u << m);
        }
    // The admitted years that have an admitted date; none at all ("N-2-30", "d[^..]") means
    // that nothing is ever due.
    const yeartables& tables = calendar();
    bool any = false;
    for (int w = 0; w < yearwords; ++w) {
        uint64_t oftype = 0;
        for (int type = 0; type < 14; ++type)
            if (plan.goodmonths[type]) oftype |= tables.years[type][w];
        plan.goodyears[w] = oftype & year->members64(firstyear + 64 * w);
        any = any || plan.goodyears[w] != 0;
    }
    plan.possible = any;
}

int32_t timedesc::nextgoodyear(int64_t from) const {
    if (from > lastyear) return novalue;
    if (from < firstyear) from = firstyear;
    const int64_t offset = from - firstyear;
    auto w = static_cast<size_t>(offset / 64);
    uint64_t m = plan.goodyears[w] & (~uint64_t{0} << (offset % 64));
    while (m == 0) {
        if (++w == plan.goodyears.size()) return novalue;
        m = plan.goodyears[w];
    }
    return static_cast<int32_t>(firstyear + static_cast<int64_t>(w) * 64 + std::countr_zero(m));
}

datetime timedesc::searchsimple(datetime t) const {
    if (!plan.possible) return novalue;
    const datefields f = decode(t);
    auto at = [](int y, int m, int d, int h, int n) {
        return static_cast<double>(daynumber(y, m, d)) + encodetime(h, n);
    };
    // First admitted day of month m of year y after day 'after', or 0.
    auto dayin = [this](int y, int m, int after) {
        const uint32_t mask = plan.byfirstwday[weekday(daynumber(y, m, 1))] &
                              lengthmask(daysinmonth(y, m)) & above(after);
        return mask ? lowest(mask) : 0;
    };
    const bool yearin = year->contains(f.year);
    const bool monthin = yearin && month->contains(f.month);

    // The day of t: its admitted times from t's own minute on.
    if (monthin && dayin(f.year, f.month, f.day - 1) == f.day) {
        if (hour->contains(f.hour)) {
            const int32_t n = minute->firstfrom(f.minute);
            if (n != novalue) return at(f.year, f.month, f.day, f.hour, n);
        }
        const int32_t h = hour->firstfrom(f.hour + 1);
        if (h != novalue) return at(f.year, f.month, f.day, h, plan.firstminute);
    }
    // Every later admitted day has an admitted time: the first of the day.
    const int h = plan.firsthour, n = plan.firstminute;
    if (monthin)
        if (const int d = dayin(f.year, f.month, f.day)) return at(f.year, f.month, d, h, n);
    if (yearin) {
        const uint32_t months = plan.goodmonths[yeartype(f.year)] & above(f.month);
        if (months) {
            const int m = lowest(months);
            return at(f.year, m, dayin(f.year, m, 0), h, n);
        }
    }
    const int32_t y = nextgoodyear(int64_t{f.year} + 1);
    if (y == novalue) return novalue;
    const int m = lowest(plan.goodmonths[yeartype(y)]);
    return at(y, m, dayin(y, m, 0), h, n);
}

datetime nextfrom(const timedesc& spec, datetime t) {
    // From a moment that is no date (a start or last time far off in a hand-edited file)
    // nothing is ever due.
    if (!indaterange(t)) return novalue;
    if (spec.count > 0) {
        datetime best = novalue;
        bool found = false;
        for (int i = 0; i < spec.count; ++i) {
            const datetime r = nextfrom(*spec.alt[i], t);
            if (isnovalue(r)) continue;
            if (!found || r < best) best = r;
            found = true;
        }
        return best;
    }
    if (spec.never) return novalue;
    return spec.searchsimple(t);
}

} // namespace velk
