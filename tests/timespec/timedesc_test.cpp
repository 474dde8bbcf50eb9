#include <gtest/gtest.h>

#include <string>

#include "tests/support/fakeclock.h"
#include "tests/timespec/describe.h"
#include "timespec/timedesc.h"

using namespace velk;
using test::at;
using test::parsed;

namespace {

const std::string anydate = "Y=1980..2500 M=1..12 D=1..31";

struct parserow {
    const char* text;
    const char* ref;
    std::string expected; // the parsed tree, or the failure message
};

// R is Sunday 2026-12-06 09:00 unless a row says otherwise.
constexpr const char* R = "2026-12-06 09:00";

TEST(parser, templateExamples) {
    const parserow rows[] = {
        {"N-11-[15..21] thu morning", R, "Y=1980..2500 M=11 D=15..21 W=4 H=4 N=0"},
        {"d[mon..fri] [8..16]:00", R, anydate + " W=1..5 H=8..16 N=0"},
        {"mon tue 08:00 | d[^mon;tue;sun] 09:00", R,
         anydate + " W=1..2 H=8 N=0 | " + anydate + " W=3..6 H=9 N=0"},
        {"N-N-13 friday", R, "Y=1980..2500 M=1..12 D=13 W=5 H=0 N=0"},
        {"this wednesday 13:[00;10;20;30;40;50]", R, "Y=2026 M=12 D=9 W=3 H=13 N=0;10;20;30;40;50"},
        {"once 22:00 | once 23:00", R,
         "Y=2026 M=12 D=6 W=0..6 H=22 N=0 | Y=2026 M=12 D=6 W=0..6 H=23 N=0"},
        {"tue thu 17:00", R, anydate + " W=2;4 H=17 N=0"},
        {"[^..2010]-1-1", R, "Y=2011..2500 M=1 D=1 W=0..6 H=0 N=0"},
    };
    for (const auto& r : rows)
        EXPECT_EQ(parsed(r.text, at(r.ref)), r.expected) << r.text;
}

TEST(parser, wordsAndDefaults) {
    const parserow rows[] = {
        {"mon", R, anydate + " W=1 H=0 N=0"},
        {"mon mon", R, anydate + " W=1 H=0 N=0"},
        {"  sat   su\t  12:30  ", R, anydate + " W=0;6 H=12 N=30"},
        {"mon\t 8:00", R, anydate + " W=1 H=8 N=0"},
        {"d0", R, anydate + " W=0 H=0 N=0"},
        {"d3", R, anydate + " W=3 H=0 N=0"},
        {"d[sun..sat]", R, anydate + " W=0..6 H=0 N=0"},
        {"d[^..] 8:00", R, "never " + anydate + " W=none H=8 N=0"},
        {"N:N", R, anydate + " W=0..6 H=0..23 N=0..59"},
        {"N:00", R, anydate + " W=0..6 H=0..23 N=0"},
        {"08:05", R, anydate + " W=0..6 H=8 N=5"},
        {"morning", R, anydate + " W=0..6 H=4 N=0"},
        {"N-N-N", R, anydate + " W=0..6 H=0 N=0"},
        {"2030-1-1", R, "Y=2030 M=1 D=1 W=0..6 H=0 N=0"},
        {"today 10:00", R, "Y=2026 M=12 D=6 W=0..6 H=10 N=0"},
        {"tomorrow 7:30", R, "Y=2026 M=12 D=7 W=0..6 H=7 N=30"},
        {"tomorrow", "2026-12-31 23:59", "Y=2027 M=1 D=1 W=0..6 H=0 N=0"},
        {"tomorrow", "2028-02-28 12:00", "Y=2028 M=2 D=29 W=0..6 H=0 N=0"},
        {"today", "2026-12-06 00:00", "Y=2026 M=12 D=6 W=0..6 H=0 N=0"},
        // A moment before the reference admits nothing: never, the sets stay.
        {"today 7:30", R, "never Y=2026 M=12 D=6 W=0..6 H=7 N=30"},
        {"2009-1-1", R, "never Y=2009 M=1 D=1 W=0..6 H=0 N=0"},
        {"2028-2-30", R, "never Y=2028 M=2 D=30 W=0..6 H=0 N=0"},
        {"N-2-30 mon", R, "never Y=1980..2500 M=2 D=30 W=1 H=0 N=0"},
        {"2009-1-1 | mon", R, "never Y=2009 M=1 D=1 W=0..6 H=0 N=0 | " + anydate + " W=1 H=0 N=0"},
        {"2009-1-1 | 2010-1-1", R, "never"},
        {"today 7:30 | today 7:31", R, "never"},
    };
    for (const auto& r : rows)
        EXPECT_EQ(parsed(r.text, at(r.ref)), r.expected) << r.text;
}

TEST(parser, onceAndThisPinToTheFirstMomentFromTheReference) {
    const parserow rows[] = {
        // The first midnight at or after Sunday 09:00 is Monday's.
        {"once", R, "Y=2026 M=12 D=7 W=0..6 H=0 N=0"},
        {"this", R, "Y=2026 M=12 D=7 W=0..6 H=0 N=0"},
        {"once", "2026-12-06 00:00:30", "Y=2026 M=12 D=6 W=0..6 H=0 N=0"},
        {"22:00 once", R, "Y=2026 M=12 D=6 W=0..6 H=22 N=0"},
        {"once 22:00", R, "Y=2026 M=12 D=6 W=0..6 H=22 N=0"},
        {"once 8:00", R, "Y=2026 M=12 D=7 W=0..6 H=8 N=0"},
        {"once this 10:00", R, "Y=2026 M=12 D=6 W=0..6 H=10 N=0"},
        {"once once N:N", "2026-12-06 09:00:59", "Y=2026 M=12 D=6 W=0..6 H=9 N=0"},
        {"this N:[0;30]", "2026-12-06 23:45", "Y=2026 M=12 D=7 W=0..6 H=0..23 N=0;30"},
        // The weekday set is kept, so a pinned day still has to be that weekday.
        {"this mon 8:00", "2026-12-07 10:00", "Y=2026 M=12 D=14 W=1 H=8 N=0"},
        {"once N-2-29 12:00", R, "Y=2028 M=2 D=29 W=0..6 H=12 N=0"},
        {"this fri 13:[00;30] | once 9:00", R,
         "Y=2026 M=12 D=11 W=5 H=13 N=0;30 | Y=2026 M=12 D=6 W=0..6 H=9 N=0"},
        // Nothing to pin: never, and the sets stay as written.
        {"once 2009-1-1", R, "never Y=2009 M=1 D=1 W=0..6 H=0 N=0"},
        {"this d[^..]", R, "never " + anydate + " W=none H=0 N=0"},
    };
    for (const auto& r : rows)
        EXPECT_EQ(parsed(r.text, at(r.ref)), r.expected) << r.text;
}

TEST(parser, failuresWordForWord) {
    const parserow rows[] = {
        {"", R, "Empty time specification!"},
        {"   ", R, "Empty time specification!"},
        {"\t\r\n", R, "Empty time specification!"},
        {"mon 8:00 |", R, "Empty time specification!"},
        {"|", R, "Empty time specification!"},
        {"mon || tue", R, "Empty time specification!"},
        {"mon | \t | tue", R, "Empty time specification!"},
        {"x | mon", R, "Incorrect time specification: 'x'!"},
        {"mon | x", R, "Incorrect time specification: 'x'!"},
        {"next", R, "Incorrect time specification: 'next'!"},
        {"Mon", R, "Incorrect time specification: 'Mon'!"},
        {"t", R, "Incorrect time specification: 't'!"},
        {"Once", R, "Incorrect time specification: 'Once'!"},
        {"mon-fri", R, "Incorrect time specification: 'mon-fri'!"},
        {"12-25", R, "Incorrect time specification: '12-25'!"},
        {"-", R, "Incorrect time specification: '-'!"},
        {"8:00 9:00", R, "Hour and minute specified more than once!"},
        {"morning 8:00", R, "Hour and minute specified more than once!"},
        {"8:00 morning", R, "Hour and minute specified more than once!"},
        {"today tomorrow", R, "Year, month and day specified more than once!"},
        {"2030-1-1 today", R, "Year, month and day specified more than once!"},
        {"N-N-N N-N-N", R, "Year, month and day specified more than once!"},
        {"d[mon] d[tue]", R, "Day of week specified more than once!"},
        {"mon d[tue]", R, "Day of week specified more than once!"},
        {"d[tue] mon", R, "Day of week specified more than once!"},
        {"8:00:00", R, "Invalid value description: '00:00'!"},
        {"8:", R, "Empty value description!"},
        {":", R, "Empty value description!"},
        {":30", R, "Empty value description!"},
        {"dmon", R, "Invalid value description: 'mon'!"},
        {"dsu", R, "Invalid value description: 'su'!"},
        {"do", R, "Invalid value description: 'o'!"},
        {"d", R, "Empty value description!"},
        {"d7", R, "Value 7 is outside the allowed range [0..6]!"},
        {"24:00", R, "Value 24 is outside the allowed range [0..23]!"},
        {"8:60", R, "Value 60 is outside the allowed range [0..59]!"},
        {"-1:00", R, "Value -1 is outside the allowed range [0..23]!"},
        {"1979-1-1", R, "Value 1979 is outside the allowed range [1980..2500]!"},
        {"2030-13-1", R, "Value 13 is outside the allowed range [1..12]!"},
        {"2030-1-32", R, "Value 32 is outside the allowed range [1..31]!"},
        {"2030-1-1-1", R, "Invalid value description: '1-1'!"},
        {"2030--1", R, "Empty value description!"},
        {"d[mon; tue]", R, "Invalid value description: '[mon;'!"},
        {"mon\t8:00", R, "Invalid value description: 'mon\t8'!"},
        {"d[]", R, "Wrong value: ''!"},
        {"N-[]-[]", R, "Wrong value: ''!"},
        {"[]:[]", R, "Wrong value: ''!"},
        // The first failure in reading order wins.
        {"8:00 x 9:00", R, "Incorrect time specification: 'x'!"},
        {"mon 25:00 d[tue]", R, "Value 25 is outside the allowed range [0..23]!"},
        {"mon | 8:00 9:00 | x", R, "Hour and minute specified more than once!"},
        {"1979-13-32", R, "Value 1979 is outside the allowed range [1980..2500]!"},
        {"[^0..24]:77", R, "Value 24 is outside the allowed range [0..23]!"},
        // "today" in a year the language cannot hold.
        {"today", "2501-01-01 00:00", "Value 2501 is outside the allowed range [1980..2500]!"},
    };
    for (const auto& r : rows)
        EXPECT_EQ(parsed(r.text, at(r.ref)), r.expected) << r.text;
}

TEST(parser, shapes) {
    const timedesc compound("mon | tue", at(R));
    EXPECT_EQ(compound.count, 2);
    EXPECT_FALSE(compound.year || compound.month || compound.day || compound.wday ||
                 compound.hour || compound.minute);
    EXPECT_EQ(compound.alt[0]->count, 0);
    const timedesc dead("2009-1-1 | 2010-1-1", at(R));
    EXPECT_TRUE(dead.never);
    EXPECT_EQ(dead.count, 0);
    EXPECT_TRUE(dead.alt.empty());
    EXPECT_FALSE(dead.year);
    const timedesc simple("mon", at(R));
    EXPECT_EQ(simple.count, 0);
    EXPECT_TRUE(simple.year && simple.month && simple.day && simple.wday && simple.hour &&
                simple.minute);
}

struct matchrow {
    const char* spec;
    const char* moment;
    bool dateonly;
    bool expected;
};

TEST(parser, matchTest) {
    const matchrow rows[] = {
        {"tue thu 17:00", "2026-12-10 17:00", false, true},
        {"tue thu 17:00", "2026-12-10 17:00:59", false, true},
        {"tue thu 17:00", "2026-12-10 17:01", false, false},
        {"tue thu 17:00", "2026-12-10 03:00", true, true},
        {"tue thu 17:00", "2026-12-11 17:00", true, false},
        {"N-N-31", "2027-05-31 00:00", false, true},
        {"2009-1-1", "2009-01-01 00:00", false, false}, // never
        {"2009-1-1 | mon", "2026-12-07 00:00", false, true},
        {"2009-1-1 | mon", "2009-01-01 00:00", false, false},
        {"mon 8:00 | tue 9:00", "2026-12-08 09:00", false, true},
        {"mon 8:00 | tue 9:00", "2026-12-08 08:00", false, false},
        {"mon 8:00 | tue 9:00", "2026-12-08 08:00", true, true},
    };
    for (const auto& r : rows) {
        const timedesc spec(r.spec, at("2026-12-06 09:00"));
        EXPECT_EQ(spec.matches(at(r.moment), r.dateonly), r.expected)
            << r.spec << " @ " << r.moment;
    }
    // A stored time a few microseconds short of its minute is that minute.
    EXPECT_TRUE(timedesc("thu 17:00", at(R)).matches(46366.7083333333, false));
}

} // namespace
