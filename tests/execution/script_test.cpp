#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <tuple>
#include <vector>

#include "execution/script.h"
#include "tests/support/fakedesktop.h"
#include "timespec/error.h"
#include "timespec/text.h"

namespace velk {
namespace {

using lines = std::vector<std::string>;

// One recorded effect as a short line, so a table row can list what a script did.
std::string describe(const test::fakedesktop::call& c) {
    if (c.kind == "message") return "msg " + c.text;
    if (c.kind == "yesno") return "ask " + c.text;
    if (c.kind == "balloon") return "bln " + c.text + "|" + c.extra;
    if (c.kind == "sleep") return "sleep " + std::to_string(c.a);
    if (c.kind == "tone") return "tone " + std::to_string(c.a) + " " + std::to_string(c.b);
    if (c.kind == "open") return "open " + c.text + "|" + c.extra;
    return c.kind;
}

struct outcome {
    std::vector<std::string> effects;
    std::string error;
};

// Runs a script titled "T" as an alarm run does, without the bring-to-front noise.
outcome run(const lines& script, std::deque<bool> answers = {},
            std::set<std::string> openable = {}) {
    test::fakedesktop desk;
    desk.yesnoanswers = std::move(answers);
    desk.openable = std::move(openable);
    outcome out;
    try {
        runlines(script, "T", 0, false, true);
    } catch (const velkerror& e) {
        out.error = e.text;
    }
    for (const auto& c : desk.calls)
        if (c.kind != "bringer") out.effects.push_back(describe(c));
    EXPECT_FALSE(indialog);
    return out;
}

struct scriptcase {
    const char* what;
    lines script;
    std::deque<bool> answers;
    std::vector<std::string> effects;
    std::string error;
};

// Shown in test names instead of the bytes of the row.
void PrintTo(const scriptcase& c, std::ostream* os) {
    *os << c.what;
}

class scriptrun : public testing::TestWithParam<scriptcase> {};

TEST_P(scriptrun, effectsanderror) {
    const auto& c = GetParam();
    const outcome out = run(c.script, c.answers);
    EXPECT_EQ(out.effects, c.effects) << c.what;
    EXPECT_EQ(out.error, c.error) << c.what;
}

const std::string beepargs =
    "Incorrect number of argument for #beep (should be 0 or 2, separated with space)!";

INSTANTIATE_TEST_SUITE_P(
    commands, scriptrun,
    testing::Values(
        scriptcase{"empty script", {}, {}, {}, ""},
        scriptcase{"blank lines only", {"", "   ", "\t\r"}, {}, {}, ""},
        scriptcase{"msg without argument shows the title", {"#msg"}, {}, {"msg T"}, ""},
        scriptcase{
            "msg argument trimmed", {"  #msg   hello there \t"}, {}, {"msg hello there"}, ""},
        scriptcase{"control characters trimmed", {"\x01#msg hi\x1f"}, {}, {"msg hi"}, ""},
        scriptcase{"bytes above 127 are text",
                   {"#msg s\xc3\xbc\xc3\x9f"},
                   {},
                   {"msg s\xc3\xbc\xc3\x9f"},
                   ""},
        scriptcase{"bln dash: empty text", {"#bln -"}, {}, {"bln T|"}, ""},
        scriptcase{"bln alone: title twice", {"#bln"}, {}, {"bln T|T"}, ""},
        scriptcase{"bln text", {"#bln  tea time "}, {}, {"bln T|tea time"}, ""},
        scriptcase{"wait default", {"#wait"}, {}, {"sleep 1000"}, ""},
        scriptcase{"wait limit", {"#wait 30000"}, {}, {"sleep 30000"}, ""},
        scriptcase{"wait zero", {"#wait 0"}, {}, {"sleep 0"}, ""},
        scriptcase{"wait plus sign", {"#wait +7"}, {}, {"sleep 7"}, ""},
        scriptcase{
            "wait over limit", {"#wait 30001"}, {}, {}, "Time for #wait must not exceed 30s."},
        scriptcase{"wait fraction", {"#wait 1.5"}, {}, {}, "Incorrect argument for #wait: '1.5'!"},
        scriptcase{"wait marker value",
                   {"#wait -11111"},
                   {},
                   {},
                   "Incorrect argument for #wait: '-11111'!"},
        scriptcase{"wait negative", {"#wait -5"}, {}, {}, "Incorrect argument for #wait: '-5'!"},
        scriptcase{"wait hex", {"#wait 0x10"}, {}, {}, "Incorrect argument for #wait: '0x10'!"},
        scriptcase{"wait huge",
                   {"#wait 99999999999"},
                   {},
                   {},
                   "Incorrect argument for #wait: '99999999999'!"},
        scriptcase{"beep plain", {"#beep"}, {}, {"beep"}, ""},
        scriptcase{"beep tone", {"#beep 440   200"}, {}, {"tone 440 200"}, ""},
        scriptcase{
            "beep any frequency", {"#beep 2147483647 30000"}, {}, {"tone 2147483647 30000"}, ""},
        scriptcase{"beep zero duration", {"#beep 440 0"}, {}, {"tone 440 0"}, ""},
        scriptcase{"beep one number", {"#beep 440"}, {}, {}, beepargs},
        scriptcase{
            "beep bad first", {"#beep x 100"}, {}, {}, "Incorrect argument1 for #beep: 'x'!"},
        scriptcase{
            "beep bad second", {"#beep 440 y"}, {}, {}, "Incorrect argument1 for #beep: 'y'!"},
        scriptcase{"beep three numbers",
                   {"#beep 440 1 2"},
                   {},
                   {},
                   "Incorrect argument1 for #beep: '1 2'!"},
        scriptcase{
            "beep too long", {"#beep 440 30001"}, {}, {}, "Time for #beep must not exceed 30s."},
        scriptcase{"beep negative duration",
                   {"#beep 440 -1"},
                   {},
                   {},
                   "Incorrect argument1 for #beep: '-1'!"},
        // Any frequency: the platform plays what it cannot sound as silence.
        scriptcase{"beep zero frequency", {"#beep 0 100"}, {}, {"tone 0 100"}, ""},
        scriptcase{"beep negative frequency", {"#beep -440 100"}, {}, {"tone -440 100"}, ""},
        scriptcase{
            "beep lowest frequency", {"#beep -2147483648 1"}, {}, {"tone -2147483648 1"}, ""},
        scriptcase{"beep novalue frequency",
                   {"#beep -11111 100"},
                   {},
                   {},
                   "Incorrect argument1 for #beep: '-11111'!"},
        scriptcase{"beep beyond 32 bits",
                   {"#beep 99999999999 1"},
                   {},
                   {},
                   "Incorrect argument1 for #beep: '99999999999'!"},
        scriptcase{"command in another case", {"#Msg hi"}, {}, {}, "Incorrect command: '#Msg'!"},
        scriptcase{"tab is no separator", {"#msg\thi"}, {}, {}, "Incorrect command: '#msg\thi'!"},
        scriptcase{"tab before the word", {"#\tmsg hi"}, {}, {"msg hi"}, ""},
        scriptcase{"hash alone", {"#"}, {}, {}, "Incorrect command: '#'!"},
        scriptcase{"blank after hash", {"# msg"}, {}, {}, "Incorrect command: '#'!"},
        scriptcase{"NUL inside a word",
                   {std::string("#ms\0g", 5)},
                   {},
                   {},
                   std::string("Incorrect command: '#ms\0g'!", 27)},
        scriptcase{"NUL around a line", {std::string("\0#wait 5\0", 9)}, {}, {"sleep 5"}, ""},
        scriptcase{"top-level else", {"#else"}, {}, {}, "Unexpected #else!"},
        scriptcase{"top-level end stops quietly",
                   {"#msg a", " #end ", "#msg b", "#Bad"},
                   {},
                   {"msg a"},
                   ""},
        scriptcase{"text after end", {"#end x"}, {}, {}, "Incorrect command: '#end'!"},
        scriptcase{"text after else",
                   {"#ask", "#else x", "#end"},
                   {true},
                   {"ask T"},
                   "Incorrect command: '#else'!"},
        scriptcase{"effects before an error stay",
                   {"#msg a", "#Bad", "#msg b"},
                   {},
                   {"msg a"},
                   "Incorrect command: '#Bad'!"}));

INSTANTIATE_TEST_SUITE_P(
    blocks, scriptrun,
    testing::Values(
        scriptcase{"ask yes",
                   {"#ask Q", "#msg y", "#else", "#msg n", "#end", "#msg after"},
                   {true},
                   {"ask Q", "msg y", "msg after"},
                   ""},
        scriptcase{"ask no",
                   {"#ask Q", "#msg y", "#else", "#msg n", "#end", "#msg after"},
                   {false},
                   {"ask Q", "msg n", "msg after"},
                   ""},
        scriptcase{"ask title", {"#ask", "#end"}, {true}, {"ask T"}, ""},
        scriptcase{"no without else",
                   {"#ask", "#msg y", "#end", "#msg after"},
                   {false},
                   {"ask T", "msg after"},
                   ""},
        scriptcase{"nested ask in a branch not taken",
                   {"#ask A", "#ask B", "#msg bb", "#else", "#msg bn", "#end", "#else", "#msg an",
                    "#end", "#msg z"},
                   {false},
                   {"ask A", "msg an", "msg z"},
                   ""},
        scriptcase{"nested asks taken",
                   {"#ask A", "#ask B", "#msg bb", "#else", "#msg bn", "#end", "#msg ay", "#else",
                    "#msg an", "#end"},
                   {true, false},
                   {"ask A", "ask B", "msg bn", "msg ay"},
                   ""},
        scriptcase{"unknown command in a branch not taken",
                   {"#ask", "#Msg", "#end"},
                   {false},
                   {"ask T"},
                   "Incorrect command: '#Msg'!"},
        scriptcase{"second else in a taken block",
                   {"#ask", "#else", "#else", "#end"},
                   {false},
                   {"ask T"},
                   "Unexpected #else!"},
        scriptcase{"second else in a walked block",
                   {"#ask", "#else", "#else", "#end"},
                   {true},
                   {"ask T"},
                   "Unexpected #else!"},
        scriptcase{"bad arguments are found only when run",
                   {"#ask", "#wait x", "#beep 1", "#end"},
                   {false},
                   {"ask T"},
                   ""},
        scriptcase{"shell lines not run in a walked block",
                   {"#ask", "nothing.exe", "#end"},
                   {false},
                   {"ask T"},
                   ""},
        scriptcase{"end inside a block closes only it",
                   {"#ask", "#end", "#end", "#msg never"},
                   {true},
                   {"ask T"},
                   ""},
        scriptcase{
            "open yes-block", {"#ask", "#msg a"}, {true}, {"ask T", "msg a"}, "Missing #end!"},
        // An else-block that runs out ends the script quietly; a yes-block does not.
        scriptcase{"open else-block", {"#ask", "#else", "#msg b"}, {false}, {"ask T", "msg b"}, ""},
        scriptcase{"open else-block not taken",
                   {"#ask", "#msg a", "#else", "#msg b"},
                   {true},
                   {"ask T", "msg a"},
                   ""},
        scriptcase{"open else-blocks nested",
                   {"#ask", "#else", "#ask", "#else", "#msg b"},
                   {false, false},
                   {"ask T", "ask T", "msg b"},
                   ""},
        scriptcase{"open else-block inside an open yes-block",
                   {"#ask", "#ask", "#else", "#msg b"},
                   {true, false},
                   {"ask T", "ask T", "msg b"},
                   "Missing #end!"},
        scriptcase{"open yes-block inside an open else-block",
                   {"#ask", "#else", "#ask", "#msg a"},
                   {false, true},
                   {"ask T", "ask T", "msg a"},
                   "Missing #end!"},
        scriptcase{
            "open walked block", {"#ask", "#ask", "#end"}, {false}, {"ask T"}, "Missing #end!"}));

TEST(script, runlinesreturnsthestoppingline) {
    test::fakedesktop desk;
    EXPECT_EQ(runlines({"#bln", "#end", "#bln"}, "T", 0, false, true), 1u);
    EXPECT_EQ(runlines({"#bln", "#else", "#bln"}, "T", 0, true, true), 1u);
    EXPECT_EQ(runlines({"#bln", "#bln"}, "T", 0, false, true), 2u);
    EXPECT_EQ(runlines({"#bln", "#ask", "#end", "#bln"}, "T", 1, false, false), 4u);
    EXPECT_EQ(desk.of("balloon").size(), 4u);
}

// The editor's check: nothing runs, every block is walked, the first fault is placed.
TEST(script, checkfindsthefirstfaultwithoutrunning) {
    const std::vector<std::tuple<lines, std::size_t, std::string>> rows = {
        {{"#msg a", "#ask", "#bln", "#else", "#wait 5", "#end", "x.txt"}, 0, ""},
        {{"#msg a", "#mgs hello"}, 2, "Incorrect command: '#mgs'!"},
        {{"#else"}, 1, "Unexpected #else!"},
        {{"#bln", "#end", "", "#msg lost"}, 2, "Unexpected #end: the lines after it never run."},
        {{"#bln", "#end", " "}, 0, ""},
        {{"#bln", "#ask", "#ask", "#end"}, 2, "Missing #end!"},
        {{"#ask", "#else", "#wait 1.5", "#end"}, 3, "Incorrect argument for #wait: '1.5'!"},
        {{"#ask", "#beep 440", "#end"}, 2, beepargs},
        {{"#beep x 10"}, 1, "Incorrect argument1 for #beep: 'x'!"}};
    test::fakedesktop desk;
    for (const auto& [script, line, text] : rows) {
        const scriptfault f = checkscript(script);
        EXPECT_EQ(f.text, text) << script.front();
        EXPECT_EQ(f.line, line) << script.front();
    }
    EXPECT_TRUE(desk.calls.empty());
}

TEST(script, dialogsarmthebringerandsetindialogonlywhileopen) {
    test::fakedesktop desk;
    std::vector<bool> seen;
    desk.whilemodal = [&] { seen.push_back(indialog); };
    desk.yesnoanswers = {true};
    runlines({"#msg a", "#ask b", "#bln c", "#end"}, "T", 0, false, true);
    EXPECT_EQ(seen, (std::vector<bool>{true, true}));
    EXPECT_FALSE(indialog);
    std::vector<std::string> kinds;
    for (const auto& c : desk.calls)
        kinds.push_back(c.kind);
    EXPECT_EQ(kinds,
              (std::vector<std::string>{"bringer", "message", "bringer", "yesno", "balloon"}));
}

TEST(script, adialognestedinanotherkeepstheouterflag) {
    test::fakedesktop desk;
    std::vector<bool> seen;
    bool nested = false;
    desk.whilemodal = [&] {
        if (!nested) {
            nested = true;
            runlines({"#msg inner"}, "U", 0, false, true);
        }
        seen.push_back(indialog);
    };
    runlines({"#msg outer"}, "T", 0, false, true);
    // The inner box records first; after it closes the outer box is still open.
    EXPECT_EQ(seen, (std::vector<bool>{true, true}));
    EXPECT_FALSE(indialog);
}

TEST(script, adialogthatthrowsclearsindialog) {
    test::fakedesktop desk;
    desk.whilemodal = [] { throw std::runtime_error("platform failure"); };
    EXPECT_THROW(runlines({"#ask"}, "T", 0, false, true), std::runtime_error);
    EXPECT_FALSE(indialog);
}

struct shellcase {
    const char* line;
    std::set<std::string> openable;
    std::vector<std::string> effects;
    std::string error;
};

void PrintTo(const shellcase& c, std::ostream* os) {
    *os << c.line;
}

class shellrun : public testing::TestWithParam<shellcase> {};

TEST_P(shellrun, attempts) {
    const auto& c = GetParam();
    const outcome out = run({c.line}, {}, c.openable);
    EXPECT_EQ(out.effects, c.effects) << c.line;
    EXPECT_EQ(out.error, c.error) << c.line;
}

INSTANTIATE_TEST_SUITE_P(
    lines, shellrun,
    testing::Values(
        shellcase{"notepad.exe", {"notepad.exe"}, {"open notepad.exe||"}, ""},
        shellcase{
            "C:\\dir\\doc.txt", {"C:\\dir\\doc.txt"}, {"open C:\\dir\\doc.txt||C:\\dir\\"}, ""},
        shellcase{
            "/home/u/notes.txt", {"/home/u/notes.txt"}, {"open /home/u/notes.txt||/home/u/"}, ""},
        shellcase{"https://example.org/a b",
                  {"https://example.org/a"},
                  {"open https://example.org/a|b|https://example.org/"},
                  ""},
        shellcase{"john.doe@example.com",
                  {"mailto:john.doe@example.com"},
                  {"open mailto:john.doe@example.com||mailto:"},
                  ""},
        shellcase{"mailto:ann@example.org",
                  {"mailto:ann@example.org"},
                  {"open mailto:ann@example.org||mailto:"},
                  ""},
        shellcase{"https://medium.com/@ann.smith/post",
                  {"https://medium.com/@ann.smith/post"},
                  {"open https://medium.com/@ann.smith/post||https://medium.com/@ann.smith/"},
                  ""},
        shellcase{"web+x.1-a:ann@b.c",
                  {},
                  {"open web+x.1-a:ann@b.c||web+x.1-a:"},
                  "Error while executing 'web+x.1-a:ann@b.c'!"},
        shellcase{
            "john@example", {}, {"open john@example||"}, "Error while executing 'john@example'!"},
        shellcase{"x.y@host", {}, {"open x.y@host||"}, "Error while executing 'x.y@host'!"},
        shellcase{"see a@b.c", {"see"}, {"open see|a@b.c|"}, ""},
        shellcase{"\"a@b.c\"", {"\"a@b.c\""}, {"open \"a@b.c\"||"}, ""},
        shellcase{"\"C:\\Program Files\\x.exe\" -p  1",
                  {"\"C:\\Program Files\\x.exe\""},
                  {"open \"C:\\Program Files\\x.exe\"|-p  1|\"C:\\Program Files\\"},
                  ""},
        shellcase{"\"C:\\x.exe\"Xarg", {"\"C:\\x.exe\""}, {"open \"C:\\x.exe\"|arg|\"C:\\"}, ""},
        shellcase{"\"C:\\x.exe\"X", {"\"C:\\x.exe\""}, {"open \"C:\\x.exe\"||\"C:\\"}, ""},
        shellcase{"\"C:\\x y", {"\"C:\\x y"}, {"open \"C:\\x y||\"C:\\"}, ""},
        shellcase{"C:\\Program Files\\x.exe arg",
                  {"C:\\Program Files\\x.exe"},
                  {"open C:\\Program|Files\\x.exe arg|C:\\",
                   "open C:\\Program Files\\x.exe|arg|C:\\Program Files\\"},
                  ""},
        shellcase{"a b  c",
                  {},
                  {"open a|b  c|", "open a b|c|", "open a b c||"},
                  "Error while executing 'a b c'!"},
        shellcase{"\"q\" r \t s",
                  {},
                  {"open \"q\"|r \t s|", "open \"q\" r|s|", "open \"q\" r s||"},
                  "Error while executing '\"q\" r s'!"},
        shellcase{"nothing", {}, {"open nothing||"}, "Error while executing 'nothing'!"}));

TEST(script, extractfilepathkeepsthelastseparator) {
    const std::vector<std::pair<const char*, const char*>> rows = {
        {"doc.txt", ""},
        {"C:\\a\\b.txt", "C:\\a\\"},
        {"C:x.exe", "C:"},
        {"/usr/bin/x", "/usr/bin/"},
        {"\"C:\\P F\\x.exe\"", "\"C:\\P F\\"},
        {"mailto:a@b.c", "mailto:"},
        {"", ""}};
    for (const auto& [file, dir] : rows)
        EXPECT_EQ(extractfilepath(file), dir) << file;
}

// Hostile scripts end in a clear error or a correct run, quickly and without deep recursion.
TEST(scriptinput, hundredthousandlines) {
    test::fakedesktop desk;
    lines script(100000, "#bln x");
    script.push_back("#Bad");
    EXPECT_THROW(runlines(script, "T", 0, false, true), velkerror);
    EXPECT_EQ(desk.of("balloon").size(), 100000u);
}

TEST(scriptinput, megabytelines) {
    test::fakedesktop desk;
    desk.recordlimit = 16;
    const std::string big(1 << 20, 'x');
    runlines({"#msg " + big}, "T", 0, false, true);
    ASSERT_EQ(desk.messages().size(), 1u);

    // A megabyte of words that never opens is given up after a bounded number of attempts,
    // quoting the whole text as the last attempt would have.
    std::string words;
    while (words.size() < (1u << 20))
        words += "ab ";
    try {
        runlines({words}, "T", 0, false, true);
        FAIL() << "no error";
    } catch (const velkerror& e) {
        EXPECT_EQ(e.text, "Error while executing '" + std::string(trimmed(words)) + "'!");
    }
    EXPECT_EQ(desk.of("open").size(), static_cast<std::size_t>(maxopenattempts));
}

TEST(scriptinput, deepnesting) {
    test::fakedesktop desk;
    const int depth = 100000;
    lines script(depth, "#ask");
    script.insert(script.end(), depth, "#end");
    script.push_back("#msg done");
    desk.yesnoanswers = {true, true, false};
    runlines(script, "T", 0, false, true);
    EXPECT_EQ(desk.of("yesno").size(), 3u);
    EXPECT_EQ(desk.messages(), (std::vector<std::string>{"done"}));

    script.resize(depth + depth / 2);
    std::string error;
    try {
        runlines(script, "T", 0, false, false);
    } catch (const velkerror& e) {
        error = e.text;
    }
    EXPECT_EQ(error, "Missing #end!");
}

TEST(scriptinput, thousandnestedasksansweredyes) {
    test::fakedesktop desk;
    lines script(1000, "#ask");
    script.push_back("#msg inside");
    script.insert(script.end(), 1000, "#end");
    desk.yesnoanswers = std::deque<bool>(1000, true);
    runlines(script, "T", 0, false, true);
    EXPECT_EQ(desk.of("yesno").size(), 1000u);
    EXPECT_EQ(desk.messages(), (std::vector<std::string>{"inside"}));
}

} // namespace
} // namespace velk

namespace velk {
namespace {

// The interpreter shows what it runs on the desktop it is given, not on the one installed.
TEST(runaction, onthedesktopitisgiven) {
    test::fakedesktop installed;
    struct recording : quietdesktop {
        std::vector<std::string> said;
        void showmessage(const std::string& text) override { said.push_back(text); }
    } given;
    event e;
    e.action = {"#msg hi", "#msg there"};
    EXPECT_TRUE(runaction(e, given));
    EXPECT_EQ(given.said, (std::vector<std::string>{"hi", "there"}));
    EXPECT_TRUE(installed.calls.empty());
}

} // namespace
} // namespace velk
