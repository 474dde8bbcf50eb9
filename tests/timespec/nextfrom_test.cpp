#include <gtest/gtest.h>

#include <bit>
#include <cstring>
#include <map>
#include <random>
#include <regex>
#include <string>
#include <vector>

#include "tests/support/fakeclock.h"
#include "tests/timespec/describe.h"
#include "tests/timespec/reference.h"
#include "timespec/explain.h"
#include "timespec/timedesc.h"

using namespace velk;
using test::at;
using test::describe;
using test::show;

namespace {

// Successive moments: the first from 'from', each next one from the previous plus a minute.
std::vector<std::string> successive(const timedesc& spec, datetime from, size_t n) {
    std::vector<std::string> out;
    datetime t = from;
    while (out.size() < n) {
        t = nextfrom(spec, t);
        out.push_back(show(t));
        if (isnovalue(t)) break;
        t += oneminute;
    }
    return out;
}

struct searchrow {
    const char* spec;
    const char* from;
    std::vector<std::string> expected;
};

constexpr const char* R = "2026-12-06 09:00"; // a Sunday

TEST(search, goldenLists) {
    const searchrow rows[] = {
        {"N-11-[15..21] thu morning",
         R,
         {"2027-11-18 04:00", "2028-11-16 04:00", "2029-11-15 04:00", "2030-11-21 04:00",
          "2031-11-20 04:00"}},
        {"d[mon..fri] [8..16]:00",
         "2026-12-11 15:30",
         {"2026-12-11 16:00", "2026-12-14 08:00", "2026-12-14 09:00", "2026-12-14 10:00"}},
        {"mon tue 08:00 | d[^mon;tue;sun] 09:00",
         R,
         {"2026-12-07 08:00", "2026-12-08 08:00", "2026-12-09 09:00", "2026-12-10 09:00",
          "2026-12-11 09:00", "2026-12-12 09:00", "2026-12-14 08:00"}},
        {"N-N-13 friday",
         R,
         {"2027-08-13 00:00", "2028-10-13 00:00", "2029-04-13 00:00", "2029-07-13 00:00"}},
        {"tue thu 17:00",
         "2026-12-10 17:00:40",
         {"2026-12-10 17:00", "2026-12-15 17:00", "2026-12-17 17:00", "2026-12-22 17:00"}},
        {"[^..2010]-1-1", R, {"2027-01-01 00:00", "2028-01-01 00:00", "2029-01-01 00:00"}},
        {"N-2-29 8:00", R, {"2028-02-29 08:00", "2032-02-29 08:00", "2036-02-29 08:00"}},
        {"N-N-31 12:00",
         "2026-04-15 09:00",
         {"2026-05-31 12:00", "2026-07-31 12:00", "2026-08-31 12:00"}},
        {"N-2-29 mon", R, {"2044-02-29 00:00", "2072-02-29 00:00", "2112-02-29 00:00"}},
        {"N-N-31 mon", R, {"2027-05-31 00:00", "2028-01-31 00:00", "2028-07-31 00:00"}},
        {"N:N",
         "2026-12-06 23:58:30",
         {"2026-12-06 23:58", "2026-12-06 23:59", "2026-12-07 00:00"}},
        {"N:[0;30]",
         "2026-12-31 23:31",
         {"2027-01-01 00:00", "2027-01-01 00:30", "2027-01-01 01:00"}},
        {"[9;11]:[15;45]",
         "2026-12-06 09:50",
         {"2026-12-06 11:15", "2026-12-06 11:45", "2026-12-07 09:15"}},
        // An hour is entered at :00 even when 0 is no admitted minute.
        {"[10..11]:[5;50]",
         "2026-12-06 10:51",
         {"2026-12-06 11:05", "2026-12-06 11:50", "2026-12-07 10:05"}},
        {"2500-12-31 23:59", "2500-12-31 23:59:59", {"2500-12-31 23:59", "none"}},
        {"2500-12-31 23:59", "2501-01-01 00:00", {"none"}},
        {"N-1-1", "1899-12-30 00:00", {"1980-01-01 00:00", "1981-01-01 00:00"}},
        {"2028-2-30", R, {"none"}},
        {"d[^..]", R, {"none"}},
        {"N-2-30", R, {"none"}},
        {"N-2-30 mon", R, {"none"}},
        {"[^..]:00", R, {"none"}},
        {"8:[^..]", R, {"none"}},
        {"2027-N-N d[^..]", R, {"none"}},
        {"[1980..2030]-2-29 sun", R, {"none"}},
    };
    for (const auto& r : rows) {
        const timedesc spec(r.spec, at("2026-01-01 00:00"));
        EXPECT_EQ(successive(spec, at(r.from), r.expected.size()), r.expected) << r.spec;
    }
}

TEST(search, startsAtTheMinuteOfTheStartMoment) {
    const timedesc spec("tue thu 17:00", at(R));
    EXPECT_EQ(show(nextfrom(spec, at("2026-12-10 17:00:40"))), "2026-12-10 17:00");
    EXPECT_EQ(show(nextfrom(spec, at("2026-12-10 17:01"))), "2026-12-15 17:00");
    // 17:00 as the alarm file stores it, a few microseconds short, plus one minute is 17:01.
    EXPECT_EQ(show(nextfrom(spec, 46366.7083333333 + oneminute)), "2026-12-15 17:00");
    EXPECT_EQ(show(nextfrom(spec, 46366.7083333333)), "2026-12-10 17:00");
    const timedesc weekdays("d[mon..fri] [8..16]:00", at(R));
    EXPECT_EQ(show(nextfrom(weekdays, at("2026-12-11 16:30"))), "2026-12-14 08:00");
    EXPECT_EQ(show(nextfrom(weekdays, at("2026-12-11 07:59"))), "2026-12-11 08:00");
    const timedesc wednesday("this wednesday 13:[00;10;20;30;40;50]", at(R));
    EXPECT_EQ(successive(wednesday, at("2026-12-09 13:05"), 7),
              (std::vector<std::string>{"2026-12-09 13:10", "2026-12-09 13:20", "2026-12-09 13:30",
                                        "2026-12-09 13:40", "2026-12-09 13:50", "none"}));
}

TEST(search, onceAlternativesEachRunOnce) {
    const timedesc spec("once 22:00 | once 23:00", at(R));
    EXPECT_EQ(show(nextfrom(spec, at(R))), "2026-12-06 22:00");
    EXPECT_EQ(show(nextfrom(spec, at("2026-12-06 22:01"))), "2026-12-06 23:00");
    EXPECT_EQ(show(nextfrom(spec, at("2026-12-06 23:01"))), "none");
    // Re-parsed with the same reference moment, the same moments are pinned.
    const timedesc again("once 22:00 | once 23:00", at(R));
    EXPECT_EQ(describe(again), describe(spec));
}

TEST(search, resultsAreWholeMinutesThatMatch) {
    const timedesc spec("mon tue 08:00 | d[^mon;tue;sun] 09:[0..59]", at(R));
    datetime t = at("2026-12-06 09:00:37");
    for (int i = 0; i < 200; ++i) {
        t = nextfrom(spec, t);
        ASSERT_FALSE(isnovalue(t));
        const datefields f = decode(t);
        ASSERT_EQ(f.second + f.msec, 0);
        ASSERT_TRUE(spec.matches(t, false));
        t += oneminute;
    }
}

// Random specifications in every form, searched from random moments: the optimised search
// must give the very same value as the plain day-by-day algorithm.
class specmaker {
  public:
    explicit specmaker(unsigned seed) : rng(seed) {}

