#include "timespec/explain.h"

#include <array>
#include <bit>
#include <cstdio>
#include <functional>

namespace velk {

const std::array<const char*, 7> weekdaynames = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                                 "Thursday", "Friday", "Saturday"};
const std::array<const char*, 13> monthnames = {
    "",     "January", "February",  "March",   "April",    "May",     "June",
    "July", "August",  "September", "October", "November", "December"};

namespace {

using range = valdesc::range;
using namer = std::function<std::string(int32_t)>;

constexpr int32_t firstyear = 1980, lastyear = 2500;

std::string number(int32_t v) {
    return std::to_string(v);
}

std::string twodigits(int v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "%02d", v);
    return buf;
}

std::string clock(int h, int m) {
    return twodigits(h) + ":" + twodigits(m);
}

std::string iso(const datefields& f) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02d-%02d", f.year, f.month, f.day);
    return buf;
}

// "a", "a and b", "a, b and c".
std::string joined(const std::vector<std::string>& items, const char* sep = ", ",
                   const char* last = " and ") {
    std::string out;
    for (size_t i = 0; i < items.size(); ++i) {
        if (i > 0) out += i + 1 == items.size() ? last : sep;
        out += items[i];
    }
    return out;
}

// Members of a bit set (bit v: value v) within [lo..hi], as ascending runs.
std::vector<range> runsof(uint64_t bits, int lo, int hi) {
    std::vector<range> out;
    for (int v = lo; v <= hi; ++v) {
        if (!(bits >> v & 1)) continue;
        if (!out.empty() && out.back().to == v - 1)
            out.back().to = v;
        else
            out.push_back({v, v});
    }
    return out;
}

std::vector<range> runsof(const valdesc& s) {
    std::vector<range> out;
    for (int64_t v = s.lo; v <= s.hi; ++v) {
        if (!s.contains(static_cast<int32_t>(v))) continue;
        const auto x = static_cast<int32_t>(v);
        if (!out.empty() && out.back().to == x - 1)
            out.back().to = x;
        else
            out.push_back({x, x});
    }
    return out;
}

// "1, 15 to 21 and 28": a run of three or more reads "from to", a shorter one lists its values.
std::vector<std::string> items(const std::vector<range>& runs, const namer& name) {
    std::vector<std::string> out;
    for (const range& r : runs) {
        if (r.to - r.from >= 2) {
            out.push_back(name(r.from) + " to " + name(r.to));
            continue;
        }
        for (int32_t v = r.from; v <= r.to; ++v)
            out.push_back(name(v));
    }
    return out;
}

std::string listed(const std::vector<range>& runs, const namer& name) {
    return joined(items(runs, name));
}

int members(const std::vector<range>& runs) {
    int n = 0;
    for (const range& r : runs)
        n += r.to - r.from + 1;
    return n;
}

// Weekdays read from Monday to Sunday, so that "[^mon;tue]" is "Wednesday to Sunday".
std::string weekdaylist(uint8_t days) {
    const auto mondayfirst = static_cast<uint64_t>((days >> 1) | ((days & 1) << 6));
    return listed(runsof(mondayfirst, 0, 6),
                  [](int32_t k) { return std::string(weekdaynames[(k + 1) % 7]); });
}

std::string monthname(int32_t m) {
    return monthnames[static_cast<size_t>(m)];
}

// The step between the members when there are three or more evenly spaced ones, else 0.
int stepof(uint64_t bits) {
    if (std::popcount(bits) < 3) return 0;
    const int first = std::countr_zero(bits);
    const int step = std::countr_zero(bits >> (first + 1)) + 1;
    uint64_t progression = 0;
    for (int v = first; v < 64 && (bits >> v) != 0; v += step)
        progression |= uint64_t{1} << v;
    return progression == bits ? step : 0;
}

// How a field is read in one alternative: the facts its reading states, built while reading.
struct reader {
    const timedesc& spec;
    datetime ref;
    explanation& whole;
    explanation::part& part;

    std::string timephrase();
    std::string hourruns(int minute);
    std::string datephrase();
    std::string exactdate(const datefields& f);
    std::string yearphrase(bool monthsgiven);
    bool dateeveryyear() const;
    uint32_t trimmeddays(bool& partly) const;
};

