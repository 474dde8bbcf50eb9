#include "timespec/explain.h"

#include <algorithm>
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
std::string weekdaylist(uint8_t days, const char* last = " and ") {
    const auto mondayfirst = static_cast<uint64_t>((days >> 1) | ((days & 1) << 6));
    return joined(items(runsof(mondayfirst, 0, 6),
                        [](int32_t k) { return std::string(weekdaynames[(k + 1) % 7]); }),
                  ", ", last);
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

// "1st", "2nd", "13th", "22nd".
std::string ordinal(int32_t d) {
    const int last = d % 10;
    const char* suffix = d / 10 == 1 || last == 0 || last > 3 ? "th"
                         : last == 1                          ? "st"
                         : last == 2                          ? "nd"
                                                              : "rd";
    return number(d) + suffix;
}

int32_t dayof(datetime t) {
    const datefields f = decode(t);
    return daynumber(f.year, f.month, f.day);
}

// Hours at one minute: "every 3 hours from 08:00 to 20:00", or per run of hours.
std::string hourwords(uint32_t hours, int minute) {
    if (const int step = stepof(hours); step > 1) {
        const int first = std::countr_zero(hours), last = 31 - std::countl_zero(hours);
        return "every " + number(step) + " hours from " + clock(first, minute) + " to " +
               clock(last, minute);
    }
    const std::vector<range> runs = runsof(hours, 0, 23);
    // All hours but a few: the few are easier to read than the runs between them.
    if (std::popcount(hours) >= 20 && runs.size() > 1) {
        std::vector<std::string> missing;
        for (int h = 0; h < 24; ++h)
            if (!(hours >> h & 1)) missing.push_back(clock(h, minute));
        const std::string head = minute == 0 ? "every hour, on the hour,"
                                             : "at " + number(minute) +
                                                   (minute == 1 ? " minute" : " minutes") +
                                                   " past every hour";
        return head + " except " + joined(missing);
    }
    std::vector<std::string> out;
    bool every = false;
    for (const range& r : runs) {
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

// The times of day that hours x minutes admit.
std::string timewords(uint32_t hours, uint64_t minutes, bool morning) {
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
        if (morning && times.size() == 1 && times[0] == "04:00") out += " (morning)";
        return out;
    }
    if (allminutes) return allhours ? "every minute" : perrun("every minute", 59);
    // Two minutes half an hour apart are a step too.
    if (const int step = nm == 2 ? 63 - std::countl_zero(minutes) : stepof(minutes);
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
        return nh == 1 ? "at " + clock(hourruns[0].from, m) : hourwords(hours, m);
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

// How a field is read in one alternative: the facts its reading states, built while reading.
struct reader {
    const timedesc& spec;
    datetime ref, now;
    explanation& whole;
    explanation::part& part;
    // The one day the reading names, if it names one.
    int32_t oneday = novalue;
    // Per kind of year (leap * 7 + weekday of 1 January): whether it has an admitted date.
    std::array<int8_t, 14> kinds = {-1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1};

    std::string timephrase();
    std::string datephrase();
    std::string onedate(const datefields& f);
    std::string exactdate(const datefields& f);
    std::string yearphrase(bool monthsgiven);
    std::string yearlist(const std::vector<range>& years);
    bool hasdate(int32_t year);
    std::vector<range> liveyears();
    bool dateexists() const;
    uint32_t trimmeddays(bool& partly) const;
};

std::string reader::timephrase() {
    part.hours = static_cast<uint32_t>(spec.hour->members64(0)) & 0xffffff;
    part.minutes = spec.minute->members64(0) & ((uint64_t{1} << 60) - 1);
    const bool morning = spec.said & timedesc::saidmorning;
    if (spec.never || oneday != dayof(ref)) return timewords(part.hours, part.minutes, morning);
    // On the reference day the times before the reference moment never come: name only the rest.
    const datefields r = decode(ref);
    std::vector<std::string> left;
    int firsth = -1, firstm = -1;
    for (int h = r.hour; h < 24; ++h)
        for (int m = h == r.hour ? r.minute : 0; m < 60; ++m)
            if ((part.hours >> h & 1) && (part.minutes >> m & 1)) {
                if (firsth < 0) firsth = h, firstm = m;
                left.push_back(clock(h, m));
            }
    const uint64_t minutesfrom = part.minutes & (~uint64_t{0} << (firstm < 0 ? 0 : firstm));
    if (left.size() <= 6 && !left.empty() &&
        left.size() < static_cast<size_t>(std::popcount(part.hours) * std::popcount(part.minutes)))
        return "at " + joined(left);
    if (firsth < 0) return timewords(part.hours, part.minutes, morning);
    const uint32_t later = part.hours & static_cast<uint32_t>(~uint64_t{0} << (firsth + 1));
    if (minutesfrom == part.minutes) return timewords(later | 1u << firsth, part.minutes, morning);
    const std::string first = timewords(1u << firsth, minutesfrom, false);
    return later ? first + " and " + timewords(later, part.minutes, false) : first;
}

// Whether the month, day and weekday sets admit a date in a year: the answer depends only on
// whether it is a leap year and on the weekday of its 1 January.
bool reader::hasdate(int32_t y) {
    const int leap = isleap(y) ? 1 : 0, jan1 = dayofweek(daynumber(y, 1, 1));
    int8_t& known = kinds[static_cast<size_t>(leap * 7 + jan1)];
    if (known >= 0) return known != 0;
    int dayofyear = 0;
    known = 0;
    for (int m = 1; m <= 12 && !known; ++m) {
        const int len = m == 2 ? 28 + leap : daysinmonth(2001, m);
        if (part.months >> m & 1)
            for (int d = 1; d <= len && !known; ++d)
                known =
                    (part.days >> d & 1) && (part.weekdays >> ((jan1 + dayofyear + d - 1) % 7) & 1);
        dayofyear += len;
    }
    return known != 0;
}

std::vector<range> reader::liveyears() {
    std::vector<range> out;
    for (const range& r : part.years)
        for (int32_t y = r.from; y <= r.to; ++y) {
            if (!hasdate(y)) continue;
            if (!out.empty() && out.back().to == y - 1)
                out.back().to = y;
            else
                out.push_back({y, y});
        }
    return out;
}

// Whether some month of the set has some day of the set at all (29 February in a leap year).
bool reader::dateexists() const {
    for (int m = 1; m <= 12; ++m)
        if ((part.months >> m & 1) &&
            (part.days & static_cast<uint32_t>((uint64_t{2} << daysinmonth(2000, m)) - 1)))
            return true;
    return false;
}

// The days of month that the admitted months have (29 February only with a leap year);
// partly is set when some admitted month lacks some of them.
uint32_t reader::trimmeddays(bool& partly) const {
    bool leapyear = false, commonyear = false;
    for (const range& r : part.years)
        for (int32_t y = r.from; y <= r.to && !(leapyear && commonyear); ++y)
            (isleap(y) ? leapyear : commonyear) = true;
    int longest = 0, shortest = 31;
    for (int m = 1; m <= 12; ++m)
        if (part.months >> m & 1) {
            const int len = m == 2 ? (leapyear ? 29 : 28) : daysinmonth(2001, m);
            longest = std::max(longest, len);
            shortest = std::min(shortest, m == 2 && commonyear ? 28 : len);
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

// A date of one day, with the word for it as seen from now.
std::string reader::onedate(const datefields& f) {
    const int32_t day = daynumber(f.year, f.month, f.day), today = dayof(now);
    oneday = day;
    const bool pinned = !spec.never && (spec.said & (timedesc::saidonce | timedesc::saidthis));
    // A weekday the date is not (so nothing comes) is still read.
    const std::string unless =
        part.weekdays >> f.wday & 1 ? "" : ", on " + weekdaylist(part.weekdays);
    if (((spec.said & timedesc::saidtoday) || pinned) && day == today)
        return "today (" + iso(f) + ")" + unless;
    if (((spec.said & timedesc::saidtomorrow) || pinned) && day == today + 1)
        return "tomorrow (" + iso(f) + ")" + unless;
    if (pinned && (spec.said & timedesc::saidthis) && std::popcount(part.weekdays) == 1 &&
        day > today && day - today < 14)
        return (day - today < 7 ? "this " : "next ") + std::string(weekdaynames[f.wday]) + " (" +
               iso(f) + ")";
    if (pinned && !(spec.said & timedesc::saidonce) && day >= today)
        return "only on the first such day, " + exactdate(f).substr(3);
    return exactdate(f);
}

// Years read one by one or by runs: "in 2028 and 2030", "in 2121 and the years from 2148 on".
std::string reader::yearlist(const std::vector<range>& years) {
    std::vector<std::string> out;
    for (const range& r : years) {
        if (r.to - r.from < 2) {
            for (int32_t y = r.from; y <= r.to; ++y)
                out.push_back(number(y));
        } else if (r.from == firstyear) {
            out.push_back("the years up to " + number(r.to));
        } else if (r.to == lastyear) {
            out.push_back("the years from " + number(r.from) + " on");
        } else {
            out.push_back("the years from " + number(r.from) + " to " + number(r.to));
        }
    }
    return "in " + joined(out);
}

// Reads the years and keeps in part.years those that the reading names.
std::string reader::yearphrase(bool monthsgiven) {
    const std::vector<range> written = part.years;
    std::vector<range> live = liveyears();
    const bool everylive = members(live) == members(written);
    if (live.empty()) {
        const bool one = written.size() == 1 && written[0].from == written[0].to;
        return "but " + yearlist(written).substr(3) + (one ? " has none" : " have none");
    }
    const int missing = lastyear - firstyear + 1 - members(written);
    if (everylive && missing <= 3 && written.front().from == firstyear &&
        written.back().to == lastyear) {
        part.everyyear = true;
        std::vector<std::string> except;
        for (size_t i = 1; i < written.size(); ++i)
            for (int32_t y = written[i - 1].to + 1; y < written[i].from; ++y)
                except.push_back(number(y));
        return except.empty() && !monthsgiven ? ""
               : except.empty()               ? "every year"
                                              : "every year except " + joined(except);
    }
    if (written.size() == 1 && written[0].from != written[0].to && (everylive || live.size() > 4)) {
        const range w = written[0];
        std::string span;
        if (w.from == firstyear && w.to == lastyear)
            span = "";
        else if (w.from == firstyear)
            span = " up to " + number(w.to);
        else if (w.to == lastyear)
            span = " from " + number(w.from) + " on";
        else
            span = " from " + number(w.from) + " to " + number(w.to);
        if (everylive) {
            part.everyyear = true;
            return "every year" + span;
        }
        // Not every year has such a date (29 February, a weekday on a given day): saying
        // "every year" would mislead.
        ++whole.heldback;
        return "in the years" + span + " that have one";
    }
    // Named one by one: only the years that have such a date, and none that lie before the
    // first moment.
    if (!spec.never) {
        const int32_t first = decode(nextfrom(spec, ref)).year;
        std::erase_if(live, [first](const range& r) { return r.to < first; });
    }
    part.years = live;
    part.everyyear = true;
    return yearlist(live);
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

    const bool alldays = part.days == 0xfffffffe, allmonths = part.months == 0x1ffe;
    const bool allweekdays = part.weekdays == 0x7f;
    const std::string years = yearphrase(!allmonths);
    const bool oneyear = part.years.size() == 1 && part.years[0].from == part.years[0].to;
    if (oneyear && std::popcount(part.months) == 1 && std::popcount(part.days) == 1) {
        datefields f;
        f.year = part.years[0].from;
        f.month = std::countr_zero(part.months);
        f.day = std::countr_zero(part.days);
        datetime d = 0;
        if (encodedate(f.year, f.month, f.day, d)) {
            f.wday = dayofweek(d);
            return onedate(f);
        }
    }

    std::vector<std::string> pieces;
    const bool dateless = alldays && allmonths;
    // A weekday on given days of any month ("Friday the 13th") leaves some months without one.
    const bool ordinals = allmonths && !alldays && !allweekdays;
    if (dateless)
        pieces.push_back("every " +
                         (allweekdays ? std::string("day") : weekdaylist(part.weekdays)));
    else if (!allweekdays && !ordinals)
        pieces.push_back("on " + weekdaylist(part.weekdays));
    const uint32_t lacking = ~part.days & 0xfffffffe;
    if (allmonths && allweekdays && !alldays && std::popcount(lacking) <= 3 && !(lacking >> 29)) {
        pieces.push_back("every day except the " + joined(items(runsof(lacking, 1, 31), ordinal)));
    } else if (ordinals) {
        pieces.push_back("on every " + weekdaylist(part.weekdays, " or ") + " the " +
                         joined(items(runsof(part.days, 1, 31), ordinal), ", ", " or "));
    } else if (!dateless) {
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
        // February alone: the years phrase tells which years have its 29th.
        if (partly && part.months == 1u << 2 && !oneday)
            piece += " (the 29th in leap years only)";
        else if (partly && !allmonths && part.months != 1u << 2)
            piece += oneday ? " (in the months that have it)" : " (in the months that have them)";
        pieces.push_back(piece);
    }
    if (!years.empty()) pieces.push_back(years);
    return joined(pieces, ", ", ", ");
}

// "there is no 30 February", "there is no day 30 or 31 in February or April".
std::string nosuchdate(const explanation::part& p) {
    const std::vector<range> days = runsof(p.days, 1, 31), months = runsof(p.months, 1, 12);
    if (members(days) == 1 && members(months) == 1)
        return "there is no " + number(days[0].from) + " " + monthname(months[0].from);
    return "there is no day " + joined(items(days, number), ", ", " or ") + " in " +
           joined(items(months, monthname), ", ", " or ");
}

std::string readsimple(const timedesc& spec, datetime ref, datetime now, explanation& whole) {
    explanation::part& part = whole.parts.emplace_back();
    part.never = spec.never;
    if (!spec.year || !spec.month || !spec.day || !spec.wday || !spec.hour || !spec.minute)
        return part.text = "nothing";
    reader r{spec, ref, now, whole, part};
    const std::string date = r.datephrase();
    const std::string time = r.timephrase();
    std::string text =
        time + (date.starts_with("every") && time.find("every") != std::string::npos ? ", " : " ") +
        date;
    if (spec.never && part.hours && part.minutes && part.weekdays && !part.years.empty() &&
        part.months && part.days && !r.dateexists())
        text = nosuchdate(part);
    else if (spec.said & timedesc::saidonce)
        text = "once, " + text;
    else if ((spec.said & timedesc::saidthis) && spec.never)
        text = "on the first such day only: " + text;
    return part.text = text;
}

void addunique(std::vector<std::string>& texts, const std::string& text) {
    if (std::find(texts.begin(), texts.end(), text) == texts.end()) texts.push_back(text);
}

std::string either(const std::vector<std::string>& texts) {
    return texts.size() == 1 ? texts[0] : "either of: " + joined(texts, "; ", "; ");
}

std::string capital(std::string text) {
    if (!text.empty() && text[0] >= 'a' && text[0] <= 'z')
        text[0] = static_cast<char>(text[0] - 'a' + 'A');
    return text;
}

} // namespace

explanation explainparts(const timedesc& spec, datetime ref, datetime now) {
    if (isnovalue(now)) now = ref;
    explanation out;
    const bool over = !spec.never && isnovalue(nextfrom(spec, now));
    const auto& alternatives = spec.count > 0 ? spec.alt : spec.lapsed;
    if (alternatives.empty()) {
        const std::string text = readsimple(spec, ref, now, out);
        out.text = (spec.never ? "never: " + text : over ? "over: " + text : capital(text)) + ".";
        return out;
    }
    // Each alternative once; those without a moment left follow the ones still to come.
    std::vector<std::string> live, past, dead;
    for (const auto& a : alternatives) {
        const std::string text = readsimple(*a, ref, now, out);
        if (a->never || spec.never)
            addunique(dead, text);
        else if (!over && isnovalue(nextfrom(*a, now)))
            addunique(past, text);
        else
            addunique(live, text);
    }
    if (spec.never) {
        out.text = "never: " + either(dead) + ".";
        return out;
    }
    out.text = (over ? "over: " + either(live) : capital(either(live))) + ".";
    if (!past.empty()) out.text += " Over: " + joined(past, "; ", "; ") + ".";
    if (!dead.empty()) out.text += " Never due: " + joined(dead, "; ", "; ") + ".";
    return out;
}

} // namespace velk