    // text parsed against ref, or null when the parser refuses it.
    static std::unique_ptr<timedesc> parsed(const std::string& text, datetime ref) {
        try {
            return std::make_unique<timedesc>(text, ref);
        } catch (const velkerror&) {
            return nullptr;
        }
    }

    int pick(int a, int b) { return std::uniform_int_distribution<int>(a, b)(rng); }
    bool chance(int percent) { return pick(1, 100) <= percent; }

    std::string set(int lo, int hi, bool names = false) {
        if (chance(25)) return "N";
        if (chance(20)) return std::to_string(pick(lo, hi));
        std::string s = chance(25) ? "[^" : "[";
        const int items = pick(1, 4);
        for (int i = 0; i < items; ++i) {
            if (i) s += ';';
            const int a = pick(lo, hi), b = pick(a, hi);
            const std::string x = value(a, names), y = value(b, names);
            switch (pick(0, 4)) {
            case 0:
                s += x + ".." + y;
                break;
            case 1:
                s += ".." + x;
                break;
            case 2:
                s += x + "..";
                break;
            default:
                s += x;
                break;
            }
        }
        return s + "]";
    }

    std::string value(int v, bool names) {
        if (!names || chance(50)) return std::to_string(v);
        return std::string(daynames[static_cast<size_t>(v)].substr(0, 3));
    }