std::string reader::timephrase() {
    const uint32_t hours = part.hours = static_cast<uint32_t>(spec.hour->members64(0)) & 0xffffff;
    const uint64_t minutes = part.minutes = spec.minute->members64(0) & ((uint64_t{1} << 60) - 1);
    const int nh = std::popcount(hours), nm = std::popcount(minutes);
    if (nh == 0 || nm == 0) return "at no time of day";
    const bool allhours = nh == 24, allminutes = nm == 60;
    const std::vector<range> hourruns = runsof(hours, 0, 23);
    auto perrun = [&](const std::string& head, int lastminute) {
        std::vector<std::string> out;
        for (const range& r : hourruns)
            out.push_back((out.empty() ? head + " from " : std::string("from ")) +
                          clock(r.from, 0) + " to " + clock(r.to, lastminute));
        return joined(out);
    };
    if (nh * nm <= 6) {
        std::vector<std::string> times;
        for (int h = 0; h < 24; ++h)
            for (int m = 0; m < 60; ++m)
                if ((hours >> h & 1) && (minutes >> m & 1)) times.push_back(clock(h, m));
        std::string out = "at " + joined(times);
        if ((spec.said & timedesc::saidmorning) && times.size() == 1 && times[0] == "04:00")
            out += " (morning)";
        return out;
    }
    if (allminutes) return allhours ? "every minute" : perrun("every minute", 59);
    if (const int step = stepof(minutes);
        step > 0 && (minutes & 1) && 60 % step == 0 && nm == 60 / step) {
        const std::string head = "every " + number(step) + " minutes";
        return allhours ? head : perrun(head, 60 - step);
    }
    if (nm == 1) {
        const int m = std::countr_zero(minutes);
        if (allhours)
            return m == 0
                       ? "every hour, on the hour"
                       : "at " + number(m) + (m == 1 ? " minute" : " minutes") + " past every hour";
        return hourruns.size() == 1 && nh == 1 ? "at " + clock(hourruns[0].from, m)
                                               : this->hourruns(m);
    }
    const std::vector<range> minuteruns = runsof(minutes, 0, 59);
    if (nh == 1 && minuteruns.size() == 1) {
        const int h = hourruns[0].from;
        return "every minute from " + clock(h, minuteruns[0].from) + " to " +
               clock(h, minuteruns[0].to);
    }
    const std::string minutelist = listed(minuteruns, number);
    std::string out = (nm == 1 ? "at minute " : "at minutes ") + minutelist;
    if (allhours) return out + " of every hour";
    return out + (nh == 1 ? " of hour " : " of hours ") + listed(hourruns, number);
}

// Hours at one minute: "every 3 hours from 08:00 to 20:00", or per run of hours.
std::string reader::hourruns(int minute) {
    const uint32_t hours = part.hours;
    if (const int step = stepof(hours); step > 1) {
        const int first = std::countr_zero(hours), last = 31 - std::countl_zero(hours);
        return "every " + number(step) + " hours from " + clock(first, minute) + " to " +
               clock(last, minute);
    }
    std::vector<std::string> out;
    bool every = false;
    for (const range& r : runsof(hours, 0, 23)) {
        if (r.from == r.to) {
            out.push_back("at " + clock(r.from, minute));
            continue;
        }
        out.push_back((every ? "from " : "every hour from ") + clock(r.from, minute) + " to " +
                      clock(r.to, minute));
        every = true;
    }
    return joined(out);
}

// Whether the month, day and weekday sets admit a date in every year of the year set: the
// answer depends only on whether a year is a leap year and on the weekday of its 1 January.
bool reader::dateeveryyear() const {
    std::array<int8_t, 14> good{};
    good.fill(-1);
    auto admits = [&](int leap, int jan1) {
        int dayofyear = 0;
        for (int m = 1; m <= 12; ++m) {
            const int len = m == 2 ? 28 + leap : daysinmonth(2001, m);
            if (part.months >> m & 1)
                for (int d = 1; d <= len; ++d)
                    if ((part.days >> d & 1) &&
                        (part.weekdays >> ((jan1 + dayofyear + d - 1) % 7) & 1))
                        return true;
            dayofyear += len;
        }
        return false;
    };
    if (part.years.empty()) return false;
    for (const range& r : part.years)
        for (int32_t y = r.from; y <= r.to; ++y) {
            const int leap = isleap(y) ? 1 : 0;
            const int jan1 = dayofweek(daynumber(y, 1, 1));
            int8_t& g = good[static_cast<size_t>(leap * 7 + jan1)];
            if (g < 0) g = admits(leap, jan1) ? 1 : 0;
            if (g == 0) return false;
        }
    return true;
}

