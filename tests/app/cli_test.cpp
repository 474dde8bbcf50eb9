#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "app/cli.h"
#include "app/escapes.h"
#include "tests/app/runcli.h"
#include "tests/support/fakeclock.h"

using namespace velk;

namespace {

using result = test::cliresult;
constexpr auto run = test::runcommand;

struct nextrow {
    std::vector<std::string> args;
    int status;
    std::string out;
    std::string err; // exact text for status 1; the first line for usage errors
};

std::string firstline(const std::string& s) {
    return s.substr(0, s.find('\n') + 1);
}

TEST(cli, next) {
    // Now is Sunday 2026-12-06 08:00 unless --from says otherwise.
    test::fakeclock clock(test::at("2026-12-06 08:00"));
    const nextrow rows[] = {
        {{"--next", "tue thu 17:00", "--from", "2026-12-10 17:00:40", "--count", "3"},
         0,
         "2026-12-10 17:00 thu\n2026-12-15 17:00 tue\n2026-12-17 17:00 thu\n...\n",
         ""},
        {{"--next", "once 22:00 | once 23:00"},
         0,
         "2026-12-06 22:00 sun\n2026-12-06 23:00 sun\n",
         ""},
        {{"--next", "N:N", "--count", "2"},
         0,
         "2026-12-06 08:00 sun\n2026-12-06 08:01 sun\n...\n",
         ""},
        // The reference pins "once" and "today"; the list starts at --from.
        {{"--next", "once 9:00", "--ref", "2026-12-07 10:00", "--from", "2026-12-01 00:00"},
         0,
         "2026-12-08 09:00 tue\n",
         ""},
        {{"--next", "today 7:30", "--ref", "2026-12-06 00:00"}, 0, "No future dates.\n", ""},
        {{"--next", "today 7:30", "--from", "2026-12-06 06:00"}, 0, "2026-12-06 07:30 sun\n", ""},
        {{"--next", "2009-1-1"}, 0, "No future dates.\n", ""},
        {{"--next", "mon", "--count", "0"}, 0, "...\n", ""},
        {{"--next", "mon", "--count", "1", "--count", "2"},
         0,
         "2026-12-07 00:00 mon\n2026-12-14 00:00 mon\n...\n",
         ""},
        // The word after --next is the specification, even when it looks like an option.
        {{"--next", "-1:00"}, 1, "", "Value -1 is outside the allowed range [0..23]!\n"},
        {{"--next", "-x"}, 1, "", "Incorrect time specification: '-x'!\n"},
        {{"--next", "--count"}, 1, "", "Empty value description!\n"},
        {{"--next", "--count", "5"}, 2, "", "velk: unknown option '5'\n"},
        {{"--next", "8:00 9:00"}, 1, "", "Hour and minute specified more than once!\n"},
        {{"--next", ""}, 1, "", "Empty time specification!\n"},
        {{"--next"}, 2, "", "velk: --next needs a time specification\n"},
        {{"--next", "mon", "--from"}, 2, "", "velk: --from needs a value\n"},
        {{"--next", "mon", "--count"}, 2, "", "velk: --count needs a value\n"},
        {{"--next", "mon", "--to", "x"}, 2, "", "velk: unknown option '--to'\n"},
        {{"--next", "mon", "extra"}, 2, "", "velk: unknown option 'extra'\n"},
        {{"--next", "mon", "--count", "-1"},
         2,
         "",
         "velk: --count needs a whole number 0 or more, not '-1'\n"},
        {{"--next", "mon", "--count", "ten"},
         2,
         "",
         "velk: --count needs a whole number 0 or more, not 'ten'\n"},
        {{"--next", "mon", "--count", "99999999999"},
         2,
         "",
         "velk: --count needs a whole number 0 or more, not '99999999999'\n"},
        {{"--next", "mon", "--from", "2027-02-29 10:00"},
         2,
         "",
         "velk: --from needs a real moment \"YYYY-MM-DD HH:MM[:SS]\", not '2027-02-29 10:00'\n"},
        {{"--next", "mon", "--ref", "2026-12-06 24:00"},
         2,
         "",
         "velk: --ref needs a real moment \"YYYY-MM-DD HH:MM[:SS]\", not '2026-12-06 24:00'\n"},
        {{"--next", "mon", "--from", "2026-12-06"},
         2,
         "",
         "velk: --from needs a real moment \"YYYY-MM-DD HH:MM[:SS]\", not '2026-12-06'\n"},
        {{"--explain", "once 22:00 | once 23:00", "--from", "2026-12-07 09:00"},
         0,
         "Either of: once, at 22:00 tomorrow (2026-12-07); once, at 23:00 tomorrow (2026-12-07).\n"
         "2026-12-07 22:00 mon\n2026-12-07 23:00 mon\n",
         ""},
        {{"--explain", "[8..9]:[0;30]"},
         0,
         "At 08:00, 08:30, 09:00 and 09:30 every day.\n2026-12-06 08:00 sun\n"
         "2026-12-06 08:30 sun\n2026-12-06 09:00 sun\n2026-12-06 09:30 sun\n2026-12-07 08:00 "
         "mon\n...\n",
         ""},
        {{"--explain", "this wed 13:00", "--from", "2026-12-01 09:00"},
         0,
         "over: at 13:00 on Wednesday, 2 December 2026.\n2026-12-02 13:00 wed\n",
         ""},
        {{"--explain", "8:00 9:00"}, 1, "", "Hour and minute specified more than once!\n"},
        {{"--explain", "mon", "--count", "2"}, 2, "", "velk: unknown option '--count'\n"},
        // A bad option is reported even when the specification would not parse.
        {{"--next", "x", "--from", "tomorrow"},
         2,
         "",
         "velk: --from needs a real moment \"YYYY-MM-DD HH:MM[:SS]\", not 'tomorrow'\n"},
    };
    for (const auto& r : rows) {
        const result got = run(r.args);
        const std::string what = r.args.size() > 1 ? r.args[1] : r.args[0];
        ASSERT_TRUE(got.status.has_value()) << what;
        EXPECT_EQ(*got.status, r.status) << what;
        EXPECT_EQ(got.out, r.out) << what;
        EXPECT_EQ(r.status == 2 ? firstline(got.err) : got.err, r.err) << what;
        if (r.status == 2) {
            EXPECT_NE(got.err.find("Usage: velk"), std::string::npos) << what;
        }
    }
}

// A reader that stops (| head) ends the search at once, however many moments were asked for.
TEST(cli, nextStopsWhenTheReaderDoes) {
    struct closedpipe : std::streambuf {
        int_type overflow(int_type) override { return traits_type::eof(); }
    } closed;
    std::ostream out(&closed);
    std::ostringstream err;
    EXPECT_EQ(runnext({"N:N", "--count", "2147483647"}, out, err), 1);
}

// Control characters of names reach a terminal as escapes; files and pipes get them raw.
TEST(cli, terminalEscapes) {
    const struct {
        std::string text, terminal;
    } rows[] = {
        {"plain \xc3\xa9t\xc3\xa9 \xc2\xa0\n", "plain \xc3\xa9t\xc3\xa9 \xc2\xa0\n"},
        {"Red\x1b[31m\tX\x7f\r\n", "Red\\x1b[31m\\x09X\\x7f\\x0d\n"},
        {"CSI \xc2\x9b"
         "2J",
         "CSI \\u009b2J"},
    };
    for (const auto& r : rows)
        for (const bool terminal : {true, false}) {
            std::ostringstream to;
            {
                const terminalescapes escapes(to, terminal);
                to << r.text;
            }
            EXPECT_EQ(to.str(), terminal ? r.terminal : r.text) << r.terminal;
        }
}

TEST(cli, readsOnlyRealMoments) {
    const struct {
        const char* text;
        bool ok;
        const char* moment; // for test::at when ok
    } rows[] = {
        {"2026-12-06 08:00", true, "2026-12-06 08:00"},
        {"2026-12-06 08:00:59", true, "2026-12-06 08:00:59"},
        {"2028-02-29 23:59", true, "2028-02-29 23:59"},
        {"2027-02-29 08:00", false, ""},
        {"2026-04-31 08:00", false, ""},
        {"2026-12-06 8:00", false, ""},
        {"2026-12-06 08:60", false, ""},
        {"2026-12-06 08:00:60", false, ""},
        {"2026-12-06 08:00:", false, ""},
        {"2026-12-06  08:00", false, ""},
        {"2026-12-06 08:00 ", false, ""},
        {"2026-13-06 08:00", false, ""},
        {"", false, ""},
    };
    for (const auto& r : rows) {
        datetime t = -1;
        EXPECT_EQ(readmoment(r.text, t), r.ok) << r.text;
        if (r.ok) {
            EXPECT_EQ(t, test::at(r.moment)) << r.text;
        }
    }
}

TEST(cli, otherCommands) {
    const result help = run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_EQ(help.out, helptext());
    for (const char* word :
         {"velk [tray]", "--next SPEC", "--from", "--ref", "--count N", "--list [FILE]", "--help",
          "--version", "--add [--inactive] NAME TIME [LINE...]", "--enable NAME", "--disable NAME",
          "--remove NAME", "--agenda [DAYS]", "Examples:"})
        EXPECT_NE(help.out.find(word), std::string::npos) << word;
    const result version = run({"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.out.rfind("velk ", 0), 0u);
    for (const std::vector<std::string>& args : {std::vector<std::string>{"--bogus"},
                                                 {"-x"},
                                                 {"tray", "-x"},
                                                 {"-session", "id", "-x"},
                                                 {"-reverse", "-x"}}) {
        const result bad = run(args);
        EXPECT_EQ(bad.status, 2) << args.back();
        EXPECT_EQ(firstline(bad.err), "velk: unknown option '" + args.back() + "'\n");
    }
    // The scripting commands' usage errors come with the help, before any file is touched.
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"--add", "Tea"}, {"--enable"}, {"--agenda", "1", "2"}}) {
        const result usage = run(args);
        EXPECT_EQ(usage.status, 2) << args[0];
        EXPECT_NE(usage.err.find("Usage: velk"), std::string::npos) << args[0];
    }
    // The window starts for no words, for "tray", and with the options its toolkit reads.
    for (const std::vector<std::string>& args : {std::vector<std::string>{},
                                                 {"tray"},
                                                 {"-"},
                                                 {"-session", "-id", "tray"},
                                                 {"-style=fusion", "-reverse"}}) {
        EXPECT_FALSE(run(args).status.has_value()) << args.size();
        EXPECT_TRUE(startswindow(args)) << args.size();
    }
}

} // namespace