    // Strings are built with append: GCC 12 at -O3 warns falsely (-Wrestrict) on
    // "literal" + std::string&&.
    std::string alternative() {
        std::vector<std::string> words;
        if (chance(60)) {
            const int y0 = pick(2020, 2060);
            std::string y = chance(60) ? "N" : chance(50) ? std::to_string(y0) : set(1980, 2500);
            if (chance(5))
                y = std::string("[")
                        .append(std::to_string(y0))
                        .append("..")
                        .append(std::to_string(y0 + pick(0, 40)))
                        .append("]");
            words.push_back(y + "-" + set(1, 12) + "-" + set(1, 31));
        } else if (chance(10)) {
            words.push_back(chance(50) ? "today" : "tomorrow");
        }
        if (chance(30)) {
            const int n = pick(1, 3);
            for (int i = 0; i < n; ++i)
                words.push_back(std::string(daynames[pick(0, 6)].substr(0, 3)));
        } else if (chance(40)) {
            words.push_back(std::string("d").append(set(0, 6, true)));
        }
        if (chance(70))
            words.push_back(set(0, 23) + ":" + set(0, 59));
        else if (chance(15))
            words.push_back("morning");
        if (chance(8)) words.push_back("once");
        if (chance(8)) words.push_back("this");
        std::shuffle(words.begin(), words.end(), rng);
        std::string s;
        for (const auto& w : words)
            s += (s.empty() ? "" : " ") + w;
        return s.empty() ? "mon" : s;
    }

    std::string spec() {
        std::string s = alternative();
        const int more = chance(20) ? pick(1, 3) : 0;
        for (int i = 0; i < more; ++i)
            s += " | " + alternative();
        return s;
    }

    datetime moment(int fromyear, int toyear) {
        datetime day = 0;
        while (!encodedate(pick(fromyear, toyear), pick(1, 12), pick(1, 31), day)) {
        }
        return day + pick(0, 86399999) / 86400000.0;
    }