// The days of month that the admitted months have (29 February only with a leap year);
// partly is set when some admitted month lacks some of them.
uint32_t reader::trimmeddays(bool& partly) const {
    bool leapyear = false;
    for (const range& r : part.years)
        for (int32_t y = r.from; y <= r.to && !leapyear; ++y)
            leapyear = isleap(y);
    int longest = 0, shortest = 31;
    for (int m = 1; m <= 12; ++m)
        if (part.months >> m & 1) {
            const int len = m == 2 ? (leapyear ? 29 : 28) : daysinmonth(2001, m);
            longest = std::max(longest, len);
            shortest = std::min(shortest, len);
        }
    const uint32_t kept = part.days & static_cast<uint32_t>((uint64_t{2} << longest) - 1);
    if (kept == 0) return part.days; // nothing comes anyway: read what was written
    partly = (uint64_t{kept} >> (shortest + 1)) != 0;
    return kept;
}

std::string reader::exactdate(const datefields& f) {
    std::string text = monthname(f.month);
    text = number(f.day) + " " + text + " " + number(f.year);
    if (part.weekdays >> f.wday & 1) return "on " + std::string(weekdaynames[f.wday]) + ", " + text;
    return "on " + text + ", on " + weekdaylist(part.weekdays);
}

std::string reader::yearphrase(bool monthsgiven) {
    const std::vector<range>& years = part.years;
    if (years.empty()) return "in no year";
    const bool allyears =
        years.size() == 1 && years[0].from == firstyear && years[0].to == lastyear;
    if (allyears && !monthsgiven) return "";
    if (years.size() == 1 && years[0].from == years[0].to) return "in " + number(years[0].from);
    if (years.size() == 1) {
        std::string span;
        if (years[0].from == firstyear)
            span = " up to " + number(years[0].to);
        else if (years[0].to == lastyear)
            span = " from " + number(years[0].from) + " on";
        else
            span = " from " + number(years[0].from) + " to " + number(years[0].to);
        if (dateeveryyear()) {
            part.everyyear = true;
            return "every year" + (allyears ? std::string() : span);
        }
        // Not every year has such a date (29 February, a weekday on a given day): saying
        // "every year" would mislead.
        ++whole.heldback;
        return allyears ? "in the years that have one" : "in the years" + span + " that have one";
    }
    return "in " + listed(years, number);
}

