#include <gtest/gtest.h>

#include <string>

#include "tests/support/fakeclock.h"
#include "tests/timespec/describe.h"
#include "timespec/timedesc.h"

using namespace velk;
using test::at;
using test::describe;
using test::parsed;
using test::show;

namespace {

std::string repeat(const std::string& s, int n) {
    std::string out;
    for (int i = 0; i < n; ++i)
        out += s;
    return out;
}

const std::string anydate = "Y=1980..2500 M=1..12 D=1..31";

struct badrow {
    std::string text;
    std::string expected; // failure message, or the parsed tree when the text is fine
};

// Every malformed text gets its own message and nothing else; texts at the limits still parse.
TEST(badInput, exactMessages) {
    // Built with append: GCC 12 at -O3 warns falsely (-Wrestrict) on "literal" + std::string&&.
    const std::string list200 = std::string("[").append(repeat("mon;", 199)).append("mon]");
    const std::string list100 = std::string("[").append(repeat("1;", 99)).append("2]");
    const std::string items101 = std::string("[").append(repeat("1;", 100)).append("]");
    const badrow rows[] = {
        // Tabs and control characters trim at the ends, stay inside words.
        {"\tmon\t", anydate + " W=1 H=0 N=0"},
        {"\x01mon 8:00\x7f", "Invalid value description: '00\x7f'!"},
        {"mon\x01", anydate + " W=1 H=0 N=0"},
        {"m\x01on", "Incorrect time specification: 'm\x01on'!"},
        {std::string("mon\0tue", 7),
         "Incorrect time specification: '" + std::string("mon\0tue", 7) + "'!"},
        {std::string("8:\0", 3), "Empty value description!"},
        {"8:[0;\t30]", anydate + " W=0..6 H=8 N=0;30"},
        {"mon\t|\ttue", anydate + " W=1 H=0 N=0 | " + anydate + " W=2 H=0 N=0"},
        // Bytes above 127 are no blanks and no letters of the language.
        {"m\xc3\xb6n", "Incorrect time specification: 'm\xc3\xb6n'!"},
        {"\xc2\xa0mon", "Incorrect time specification: '\xc2\xa0mon'!"},
        {"mon\xff", "Incorrect time specification: 'mon\xff'!"},
        {"d[m\xc3\xb6n]", "Wrong value: 'm\xc3\xb6n'!"},
        {"\xe2\x80\x93", "Incorrect time specification: '\xe2\x80\x93'!"},
        {"8:\xd9\xa0", "Invalid value description: '\xd9\xa0'!"},
        // Numbers too large for 32 bits are no numbers.
        {"99999999999:00", "Invalid value description: '99999999999'!"},
        {"[1..99999999999]:00", "Wrong value: '99999999999'!"},
        {"2147483648-1-1", "Invalid value description: '2147483648'!"},
        {"-2147483648:00", "Value -2147483648 is outside the allowed range [0..23]!"},
        {"d2147483647", "Value 2147483647 is outside the allowed range [0..6]!"},
        {"[-2147483648..2147483647]:0", "Value -2147483648 is outside the allowed range [0..23]!"},
        // List items: one hundred fit, more are refused.
        {"d" + list200, "Too many values in value description: '" + list200 + "'!"},
        {list100 + ":0", anydate + " W=0..6 H=1..2 N=0"},
        {"8:" + items101, "Too many values in value description: '" + items101 + "'!"},
        {"8:[" + repeat("x;", 150) + "]", "Wrong value: 'x'!"},
        // Alternatives: one hundred fit, more are refused after the first hundred parsed.
        {repeat("mon|", 199) + "mon", "Too many alternatives in time specification!"},
        {repeat("mon | ", 100) + "x", "Too many alternatives in time specification!"},
        {repeat("mon | ", 50) + "x | " + repeat("mon | ", 100),
         "Incorrect time specification: 'x'!"},
        {repeat("|", 500), "Empty time specification!"},
    };
    for (const auto& r : rows)
        EXPECT_EQ(parsed(r.text, at("2026-12-06 09:00")), r.expected) << r.text.substr(0, 60);
}

TEST(badInput, longTexts) {
    const std::string a = repeat("a", 100000);
    const std::string digits = repeat("9", 100000);
    const std::string items = std::string("[").append(repeat("1;", 50000)).append("1]");
    const badrow rows[] = {
        {a, "Incorrect time specification: '" + a + "'!"},
        {digits + ":00", "Invalid value description: '" + digits + "'!"},
        {"8:[" + digits + "]", "Wrong value: '" + digits + "'!"},
        {"8:" + items, "Too many values in value description: '" + items + "'!"},
        {repeat(" ", 100000), "Empty time specification!"},
        {repeat("mon ", 25000), anydate + " W=1 H=0 N=0"},
        {repeat("mon |", 20000), "Too many alternatives in time specification!"},
        {"once " + repeat("\t", 100000) + " 8:00", "Y=2026 M=12 D=7 W=0..6 H=8 N=0"},
    };
    for (const auto& r : rows)
        EXPECT_EQ(parsed(r.text, at("2026-12-06 09:00")), r.expected) << r.text.substr(0, 60);
}

TEST(badInput, aHundredAlternativesAreKept) {
    const timedesc spec(repeat("mon 8:00 | ", 99) + "tue 9:00", at("2026-12-06 09:00"));
    EXPECT_EQ(spec.count, 100);
    EXPECT_EQ(show(nextfrom(spec, at("2026-12-07 08:01"))), "2026-12-08 09:00");
}

// The parser reads only the text it is given, not what lies beyond the end of the view.
TEST(badInput, noReadPastTheText) {
    const std::string buffer = "mon 8:00 x";
    const timedesc spec(std::string_view(buffer).substr(0, 8), at("2026-12-06 09:00"));
    EXPECT_EQ(describe(spec), anydate + " W=1 H=8 N=0");
    const std::string bracket = "8:[1]";
    EXPECT_EQ(parsed(std::string(std::string_view(bracket).substr(0, 4)), 0),
              "Invalid value description: '[1'!");
    EXPECT_EQ(parsed("", 0), "Empty time specification!");
}

} // namespace