    std::mt19937 rng;
};

TEST(search, optimisedSearchGivesThePlainAlgorithmsResults) {
    specmaker make(1206);
    int parsedcount = 0, nevercount = 0, nonecount = 0;
    for (int round = 0; round < 20000; ++round) {
        const std::string text = make.spec();
        const datetime ref = make.moment(2000, 2070);
        const std::unique_ptr<timedesc> spec = specmaker::parsed(text, ref);
        if (!spec) continue;
        ++parsedcount;
        if (spec->never) ++nevercount;
        // The plain algorithm walks every day to 2500 when nothing is admitted: keep those few.
        datetime t = make.chance(90) ? ref + make.pick(-100, 2000) / 7.0 : make.moment(1975, 2505);
        for (int step = 0; step < 4; ++step) {
            const datetime fast = nextfrom(*spec, t);
            const datetime plain = reference::nextfrom(*spec, t);
            ASSERT_EQ(show(fast), show(plain)) << text << " from " << show(t);
            ASSERT_EQ(fast, plain) << text << " from " << show(t);
            if (isnovalue(fast)) {
                ++nonecount;
                break;
            }
            ASSERT_TRUE(spec->matches(fast, false));
            t = make.chance(70) ? fast + oneminute : fast + make.pick(1, 100000) / 1440.0;
        }
    }
    // The generator must really reach the interesting shapes.
    EXPECT_GT(parsedcount, 15000);
    EXPECT_GT(nevercount, 200);
    EXPECT_GT(nonecount, 500);
}

// The values of a kind named in a reading (bit k: names[k]), "A to B" taking in those between.
template <size_t n>
uint32_t named(const std::string& text, const std::array<const char*, n>& names) {
    std::vector<std::pair<size_t, size_t>> found; // position, index
    for (size_t i = 0; i < n; ++i)
        for (size_t p = text.find(names[i]); *names[i] && p != std::string::npos;
             p = text.find(names[i], p + 1))
            found.emplace_back(p, i);
    std::sort(found.begin(), found.end());
    uint32_t out = 0;
    for (size_t k = 0; k < found.size(); ++k) {
        out |= 1u << found[k].second;
        const size_t end = found[k].first + std::strlen(names[found[k].second]);
        if (k + 1 < found.size() && text.compare(end, 4, " to ") == 0 &&
            found[k + 1].first == end + 4)
            for (size_t i = found[k].second; i != found[k + 1].second; i = (i + 1) % n)
                out |= 1u << i;
    }
    return out;
}

// Whether alt has a moment in month m (0: any) of year y at or after ref.
bool comes(const timedesc& alt, datetime ref, int y, int m) {
    const datetime t = nextfrom(alt, std::max(ref, double(daynumber(y, m ? m : 1, 1))));
    return !isnovalue(t) && decode(t).year == y && (!m || decode(t).month == m);
}

// The first word of a reading of one alternative that its moments from ref belie, or "".
std::string belied(const explanation::part& p, const timedesc& alt, datetime ref) {
    const std::string& s = p.text;
    const datefields r = decode(ref);
    if (const size_t k = s.find("of every month"); k != std::string::npos)
        for (int i = 1, y, m; i <= 120 && (y = r.year + (r.month - 1 + i) / 12) <= 2500; ++i)
            if (m = (r.month - 1 + i) % 12 + 1;
                (p.months >> m & 1) && !comes(alt, ref, y, m) &&
                (p.years.empty() ||
                 std::any_of(p.years.begin(), p.years.end(),
                             [&](auto x) { return x.from <= y && y <= x.to; })) &&
                (s.compare(k + 14, 9, " that has") ||
                 daysinmonth(y, m) >= std::countr_zero(p.days)))
                return "every month";
    if (s.find("every year") != std::string::npos && !p.everyyear) return "every year";
    for (const auto& x : p.years)
        for (int y = std::max(x.from, r.year + 1); p.everyyear && y <= x.to; ++y)
            if (!comes(alt, ref, y, 0)) return "every year";
    if (s.find("once,") != std::string::npos &&
        !isnovalue(nextfrom(alt, nextfrom(alt, ref) + oneminute)))
        return "once";
    // A reading of one day: its date, its word for the day and every time it names.
    static const std::regex iso(R"(\((\d{4})-(\d\d)-(\d\d)\))"), clock(R"(\b\d\d:\d\d\b)"),
        exact(R"((\d+) ([A-Z][a-z]+) (\d{4}))");
    std::smatch d;
    int32_t day = novalue;
    if (std::regex_search(s, d, iso))
        day = daynumber(std::stoi(d[1]), std::stoi(d[2]), std::stoi(d[3]));
    else if (std::regex_search(s, d, exact))
        for (int m = 1; m <= 12; ++m)
            if (d[2] == monthnames[size_t(m)]) day = daynumber(std::stoi(d[3]), m, std::stoi(d[1]));
    const int32_t ahead = day - int32_t(ref);
    if (day == novalue) return "";
    std::vector<datetime> ms;
    for (datetime t = ref; ms.size() < 1500 && !isnovalue(t = nextfrom(alt, t)); t += oneminute)
        ms.push_back(t);
    if ((s.find("today (") != std::string::npos && ahead != 0) ||
        (s.find("tomorrow (") != std::string::npos && ahead != 1) ||
        (s.find("this ") != std::string::npos && (ahead < 1 || ahead > 6)) ||
        (s.find("next ") != std::string::npos && (ahead < 7 || ahead > 13)) ||
        std::any_of(ms.begin(), ms.end(), [&](datetime t) { return int32_t(t) != day; }))
        return "day";
    const std::string named = s.substr(0, s.find(" except"));
    for (std::sregex_iterator i(named.begin(), named.end(), clock), e; i != e; ++i)
        if (std::none_of(ms.begin(), ms.end(),
                         [&](datetime t) { return show(t).ends_with(i->str()); }))
            return "time named";
    return "";
}

// Every fact a reading states holds for the moments the search finds, and no form goes unread;
// its words for "every", "never", a day and the years hold month by month and year by year.
TEST(explain, readingsHoldForTheMomentsFound) {
    specmaker make(2020);
    int readings = 0, heldback = 0;
    std::map<std::string, int> faults;
    const auto fault = [&](const std::string& kind, const std::string& where) {
        if (faults[kind]++ < 3) std::printf("%s: %s\n", kind.c_str(), where.c_str());
    };
    for (int round = 0; round < 12000; ++round) {
        const std::string text = make.spec();
        const datetime ref = make.moment(2000, 2070);
        const std::unique_ptr<timedesc> spec = specmaker::parsed(text, ref);
        if (!spec) continue;
        const explanation e = explainparts(*spec, ref);
        ++readings;
        heldback += e.heldback > 0;
        ASSERT_EQ(e.text.starts_with("never: "), spec->never) << text << ": " << e.text;
        // Read later on: over exactly when no moment is left.
        const datetime later = ref + make.pick(0, 800);
        if (explain(*spec, ref, later).starts_with("over: ") !=
            (!spec->never && isnovalue(nextfrom(*spec, later))))
            fault("over", text + " from " + show(ref) + " at " + show(later));
        const auto& alts = spec->count > 0 ? spec->alt : spec->lapsed;
        ASSERT_EQ(e.parts.size(), std::max<size_t>(alts.size(), 1)) << text;
        for (size_t i = 0; i < e.parts.size(); ++i) {
            const explanation::part& p = e.parts[i];
            const timedesc& alt = alts.empty() ? *spec : *alts[i];
            ASSERT_EQ(p.never, alt.never) << text;
            // Each text once, as an item: after ": " or "; ", before ";" or ".".
            int items = 0;
            for (size_t k = 0; (k = e.text.find(p.text, k + 1)) != std::string::npos;)
                items += (e.text[k - 2] == ':' || e.text[k - 2] == ';') &&
                         std::strchr(";.", e.text[k + p.text.size()]);
            if (items + e.text.starts_with(p.text) > 1) fault("twice", e.text);
            if (p.never && !spec->never && e.text.find(p.text) < e.text.find(". "))
                fault("dead", e.text);
            if (p.never) continue;
            if (const std::string w = belied(p, alt, ref); !w.empty())
                fault(w, text + " from " + show(ref) + ": " + p.text);
            ASSERT_TRUE(p.weekdays && p.months && p.days && p.hours && p.minutes &&
                        !p.years.empty())
                << text;
            const uint32_t days = named(p.text, weekdaynames), inmonths = named(p.text, monthnames);
            const bool timesonly = p.text.find("every") == std::string::npos &&
                                   p.text.find("minute") == std::string::npos;
            datetime t = ref;
            for (int k = 0; k < 6 && !isnovalue(t = nextfrom(alt, t)); ++k) {
                const datefields f = decode(t);
                const auto inyears = [&](int y) {
                    return std::any_of(p.years.begin(), p.years.end(),
                                       [&](auto r) { return r.from <= y && y <= r.to; });
                };
                const std::string where = text + " at " + show(t) + ": " + p.text;
                ASSERT_TRUE((p.weekdays >> f.wday & 1) && (p.months >> f.month & 1) &&
                            (p.days >> f.day & 1))
                    << where;
                ASSERT_TRUE((p.hours >> f.hour & 1) && (p.minutes >> f.minute & 1) &&
                            inyears(f.year))
                    << where;
                ASSERT_TRUE(!days || ((days >> f.wday) & 1)) << where;
                ASSERT_TRUE(!inmonths || ((inmonths >> f.month) & 1)) << where;
                ASSERT_TRUE(!timesonly || p.text.find(show(t).substr(11)) != std::string::npos)
                    << where;
                // "every year": the first moment from each 1 January lies in that year.
                const std::string next = std::to_string(f.year + 1);
                if (p.everyyear && k < 3 && inyears(f.year + 1)) {
                    const datetime jan1 = at((next + "-01-01 00:00").c_str());
                    ASSERT_EQ(show(nextfrom(alt, jan1)).substr(0, 4), next) << where;
                }
                t += make.chance(50) ? oneminute : make.pick(1, 3000) / 24.0;
            }
        }
    }
    EXPECT_GE(readings, 10000);
    std::printf("%d readings, %d held a statement back\n", readings, heldback);
    for (const auto& [kind, n] : faults)
        ADD_FAILURE() << n << " readings untrue or unclear: " << kind;
}

} // namespace