std::string reader::datephrase() {
    part.years = runsof(*spec.year);
    part.months = static_cast<uint16_t>(spec.month->members64(0) & 0x1ffe);
    part.days = static_cast<uint32_t>(spec.day->members64(0)) & 0xfffffffe;
    part.weekdays = static_cast<uint8_t>(spec.wday->members64(0) & 0x7f);
    if (part.years.empty()) return "in no year";
    if (part.months == 0) return "in no month";
    if (part.days == 0) return "on no day of the month";
    if (part.weekdays == 0) return "on no day of the week";

    const bool oneyear = part.years.size() == 1 && part.years[0].from == part.years[0].to;
    if (oneyear && std::popcount(part.months) == 1 && std::popcount(part.days) == 1) {
        datefields f;
        f.year = part.years[0].from;
        f.month = std::countr_zero(part.months);
        f.day = std::countr_zero(part.days);
        datetime d = 0;
        if (encodedate(f.year, f.month, f.day, d)) {
            f.wday = dayofweek(d);
            const datefields r = decode(ref);
            const int32_t refday = daynumber(r.year, r.month, r.day);
            const int32_t day = daynumber(f.year, f.month, f.day);
            const bool pinned =
                !spec.never && (spec.said & (timedesc::saidonce | timedesc::saidthis));
            const bool today = (spec.said & timedesc::saidtoday) || pinned;
            const bool tomorrow = (spec.said & timedesc::saidtomorrow) || pinned;
            // A weekday the date is not (so nothing comes) is still read.
            const std::string unless =
                part.weekdays >> f.wday & 1 ? "" : ", on " + weekdaylist(part.weekdays);
            if (today && day == refday) return "today (" + iso(f) + ")" + unless;
            if (tomorrow && day == refday + 1) return "tomorrow (" + iso(f) + ")" + unless;
            if (pinned && (spec.said & timedesc::saidthis) && std::popcount(part.weekdays) == 1)
                return "this " + std::string(weekdaynames[f.wday]) + " (" + iso(f) + ")";
            if (pinned && !(spec.said & timedesc::saidonce))
                return "only on the first such day, " + exactdate(f).substr(3);
            return exactdate(f);
        }
    }

    std::vector<std::string> pieces;
    const bool alldays = part.days == 0xfffffffe, allmonths = part.months == 0x1ffe;
    const bool allweekdays = part.weekdays == 0x7f;
    const bool dateless = alldays && allmonths;
    if (dateless)
        pieces.push_back("every " +
                         (allweekdays ? std::string("day") : weekdaylist(part.weekdays)));
    else if (!allweekdays)
        pieces.push_back("on " + weekdaylist(part.weekdays));
    if (!dateless) {
        bool partly = false;
        if (!alldays) part.days = trimmeddays(partly);
        const std::vector<range> dayruns = runsof(part.days, 1, 31);
        const std::string months = listed(runsof(part.months, 1, 12), monthname);
        const std::string daylist = listed(dayruns, number);
        const bool oneday = members(dayruns) == 1;
        std::string piece;
        if (alldays)
            piece = (allweekdays ? "every day of " : "in ") + months;
        else if (allmonths)
            piece = (oneday ? "on day " : "on days ") + daylist + " of every month" +
                    (!partly  ? ""
                     : oneday ? " that has it"
                              : " that has them");
        else if (oneday && std::popcount(part.months) == 1)
            piece = "on " + daylist + " " + months;
        else
            piece = (oneday ? "on day " : "on days ") + daylist + " of " + months;
        if (partly && !allmonths)
            piece += oneday ? " (in the months that have it)" : " (in the months that have them)";
        pieces.push_back(piece);
    }
    if (std::string years = yearphrase(!allmonths); !years.empty()) pieces.push_back(years);
    return joined(pieces, ", ", ", ");
}

// inner: an alternative of a specification that is never due as a whole, which says so once.
std::string readsimple(const timedesc& spec, datetime ref, explanation& whole, bool inner) {
    explanation::part& part = whole.parts.emplace_back();
    part.never = spec.never;
    if (!spec.year || !spec.month || !spec.day || !spec.wday || !spec.hour || !spec.minute)
        return part.text = "nothing";
    reader r{spec, ref, whole, part};
    const std::string time = r.timephrase();
    const std::string date = r.datephrase();
    std::string text =
        time + (date.starts_with("every") && time.find("every") != std::string::npos ? ", " : " ") +
        date;
    if (spec.said & timedesc::saidonce)
        text = "once, " + text;
    else if ((spec.said & timedesc::saidthis) && spec.never)
        text = "on the first such day only: " + text;
    if (spec.never && !inner) text = "never: " + text;
    part.text = text;
    return text;
}

} // namespace

explanation explainparts(const timedesc& spec, datetime ref) {
    explanation out;
    const auto& alternatives = spec.count > 0 ? spec.alt : spec.lapsed;
    if (alternatives.empty()) {
        out.text = readsimple(spec, ref, out, false);
    } else {
        std::vector<std::string> texts;
        for (const auto& a : alternatives)
            texts.push_back(readsimple(*a, ref, out, spec.never));
        out.text = "Either of: " + joined(texts, "; ", "; ");
        if (spec.never) out.text = "never: e" + out.text.substr(1);
    }
    if (!spec.never && !out.text.empty() && out.text[0] >= 'a' && out.text[0] <= 'z')
        out.text[0] = static_cast<char>(out.text[0] - 'a' + 'A');
    out.text += ".";
    return out;
}

} // namespace velk
