#include <gtest/gtest.h>

#include "tests/support/fakeclock.h"
#include "timespec/explain.h"

using namespace velk;

namespace {

struct readingrow {
    const char* spec;
    const char* reading;
};

TEST(explain, readingsByForm) {
    const readingrow rows[] = {
        // Defaults: a date-less text is every day, a time-less one at 00:00.
        {"2027-1-1", "At 00:00 on Friday, 1 January 2027."},
        // Weekdays, from words and from value sets, with ranges and exclusions.
        {"mon tue 08:00 | d[^mon;tue;sun] 09:00",
         "Either of: at 08:00 every Monday and Tuesday; at 09:00 every Wednesday to Saturday."},
        {"d[^sat]", "At 00:00 every Monday to Friday and Sunday."},
        // Days, months and years.
        {"N-11-[15..21] thu morning",
         "At 04:00 (morning) on Thursday, on days 15 to 21 of November, every year."},
        {"N-N-13 friday", "At 00:00 on every Friday the 13th."},
        {"N-2-[28;29] 23:00",
         "At 23:00 on days 28 and 29 of February (the 29th in leap years only), every year."},
        {"N-[^6..8]-1 10:00",
         "At 10:00 on day 1 of January to May and September to December, every year."},
        {"N-[1;6;7;12]-N", "At 00:00 every day of January, June, July and December, every year."},
        {"N-N-[^1..28]", "At 00:00 on days 29 to 31 of every month that has them."},
        {"[2025..2027]-2-[28..31]", "At 00:00 on 28 February, every year from 2025 to 2027."},
        {"[^..2010]-1-1", "At 00:00 on 1 January, every year from 2011 on."},
        {"[2030;2032]-N-N mon", "At 00:00 every Monday, in 2030 and 2032."},
        // A date that some years lack is not said to come every year.
        {"N-2-29 8:00", "At 08:00 on 29 February, in the years that have one."},
        {"[2028;2030]-2-29", "At 00:00 on Tuesday, 29 February 2028."},
        {"[2027..2029;2035..2040]-12-25 fri", "At 00:00 on Friday, 25 December 2037."},
        {"[^2027]-1-1", "At 00:00 on 1 January, every year except 2027."},
        {"N-N-[^13] N:[0;30]", "Every 30 minutes, every day except the 13th."},
        {"[^5;7;4]:0033",
         "At 33 minutes past every hour except 04:33, 05:33 and 07:33, every day."},
        // Hours and minutes.
        {"d[mon..fri] [8..16]:00", "Every hour from 08:00 to 16:00, every Monday to Friday."},
        {"[^9..17]:00", "Every hour from 00:00 to 08:00 and from 18:00 to 23:00, every day."},
        {"[0;3;6;9;12;15;18;21]:30", "Every 3 hours from 00:30 to 21:30, every day."},
        {"[8..16]:[0;15;30;45]", "Every 15 minutes from 08:00 to 16:45, every day."},
        {"N:N", "Every minute, every day."},
        {"12:[0..29]", "Every minute from 12:00 to 12:29, every day."},
        {"N:30", "At 30 minutes past every hour, every day."},
        {"[9;11]:[5..9]", "At minutes 5 to 9 of hours 9 and 11 every day."},
        {"[8;12..14;20]:05", "At 08:05, 12:05, 13:05, 14:05 and 20:05 every day."},
        // Words resolved while parsing, with the dates they stand for.
        {"once 22:00 | once 23:00",
         "Either of: once, at 22:00 today (2026-12-06); once, at 23:00 today (2026-12-06)."},
        {"once", "Once, at 00:00 tomorrow (2026-12-07)."},
        {"tomorrow 7:30", "At 07:30 tomorrow (2026-12-07)."},
        {"this wednesday 13:[00;10;20;30;40;50]",
         "At 13:00, 13:10, 13:20, 13:30, 13:40 and 13:50 this Wednesday (2026-12-09)."},
        {"this 2026-12-[10..20] [9;15]:00",
         "At 09:00 and 15:00 only on the first such day, Thursday, 10 December 2026."},
        // Nothing at or after the reference moment.
        {"today 7:30", "never: at 07:30 today (2026-12-06)."},
        {"N-2-30", "never: there is no 30 February."},
        {"8:[^..]", "never: at no time of day every day."},
        {"2009-1-1 | mon",
         "At 00:00 every Monday. Never due: at 00:00 on Thursday, 1 January 2009."},
        {"8:00 | 8:00", "At 08:00 every day."},
        {"this [8;20]:0", "At 20:00 today (2026-12-06)."},
        {"d[0] this", "At 00:00 next Sunday (2026-12-13)."},
        {"2009-1-1 | 2010-1-1", "never: either of: at 00:00 on Thursday, 1 January 2009; at 00:00 "
                                "on Friday, 1 January 2010."},
    };
    const datetime ref = test::at("2026-12-06 09:00");
    for (const auto& r : rows)
        EXPECT_EQ(explain(timedesc(r.spec, ref), ref), r.reading) << r.spec;
}

} // namespace
