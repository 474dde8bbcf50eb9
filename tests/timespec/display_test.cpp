#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "alarms/displaytime.h"
#include "alarms/futuredates.h"
#include "tests/support/fakeclock.h"
#include "timespec/timedesc.h"

using namespace velk;
using test::at;

namespace {

TEST(displayForms, displaytime) {
    const struct {
        datetime t;
        const char* expected;
    } rows[] = {
        {0, "-"},
        {0.75, "-"}, // a time of day alone was never set
        {novalue, "-"},
        {novalue - 0.5, "-"},
        {std::numeric_limits<double>::quiet_NaN(), "-"},
        {at("2026-12-06 08:05"), "2026-12-06 08:05 sun"},
        {at("2026-12-10 17:00"), "2026-12-10 17:00 thu"},
        {at("2026-12-12 23:59:59"), "2026-12-12 23:59 sat"},
        {46366.7083333333, "2026-12-10 17:00 thu"}, // a few microseconds short of 17:00
        {at("2500-12-31 23:59"), "2500-12-31 23:59 fri"},
        {-1.25, "1899-12-29 06:00 fri"},
        {at("9999-12-31 23:59"), "9999-12-31 23:59 fri"},
        {-693593, "0001-01-01 00:00 mon"},
        // No date in the years 1 to 9999 can be shown.
        {2958466, "-"},
        {3000000, "-"},
        {-693594, "-"},
        {1e300, "-"},
        {-1e300, "-"},
        {std::numeric_limits<double>::infinity(), "-"},
    };
    for (const auto& r : rows)
        EXPECT_EQ(displaytime(r.t), r.expected) << r.t;
}

TEST(displayForms, countdownTruncates) {
    const datetime now = at("2026-12-06 08:00");
    const double second = 1.0 / 86400;
    const struct {
        double left; // days
        const char* expected;
    } rows[] = {
        {2 + (3 * 60 + 15.5) / 1440.0, "2d 03:15"},
        {59 * second, "00:00"},
        {-3, "00:00"},
        {1, "1d 00:00"},
        {(23 * 3600 + 59 * 60 + 59) * second, "23:59"},
        {100, "100d 00:00"},
        {(90 * 60 + 30) * second, "01:30"},
        {std::numeric_limits<double>::quiet_NaN(), "00:00"},
    };
    for (const auto& r : rows)
        EXPECT_EQ(countdowntext(now, now + r.left), r.expected) << r.left;
    EXPECT_EQ(countdowntext(now, novalue), "00:00");
}

struct futurerow {
    const char* spec;
    const char* from;
    int count;
    std::string expected;
};

TEST(displayForms, futuredates) {
    const futurerow rows[] = {
        {"tue thu 17:00", "2026-12-10 17:00:40", 3,
         "2026-12-10 17:00 thu\r\n2026-12-15 17:00 tue\r\n2026-12-17 17:00 thu\r\n...\r\n"},
        {"once 22:00 | once 23:00 | once 23:30", "2026-12-06 09:00", 100,
         "2026-12-06 22:00 sun\r\n2026-12-06 23:00 sun\r\n2026-12-06 23:30 sun\r\n"},
        // Exactly as many as asked for: the "..." follows all the same.
        {"once 22:00 | once 23:00", "2026-12-06 09:00", 2,
         "2026-12-06 22:00 sun\r\n2026-12-06 23:00 sun\r\n...\r\n"},
        {"today 7:30", "2026-12-06 09:00", 100, "No future dates.\r\n"},
        {"2009-1-1", "2026-12-06 09:00", 100, "No future dates.\r\n"},
        {"N:N", "2026-12-06 23:59:30", 2,
         "2026-12-06 23:59 sun\r\n2026-12-07 00:00 mon\r\n...\r\n"},
    };
    for (const auto& r : rows) {
        const timedesc spec(r.spec, at(r.from));
        EXPECT_EQ(futuredates(spec, at(r.from), r.count), r.expected) << r.spec;
    }
}

TEST(displayForms, futuredatesListsAHundredThenDots) {
    const timedesc daily("8:00", at("2026-12-06 09:00"));
    const std::string text = futuredates(daily, at("2026-12-06 09:00"));
    size_t lines = 0;
    for (size_t p = text.find("\r\n"); p != std::string::npos; p = text.find("\r\n", p + 2))
        ++lines;
    EXPECT_EQ(lines, 101u);
    EXPECT_EQ(text.substr(0, 22), "2026-12-07 08:00 mon\r\n");
    EXPECT_EQ(text.substr(text.size() - 27), "2027-03-16 08:00 tue\r\n...\r\n");
}

} // namespace
