#include <gtest/gtest.h>

#include <random>
#include <string>

#include "tests/timespec/reference.h"
#include "timespec/error.h"
#include "timespec/text.h"
#include "timespec/valdesc.h"

using namespace velk;

namespace {

// The members of a set written as "1..5;9" ("none" for the empty set), or the failure text.
std::string describe(const std::string& text, int32_t hi, int32_t lo, bool names = false,
                     bool fromend = false) {
    try {
        const valdesc s(text, hi, lo, names, fromend);
        if (s.contains(lo - 1) || s.contains(hi + 1)) return "member outside [lo..hi]";
        std::string out;
        for (int64_t v = lo; v <= hi; ++v) {
            if (!s.contains(static_cast<int32_t>(v))) continue;
            int64_t end = v;
            while (end < hi && s.contains(static_cast<int32_t>(end + 1)))
                ++end;
            if (!out.empty()) out += ';';
            out += std::to_string(v);
            if (end > v) out += ".." + std::to_string(end);
            v = end;
        }
        return out.empty() ? "none" : out;
    } catch (const velkerror& e) {
        return e.text;
    }
}

struct setrow {
    const char* text;
    const char* expected; // members, or the failure message
};

TEST(valueSets, dayOfMonthForms) {
    const setrow rows[] = {
        {"N", "1..31"},
        {" 7 ", "7"},
        {"07", "7"},
        {"+7", "7"},
        {"[..]", "1..31"},
        {"[^..]", "none"},
        {"[ 1 .. 5 ; 9 ]", "1..5;9"},
        {"[10..]", "10..31"},
        {"[..3]", "1..3"},
        {"[1;3;1]", "1;3"},
        {"[^1;3]", "2;4..31"},
        {"[^ 1..30 ]", "31"},
        {"[31;1]", "1;31"},
        {"[\t2\t]", "2"},
        {"n", "Invalid value description: 'n'!"},
        {"[5..1]", "Incorrect range: [5..1]!"},
        {"[]", "Wrong value: ''!"},
        {"[^]", "Wrong value: ''!"},
        {"[1;;2]", "Wrong value: ''!"},
        {"[1;2;]", "Wrong value: ''!"},
        {"[;1]", "Wrong value: ''!"},
        {"1..5", "Invalid value description: '1..5'!"},
        {"1;2", "Invalid value description: '1;2'!"},
        {"[1..5", "Invalid value description: '[1..5'!"},
        {"1..5]", "Invalid value description: '1..5]'!"},
        {"[", "Invalid value description: '['!"},
        {"]", "Invalid value description: ']'!"},
        {"0", "Value 0 is outside the allowed range [1..31]!"},
        {"-1", "Value -1 is outside the allowed range [1..31]!"},
        {"32", "Value 32 is outside the allowed range [1..31]!"},
        {"[2..40]", "Value 40 is outside the allowed range [1..31]!"},
        {"[0..40]", "Value 0 is outside the allowed range [1..31]!"},
        {"-11111", "Invalid value description: '-11111'!"},
        {"[-11111]", "Wrong value: '-11111'!"},
        {"[ ^1]", "Wrong value: '^1'!"},
        {"[1..2..3]", "Wrong value: '2..3'!"},
        {"[mon]", "Wrong value: 'mon'!"},
        {"1 2", "Invalid value description: '1 2'!"},
        {"0x10", "Invalid value description: '0x10'!"},
        {"--1", "Invalid value description: '--1'!"},
        {"-", "Invalid value description: '-'!"},
        {"", "Empty value description!"},
        {"  \t ", "Empty value description!"},
        {"[1.5]", "Wrong value: '1.5'!"},
        {"[. .]", "Wrong value: '. .'!"},
    };
    for (const auto& r : rows)
        EXPECT_EQ(describe(r.text, 31, 1), r.expected) << "'" << r.text << "'";
}

TEST(valueSets, countingFromTheEnd) {
    const setrow rows[] = {
        {"-1", "31"},
        {"[-7..-1]", "25..31"},
        {"[-7..]", "25..31"},
        {"[..-30]", "1..2"},
        {"-31", "1"},
        {"-32", "Value -32 is outside the allowed range [1..31]!"},
        {"[-1..-7]", "Incorrect range: [31..25]!"},
        {"[0]", "Value 0 is outside the allowed range [1..31]!"},
    };
    for (const auto& r : rows)
        EXPECT_EQ(describe(r.text, 31, 1, false, true), r.expected) << "'" << r.text << "'";
}

TEST(valueSets, dayOfWeekNames) {
    const setrow rows[] = {
        {"[mon..fri]", "1..5"},
        {"[sat..]", "6"},
        {"[su;sa]", "0;6"},
        {"[^mon;tue;sun]", "3..6"},
        {"[wednesday]", "3"},
        {"[tues..thur]", "2..4"},
        {"[0;mon]", "0..1"},
        {"3", "3"},
        {"[fri..mon]", "Incorrect range: [5..1]!"},
        {"[m]", "Wrong value: 'm'!"},
        {"[Mon]", "Wrong value: 'Mon'!"},
        {"[sundays]", "Wrong value: 'sundays'!"},
        {"mon", "Invalid value description: 'mon'!"},
        {"7", "Value 7 is outside the allowed range [0..6]!"},
        {"[-1]", "Value -1 is outside the allowed range [0..6]!"},
    };
    for (const auto& r : rows)
        EXPECT_EQ(describe(r.text, 6, 0, true), r.expected) << "'" << r.text << "'";
    // Without the names option a weekday name is no value.
    EXPECT_EQ(describe("[mon]", 6, 0, false), "Wrong value: 'mon'!");
}

TEST(valueSets, rangesKeepTheirWrittenOrder) {
    const valdesc s("[9;1..5;3]", 31, 1, false, false);
    ASSERT_EQ(s.count, 3);
    EXPECT_EQ(s.ranges[0].from, 9);
    EXPECT_EQ(s.ranges[1].from, 1);
    EXPECT_EQ(s.ranges[1].to, 5);
    EXPECT_EQ(s.ranges[2].to, 3);
    EXPECT_FALSE(s.negated);
    const valdesc any("N", 31, 1, false, false);
    EXPECT_TRUE(any.isany());
    EXPECT_EQ(any.count, 1);
    EXPECT_TRUE(valdesc("[^1]", 31, 1, false, false).negated);
}

TEST(valueSets, firstMemberFrom) {
    const valdesc s("[5;10..12]", 31, 1, false, false);
    const struct {
        int32_t from, expected;
    } rows[] = {{novalue, 5}, {-100, 5}, {1, 5},        {5, 5},        {6, 10},
                {11, 11},     {12, 12},  {13, novalue}, {31, novalue}, {32, novalue}};
    for (const auto& r : rows)
        EXPECT_EQ(s.firstfrom(r.from), r.expected) << r.from;
    EXPECT_EQ(valdesc("[^..]", 31, 1, false, false).firstfrom(novalue), novalue);
    EXPECT_TRUE(valdesc("[^..]", 31, 1, false, false).empty());
    EXPECT_EQ(valdesc("[^1..30]", 31, 1, false, false).firstfrom(2), 31);
}

TEST(valueSets, weekdayNameLookup) {
    const struct {
        const char* text;
        int32_t expected;
    } rows[] = {{"su", 0},        {"mon", 1},      {"tues", 2},      {"wednesday", 3},
                {"th", 4},        {"fr", 5},       {"saturday", 6},  {"s", novalue},
                {"m", novalue},   {"", novalue},   {"Mon", novalue}, {"sundays", novalue},
                {"mo ", novalue}, {"xyz", novalue}};
    for (const auto& r : rows)
        EXPECT_EQ(dayindex(r.text), r.expected) << r.text;
    EXPECT_EQ(daynames[0], "sunday");
    EXPECT_EQ(daynames[6], "saturday");
}

TEST(valueSets, numbersBeyond32BitsAreNoNumbers) {
    const setrow rows[] = {
        {"2147483647", "Value 2147483647 is outside the allowed range [1..31]!"},
        {"-2147483648", "Value -2147483648 is outside the allowed range [1..31]!"},
        {"2147483648", "Invalid value description: '2147483648'!"},
        {"-2147483649", "Invalid value description: '-2147483649'!"},
        {"99999999999999999999", "Invalid value description: '99999999999999999999'!"},
        {"[1..99999999999]", "Wrong value: '99999999999'!"},
        {"[00000000000000000000005]", "5"},
    };
    for (const auto& r : rows)
        EXPECT_EQ(describe(r.text, 31, 1), r.expected) << r.text;
}

// The one integer reader of the program: time words, the alarm file and script arguments.
TEST(text, readnumberAcceptsOnlyASignedDecimal32BitNumber) {
    const std::vector<std::pair<const char*, int32_t>> rows = {{"0", 0},
                                                               {"-0", 0},
                                                               {"+1", 1},
                                                               {"00012", 12},
                                                               {"2147483647", 2147483647},
                                                               {"-2147483648", INT32_MIN},
                                                               {"2147483648", novalue},
                                                               {"-2147483649", novalue},
                                                               {"99999999999999999999999", novalue},
                                                               {"", novalue},
                                                               {"+", novalue},
                                                               {"-", novalue},
                                                               {" 1", novalue},
                                                               {"1 ", novalue},
                                                               {"0x1F", novalue},
                                                               {"$1F", novalue},
                                                               {"1e3", novalue},
                                                               {"1.5", novalue},
                                                               {"--1", novalue},
                                                               {"1-", novalue},
                                                               {"+-5", novalue},
                                                               {"-+5", novalue},
                                                               {"++5", novalue},
                                                               {"-11111", novalue}};
    for (const auto& [text, value] : rows)
        EXPECT_EQ(readnumber(text), value) << text;
}

TEST(text, trimmedTakesBlanksAndControlCharactersAtTheEnds) {
    const std::vector<std::pair<std::string, std::string>> rows = {
        {" \t\001a b\037 ", "a b"}, {"   ", ""}, {"\240a\240", "\240a\240"}, {"", ""}};
    for (const auto& [text, expected] : rows)
        EXPECT_EQ(trimmed(text), expected) << text;
    EXPECT_EQ(trimmed(" \ta ", [](char c) { return c == ' '; }), "\ta");
}

// The bitmap (narrow sets) and the range scan (wide sets) must both agree with the plain
// membership test and the plain first-member walk.
TEST(valueSets, fastMembershipAgreesWithThePlainScan) {
    std::mt19937 rng(20261206);
    auto pick = [&](int a, int b) { return std::uniform_int_distribution<int>(a, b)(rng); };
    const struct {
        int32_t lo, hi;
    } bounds[] = {{1, 31}, {0, 6}, {1980, 2500}, {0, 1023}, {0, 1024}, {-50, 3000}, {5, 5}};
    for (int round = 0; round < 400; ++round) {
        const auto b = bounds[round % std::size(bounds)];
        std::string text = pick(0, 2) == 0 ? "[^" : "[";
        const int items = pick(1, 6);
        for (int i = 0; i < items; ++i) {
            if (i) text += ';';
            const int a = pick(b.lo, b.hi), c = pick(a, b.hi);
            switch (pick(0, 3)) {
            case 0:
                text += std::to_string(a);
                break;
            case 1:
                text += std::to_string(a) + ".." + std::to_string(c);
                break;
            case 2:
                text += ".." + std::to_string(a);
                break;
            default:
                text += std::to_string(a) + "..";
                break;
            }
        }
        text += ']';
        if (round % 23 == 0) text = "N";
        const valdesc s(text, b.hi, b.lo, false, false);
        const int64_t step = b.hi - b.lo > 1100 ? 7 : 1;
        for (int64_t v = int64_t{b.lo} - 2; v <= b.hi + 2; v += step) {
            const auto x = static_cast<int32_t>(v);
            ASSERT_EQ(s.contains(x), reference::contains(s, x)) << text << " " << v;
            ASSERT_EQ(s.firstfrom(x), reference::firstfrom(s, x)) << text << " " << v;
        }
        ASSERT_EQ(s.firstfrom(novalue), reference::firstfrom(s, novalue)) << text;
        for (const int64_t first : {int64_t{b.lo} - 70, int64_t{b.lo} - 5, int64_t{b.lo},
                                    int64_t{b.lo} + pick(0, 600), int64_t{b.hi} - 3}) {
            uint64_t expected = 0;
            for (int k = 0; k < 64; ++k)
                if (reference::contains(s, static_cast<int32_t>(first + k)))
                    expected |= uint64_t{1} << k;
            ASSERT_EQ(s.members64(first), expected) << text << " from " << first;
        }
    }
}

} // namespace
