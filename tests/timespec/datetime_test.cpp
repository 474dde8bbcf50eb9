#include <gtest/gtest.h>

#include "tests/support/envscope.h"
#include "tests/support/fakeclock.h"
#include "timespec/datetime.h"

using namespace velk;

namespace {

struct daterow {
    int y, m, d;
    bool exists;
    double value; // when it exists
    int wday;
};

TEST(datetime, encodesDatesAndRejectsOnesThatDoNotExist) {
    const daterow rows[] = {
        {1899, 12, 30, true, 0, 6},    {1899, 12, 29, true, -1, 5},
        {2026, 12, 6, true, 46362, 0}, {2026, 12, 10, true, 46366, 4},
        {2028, 2, 29, true, 46812, 2}, {2027, 2, 29, false, 0, 0},
        {2026, 4, 31, false, 0, 0},    {2028, 2, 30, false, 0, 0},
        {2000, 2, 29, true, 36585, 2}, {1900, 2, 29, false, 0, 0},
        {2501, 1, 1, true, 219513, 6}, {2026, 13, 1, false, 0, 0},
        {2026, 0, 1, false, 0, 0},     {2026, 1, 0, false, 0, 0},
    };
    for (const auto& r : rows) {
        datetime t = -5;
        SCOPED_TRACE(testing::Message() << r.y << "-" << r.m << "-" << r.d);
        ASSERT_EQ(encodedate(r.y, r.m, r.d, t), r.exists);
        if (!r.exists) continue;
        EXPECT_EQ(t, r.value);
        const auto f = decode(t);
        EXPECT_EQ(f.year, r.y);
        EXPECT_EQ(f.month, r.m);
        EXPECT_EQ(f.day, r.d);
        EXPECT_EQ(f.wday, r.wday);
    }
}

TEST(datetime, decodeRoundsToTheMillisecondFirst) {
    // 2026-12-10 17:00 as the alarm file writes it: a few microseconds short of 17:00.
    const auto f = decode(46366.7083333333);
    EXPECT_EQ(f.hour, 17);
    EXPECT_EQ(f.minute, 0);
    EXPECT_EQ(f.second, 0);
    const auto g = decode(46366.7083333333 + oneminute);
    EXPECT_EQ(g.hour, 17);
    EXPECT_EQ(g.minute, 1);
    const auto h = decode(46362 + encodetime(9, 15, 30, 250));
    EXPECT_EQ(h.hour, 9);
    EXPECT_EQ(h.minute, 15);
    EXPECT_EQ(h.second, 30);
    EXPECT_EQ(h.msec, 250);
    const auto end = decode(46362 + encodetime(23, 59, 59, 999) + 0.4 / 86400000.0);
    EXPECT_EQ(end.day, 6);
    EXPECT_EQ(end.msec, 999);
}

TEST(datetime, setAndNoValue) {
    EXPECT_FALSE(isset(0));
    EXPECT_FALSE(isset(0.75));
    EXPECT_FALSE(isset(novalue));
    EXPECT_FALSE(isset(-11111.5));
    EXPECT_TRUE(isset(46362.5));
    EXPECT_TRUE(isnovalue(-11111.25));
    EXPECT_FALSE(isnovalue(0));
}

TEST(datetime, theClockIsTheOneTheTestSets) {
    const datetime before = now();
    {
        test::fakeclock clock(test::at("2026-12-07 08:05"));
        EXPECT_EQ(now(), test::at("2026-12-07 08:05"));
        clock.advanceseconds(90);
        EXPECT_EQ(decode(now()).minute, 6);
    }
    EXPECT_GE(now(), before); // the system clock is back
}

// Local times on the wall clock through a daylight-saving zone: two hours of the spring night
// are one hour apart, the repeated autumn hour takes its first pass.
TEST(datetime, localTimesMapToTheWallClock) {
    {
        test::envscope zone("TZ", "CET-1CEST,M3.5.0,M10.5.0/3");
        const systemclock wall;
        if (wall.wallms(test::at("2026-03-20 12:00")) != 1774004400000)
            GTEST_SKIP() << "the C library reads only the zone's names, not its rules";
        const std::pair<const char*, long long> rows[] = {{"2026-01-15 12:00", 1768474800},
                                                          {"2026-03-29 01:30", 1774744200},
                                                          {"2026-03-29 03:30", 1774747800},
                                                          {"2026-10-25 01:30", 1792884600},
                                                          {"2026-10-25 03:30", 1792895400}};
        for (const auto& [local, utc] : rows)
            EXPECT_EQ(wall.wallms(test::at(local)), utc * 1000) << local;
    }
    systemclock().wallms(0); // reads the restored zone again for the tests after this one
}

} // namespace
