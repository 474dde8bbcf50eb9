#include <gtest/gtest.h>

#include <cmath>
#include <functional>
#include <random>
#include <set>
#ifndef _WIN32
#include <pwd.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "alarms/alarmfile.h"
#include "tests/alarms/tempdir.h"
#include "tests/support/envscope.h"
#include "tests/support/fakeclock.h"
#include "tests/support/fakedesktop.h"
#include "tests/support/sysreason.h"
#include "timespec/error.h"

namespace velk {
namespace {

using test::at;
using test::readbytes;
using test::writebytes;

TEST(timetofile, GeneralFormWithFifteenDigits) {
    const std::pair<datetime, const char*> cases[] = {
        {novalue, "-"},
        {0, "0"},
        {at("2026-12-06 09:15:30"), "46362.3857638889"},
        {at("2026-12-10 17:00"), "46366.7083333333"},
        {46362.5, "46362.5"},
        {46362, "46362"},
        {-1.25, "-1.25"},
        {-11111.5, "-11111.5"},
        // No exponent from 0.00001 up to below 10^15; beyond, the short general form.
        {0.00001, "0.00001"},
        {-0.00001, "-0.00001"},
        {0.000012345678901234, "0.000012345678901234"},
        {0.00009999999999999999, "0.0001"},
        {0.0000999999999999999, "0.0000999999999999999"},
        {0.0000099999, "9.9999e-06"},
        {999999999999999, "999999999999999"},
        {1e15, "1e+15"},
        {3000000, "3000000"},
        {-1e300, "-1e+300"},
    };
    for (const auto& [t, text] : cases)
        EXPECT_EQ(timetofile(t), text) << t;
}

TEST(timefromfile, AcceptsTheFilesPointAndTheLocalesSeparator) {
    constexpr datetime def = -7;
    struct row {
        const char* text;
        char sep;
        datetime expected;
    };
    const row cases[] = {
        {"46362.3857638889", '.', 46362.3857638889},
        {"46362.5", ',', 46362.5},
        {"46362,5", ',', 46362.5}, // hand-edited where the locale uses ","
        {"46362,5", '.', def},
        {"1.2.3", '.', def},
        {"1.2,3", ',', def},
        {"0", '.', 0},
        {"-11111", '.', -11111},
        {"+5", '.', 5},
        {"-1.25", '.', -1.25},
        {".5", '.', 0.5},
        {"5.", '.', 5},
        {"4.6e4", '.', 46000},
        {" 46362.5 ", '.', 46362.5},
        {"-", '.', def},
        {"", '.', def},
        {".", '.', def},
        {"abc", '.', def},
        {"5x", '.', def},
        {"1e", '.', def},
        {"inf", '.', def},
        {"nan", '.', def},
        {"0x10", '.', def},
        {"1e400", '.', def},
        // Numbers that are no date are read all the same; such an alarm is never due.
        {"99999999", '.', 99999999},
        {"3000000", '.', 3000000},
        {"-1e300", '.', -1e300},
        {"0.00001", '.', 0.00001},
        {"46362\t", '.', def},
        // Read as they will be written again, with 15 digits.
        {"46362.12345678901234", '.', 46362.1234567890},
        {"2958465.999999999", '.', 2958466},
        {"-693593.9999999999", '.', -693594},
        {"-11110.99999999999", '.', -11111},
        {"0.9999999999999999", '.', 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(timefromfile(c.text, def, c.sep), c.expected) << "'" << c.text << "' " << c.sep;
}

TEST(timefromfile, EveryWrittenTimeReadsBackToFifteenDigits) {
    std::mt19937_64 rng(3);
    std::uniform_real_distribution<double> dist(-693593.99, 2958465.99);
    for (int i = 0; i < 10000; ++i) {
        const double t = dist(rng);
        const double back = timefromfile(timetofile(t), novalue, '.');
        EXPECT_LE(std::fabs(back - t), std::fabs(t) * 1e-14) << timetofile(t);
        EXPECT_EQ(timetofile(back), timetofile(t));
    }
}

// Each row: bytes of a name or line, and the UTF-8 text it is shown as.
TEST(readabletext, Utf8StaysAndAnythingElseIsReadAsLatin1) {
    const std::pair<std::string, std::string> rows[] = {
        {"", ""},
        {"Meeting 8:00", "Meeting 8:00"},
        {"M\xc3\xbcller", "M\xc3\xbcller"},
        {"\xf0\x9f\x94\x94 \xe2\x82\xac", "\xf0\x9f\x94\x94 \xe2\x82\xac"},
        {"M\xfcller", "M\xc3\xbcller"},
        // Not UTF-8, so every byte is read alone: one bad sequence makes the whole text Latin-1.
        {"\xc3\xbc \xfc", "\xc3\x83\xc2\xbc \xc3\xbc"},
        {"\xc0\xaf", "\xc3\x80\xc2\xaf"},             // overlong "/"
        {"\xed\xa0\x80", "\xc3\xad\xc2\xa0\xc2\x80"}, // a surrogate
        {"ab\xe2\x82", "ab\xc3\xa2\xc2\x82"},         // cut short
    };
    for (const auto& [bytes, shown] : rows)
        EXPECT_EQ(readabletext(bytes), shown) << bytes;
}

TEST(eventtext, TheBlockOfOneAlarm) {
    test::fakeclock clock(at("2026-12-06 09:15:30"));
    event e;
    e.name = "Meeting";
    e.time = "tue thu 17:00";
    e.last = at("2026-12-10 17:00");
    e.action = {"#msg Meeting in the small room", "#beep"};
    e.activate();
    EXPECT_EQ(eventtext(e), "Meeting\r\ntue thu 17:00\r\n46362.3857638889\r\n46366.7083333333\r\n"
                            "1\r\n2\r\n#msg Meeting in the small room\r\n#beep\r\n\r\n");

    event bare;
    EXPECT_EQ(eventtext(bare), "\r\n\r\n46362.3857638889\r\n-\r\n0\r\n0\r\n\r\n");
    bare.startnow();
    EXPECT_EQ(eventtext(bare), "\r\n\r\n46362.3857638889\r\n0\r\n0\r\n0\r\n\r\n");
}

TEST(eventtext, LineBreaksInsideFieldsCannotSplitTheBlock) {
    test::fakeclock clock(at("2026-12-06 09:15:30"));
    event e;
    e.name = "two\r\nlines";
    e.time = "8:00\n";
    e.action = {"a\r\nb", "", "c\rd"};
    std::deque<std::string> lines = splitlines(eventtext(e));
    event back(lines, '.');
    EXPECT_TRUE(lines.empty());
    EXPECT_EQ(back.name, "two  lines");
    EXPECT_EQ(back.time, "8:00 ");
    EXPECT_EQ(back.action, (std::vector<std::string>{"a", "b", "", "c", "d"}));
}

TEST(splitlines, CrLfLoneCrAndLoneLfEachEndALine) {
    using L = std::deque<std::string>;
    EXPECT_EQ(splitlines(""), L{});
    EXPECT_EQ(splitlines("a"), L{"a"});
    EXPECT_EQ(splitlines("a\r\n"), L{"a"});
    EXPECT_EQ(splitlines("a\r\nb\rc\nd"), (L{"a", "b", "c", "d"}));
    EXPECT_EQ(splitlines("\r\n\r\n"), (L{"", ""}));
    EXPECT_EQ(splitlines("\n\r"), (L{"", ""}));
    EXPECT_EQ(splitlines(std::string("x\0y\r\n", 5)), L{std::string("x\0y", 3)});
}

struct filefixture : ::testing::Test {
    // Files are read under the user's locale: "." alone is the decimal point here.
    test::envscope locale{"LC_ALL", "C"};
    test::fakeclock clock{at("2026-12-06 09:00")};
    test::fakedesktop desk;
    test::tempdir dir;
    std::string path = dir.file("Alarms.data");

    // Loads path; returns the detailed message shown, "" when the load succeeded.
    std::string loadmessage(book& b, alarmfile& file) {
        desk.calls.clear();
        try {
            file.load(b);
        } catch (const velkerror& e) {
            EXPECT_EQ(e.text, "Could not read Alarms from file '" + path +
                                  "'!\r\n(You can try to fix the file, or delete it (all "
                                  "Alarms will be lost).)");
            EXPECT_TRUE(desk.calls.empty());
            return file.detail();
        }
        EXPECT_TRUE(desk.calls.empty());
        return "";
    }
    std::string loadmessage(book& b) {
        alarmfile file(path);
        return loadmessage(b, file);
    }
    std::set<std::string> folder() const {
        std::set<std::string> names;
        for (const auto& f : std::filesystem::directory_iterator(dir.path()))
            names.insert(f.path().filename().string());
        return names;
    }
};

const std::string good = "Good\r\n8:00\r\n46362.5\r\n-\r\n1\r\n0\r\n\r\n";

// Each row: the file's text and the message that must be shown (the book then ends empty).
TEST_F(filefixture, EveryReadFailureEmptiesTheBook) {
    const std::string nl = "Incorrect Alarm description (number of lines)!",
                      created = "Incorrect Alarm description (creation time!)",
                      activity = "Incorrect Alarm description (activity)!",
                      count = "Incorrect Alarm description (number of Action lines)!",
                      empty = "Incorrect Alarm description (expected empty line)!";
    const std::pair<std::string, std::string> cases[] = {
        {"x\r\n", nl},
        {"a\r\nb\r\n46362\r\n-\r\n1\r\n0\r\n", nl}, // no closing empty line
        {good + "a\r\nb\r\n46362\r\n-\r\n1\r\n2\r\nx\r\n\r\n", nl},
        {"a\r\nb\r\n46362\r\n-\r\n1\r\n2147483647\r\n\r\n\r\n\r\n", nl},
        {"a\r\nb\r\n-\r\n-\r\n1\r\n0\r\n\r\n", created},
        {"a\r\nb\r\n\r\n-\r\n1\r\n0\r\n\r\n", created},
        {"a\r\nb\r\n-11111.5\r\n-\r\n1\r\n0\r\n\r\n", created},
        {"a\r\nb\r\n46362,5\r\n-\r\n1\r\n0\r\n\r\n", created}, // "." locale
        {"a\r\nb\r\n-11110.99999999999\r\n-\r\n1\r\n0\r\n\r\n", created},
        // Two empty lines between blocks: the second starts a block of its own.
        {good + "\r\n" + good, created},
        {"a\r\nb\r\n46362\r\n-\r\nyes\r\n0\r\n\r\n", activity},
        {"a\r\nb\r\n46362\r\n-\r\n-11111\r\n0\r\n\r\n", activity},
        {"a\r\nb\r\n46362\r\n-\r\n\r\n0\r\n\r\n", activity},
        {"a\r\nb\r\n46362\r\n-\r\n1.0\r\n0\r\n\r\n", activity},
        {"a\r\nb\r\n46362\r\n-\r\n+-1\r\n0\r\n\r\n", activity},
        {"a\r\nb\r\n46362\r\n-\r\n0x1\r\n0\r\n\r\n", activity},
        {"a\r\nb\r\n46362\r\n-\r\n1\r\n-11111\r\n\r\n", count},
        {"a\r\nb\r\n46362\r\n-\r\n1\r\nx\r\n\r\n", count},
        {"a\r\nb\r\n46362\r\n-\r\n1\r\n2147483648\r\n\r\n", count},
        {"a\r\nb\r\n46362\r\n-\r\n1\r\n0\r\n \r\n", empty},
        {"a\r\nb\r\n46362\r\n-\r\n1\r\n1\r\nx\r\nx\r\n", empty},
        {"a\r\nb\r\n46362\r\n-\r\n1\r\n-3\r\nx\r\n", empty},
    };
    for (const auto& [text, why] : cases) {
        writebytes(path, text);
        book b;
        b.append(std::make_unique<event>()); // load empties what was there
        EXPECT_EQ(loadmessage(b), why) << text;
        EXPECT_EQ(b.evcount(), 0) << text;
        EXPECT_EQ(readbytes(path), text); // reading changes nothing
    }
}

// Each row: the file's text and the alarms it must give (name, active, number of action lines).
TEST_F(filefixture, AcceptedFiles) {
    struct row {
        std::string text;
        std::vector<std::tuple<std::string, bool, size_t>> alarms;
    };
    const row cases[] = {
        {"", {}},
        {"\r\n  \r\n\t\r\n", {}},
        {good, {{"Good", true, 0}}},
        {good + "\r\n\r\n  \r\n", {{"Good", true, 0}}},
        {"Good\n8:00\n46362.5\n-\n1\n0\n\n", {{"Good", true, 0}}},
        {"Good\r8:00\r46362.5\r-\r1\r0\r\r", {{"Good", true, 0}}},
        {"a\r\n8:00\r\n46362.5\r\n0\r\n2\r\n-3\r\n\r\n", {{"a", true, 0}}},
        {"a\r\n8:00\r\n46362.5\r\nzz\r\n0\r\n+1\r\n\r\n\r\n", {{"a", false, 1}}},
        // Empty name and time: read, but the time fails to parse, so it loads inactive.
        {"\r\n\r\n46362.5\r\n-\r\n1\r\n0\r\n\r\n", {{"", false, 0}}},
        {"a\r\nbroken words\r\n46362.5\r\n-\r\n1\r\n0\r\n\r\n", {{"a", false, 0}}},
        // A date long past parses: active, with no next time.
        {"a\r\n2009-1-1\r\n46362.5\r\n-\r\n1\r\n0\r\n\r\n", {{"a", true, 0}}},
        // Start times that are no date (the year 10113, far before year 1) still load.
        {"a\r\n8:00\r\n3000000\r\n-\r\n1\r\n0\r\n\r\n", {{"a", true, 0}}},
        {"a\r\n8:00\r\n-1e300\r\n1e300\r\n1\r\n0\r\n\r\n", {{"a", true, 0}}},
        {good + "b\r\n\r\n46362\r\n-\r\n0\r\n-2147483648\r\n\r\n",
         {{"Good", true, 0}, {"b", false, 0}}},
    };
    for (const auto& c : cases) {
        writebytes(path, c.text);
        book b;
        EXPECT_EQ(loadmessage(b), "") << c.text;
        ASSERT_EQ(b.evcount(), static_cast<int>(c.alarms.size())) << c.text;
        for (int i = 0; i < b.evcount(); ++i) {
            const auto& [name, active, actions] = c.alarms[static_cast<size_t>(i)];
            EXPECT_EQ(b.evs(i)->name, name);
            EXPECT_EQ(b.evs(i)->active, active) << c.text;
            EXPECT_EQ(b.evs(i)->action.size(), actions);
        }
        // Loading sorts: an inactive alarm comes before an active one.
        if (b.evcount() == 2) {
            EXPECT_EQ(b.evorder(0), 1);
        }
    }
}

TEST_F(filefixture, MissingFileIsAnEmptyBookWithoutAMessage) {
    // The file alone missing, or a folder on its way too (another error code on Windows).
    for (const std::string& missing : {path, dir.file("gone/Alarms.data")}) {
        path = missing;
        book b;
        b.append(std::make_unique<event>());
        EXPECT_EQ(loadmessage(b), "") << missing;
        EXPECT_EQ(b.evcount(), 0) << missing;
    }
}

std::unique_ptr<event> makeevent(const std::string& name, const std::string& time,
                                 std::vector<std::string> action, bool active, datetime last) {
    auto e = std::make_unique<event>();
    e->name = name;
    e->time = time;
    e->action = std::move(action);
    e->last = last;
    if (active)
        e->activate();
    else
        e->recompute();
    return e;
}

TEST_F(filefixture, RoundTripKeepsEverythingInStorageOrder) {
    book b;
    b.append(makeevent("Meeting", "tue thu 17:00", {"#msg Meeting in the small room", "#beep"},
                       true, at("2026-12-10 17:00")));
    b.append(makeevent("", "", {}, false, novalue));
    b.append(makeevent(std::string("nul\0byte", 8), "d[mon..fri] [8..16]:00",
                       {"", "  padded  ", "\t", std::string(3, '\0')}, true, 0));
    b.append(makeevent("Latin-1 \xe9\xfc", "N-11-[15..21] thu morning", {"x"}, false,
                       46366.123456789012345));
    b.append(makeevent("last", "once 22:00 | once 23:00", {"#bln hi"}, true, novalue));
    b.remove(1); // "last" moves into slot 1
    alarmfile file(path);
    file.save(b);

    clock.set(at("2026-12-20 12:00"));
    book back;
    EXPECT_EQ(loadmessage(back, file), "");
    ASSERT_EQ(back.evcount(), b.evcount());
    for (int i = 0; i < b.evcount(); ++i) {
        const event& a = *b.evs(i);
        const event& r = *back.evs(i);
        EXPECT_EQ(r.name, a.name);
        EXPECT_EQ(r.time, a.time);
        EXPECT_EQ(r.action, a.action);
        EXPECT_EQ(r.active, a.active);
        EXPECT_EQ(timetofile(r.created), timetofile(a.created));
        EXPECT_EQ(timetofile(r.last), timetofile(a.last));
        EXPECT_EQ(r.next, a.next) << a.name;
        EXPECT_FALSE(r.busy);
    }
    EXPECT_EQ(back.evs(1)->name, "last");
    EXPECT_EQ(readbytes(path).substr(0, 9), "Meeting\r\n");
    // Saving what was read gives the same bytes.
    const std::string first = readbytes(path);
    file.save(back);
    EXPECT_EQ(readbytes(path), first);
}

TEST_F(filefixture, ALastTimeReadBackShortOfItsMinuteIsNotHandledAgain) {
    book b;
    b.append(makeevent("m", "tue thu 17:00", {}, true, at("2026-12-10 17:00")));
    alarmfile(path).save(b);
    EXPECT_NE(readbytes(path).find("\r\n46366.7083333333\r\n"), std::string::npos);
    book back;
    EXPECT_EQ(loadmessage(back), "");
    EXPECT_LT(back.evs(0)->last, at("2026-12-10 17:00"));
    EXPECT_EQ(back.evs(0)->next, at("2026-12-15 17:00"));
}

TEST_F(filefixture, EmptyBookWritesAnEmptyFile) {
    writebytes(path, good);
    book b;
    alarmfile(path).save(b);
    EXPECT_TRUE(std::filesystem::exists(path));
    EXPECT_EQ(std::filesystem::file_size(path), 0u);
}

TEST_F(filefixture, LfFilesAreWrittenBackWithCrLf) {
    writebytes(path, "Good\n8:00\n46362.5\n-\n1\n0\n\n");
    alarmfile file(path);
    book b;
    EXPECT_EQ(loadmessage(b, file), "");
    file.save(b);
    EXPECT_EQ(readbytes(path), good);
}

std::string blocks(int n) {
    std::string text;
    for (int i = 0; i < n; ++i)
        text += "a" + std::to_string(i) + "\r\n8:00\r\n46362\r\n-\r\n0\r\n0\r\n\r\n";
    return text;
}

TEST_F(filefixture, AThousandAlarmsLoadButNotOneMore) {
    writebytes(path, blocks(1000));
    book b;
    EXPECT_EQ(loadmessage(b), "");
    EXPECT_EQ(b.evcount(), 1000);

    writebytes(path, blocks(1001));
    alarmfile file(path);
    EXPECT_EQ(loadmessage(b, file), "Incorrect Alarm description (more than 1000 Alarms)!");
    EXPECT_EQ(b.evcount(), 0);
    EXPECT_TRUE(file.damaged());
}

TEST_F(filefixture, ADamagedFileIsSetAsideBeforeTheFirstSave) {
    const std::string damaged = good + "broken";
    writebytes(path, damaged);
    writebytes(path + ".damaged", "an older one");
    alarmfile file(path);
    book b;
    EXPECT_NE(loadmessage(b, file), "");
    EXPECT_TRUE(file.damaged());
    b.append(makeevent("new", "8:00", {}, false, novalue));
    file.save(b);
    EXPECT_FALSE(file.damaged());
    EXPECT_EQ(file.setasidepath(), path + ".damaged.1");
    EXPECT_EQ(readbytes(path + ".damaged.1"), damaged);
    EXPECT_EQ(readbytes(path + ".damaged"), "an older one");
    // Later saves replace the new file only.
    file.save(b);
    file.save(b);
    EXPECT_EQ(folder(), (std::set<std::string>{"Alarms.data", "Alarms.data.damaged",
                                               "Alarms.data.damaged.1"}));
    book back;
    EXPECT_EQ(loadmessage(back), "");
    EXPECT_EQ(back.evs(0)->name, "new");
}

TEST_F(filefixture, AFileThatCannotBeReadCountsAsDamaged) {
    std::filesystem::create_directory(path);
    alarmfile file(path);
    book b;
    EXPECT_EQ(loadmessage(b, file),
              "Could not open file '" + path + "': " + test::reasonfor(test::failure::isafolder));
    EXPECT_TRUE(file.damaged());
    file.save(b);
    EXPECT_TRUE(std::filesystem::is_directory(path + ".damaged"));
    EXPECT_TRUE(std::filesystem::is_regular_file(path));
}

TEST_F(filefixture, SaveFailuresNameThePathAndTheReasonAndKeepTheOldFile) {
    book b;
    b.append(makeevent("a", "8:00", {}, false, novalue));
    const std::string nofolder = dir.file("missing/Alarms.data");
    try {
        alarmfile(nofolder).save(b);
        FAIL() << "saved into a missing folder";
    } catch (const velkerror& e) {
        EXPECT_EQ(e.text, "Could not save Alarms to file '" + nofolder +
                              "': " + test::reasonfor(test::failure::nofolder));
    }

    // A folder in the way of the file: the rename fails; the folder stays, no temporary left.
    std::filesystem::create_directory(path);
    try {
        alarmfile(path).save(b);
        FAIL() << "replaced a folder";
    } catch (const velkerror& e) {
        EXPECT_EQ(e.text, "Could not save Alarms to file '" + path +
                              "': " + test::reasonfor(test::failure::isafolder));
    }
    EXPECT_EQ(folder(), std::set<std::string>{"Alarms.data"});
}

// Not on Windows: fork, file-size limits, Unix permission bits and symbolic links are POSIX
// only. The Windows save is tested with injected faults in savefault_test and datapath tests.
#ifndef _WIN32
// Runs body in a child process and returns its exit status.
template <class F> int inchild(F body) {
    const pid_t pid = fork();
    if (pid == 0) _exit(body());
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 100;
}

TEST_F(filefixture, AWriteThatFailsHalfWayKeepsTheOldFileWhole) {
    book small;
    small.append(makeevent("old", "8:00", {}, false, novalue));
    alarmfile(path).save(small);
    const std::string before = readbytes(path);

    book big;
    for (int i = 0; i < 50; ++i)
        big.append(
            makeevent("new " + std::to_string(i), "8:00", {std::string(200, 'x')}, false, novalue));
    // A file-size limit makes the write fail after 4 KiB, as a full disk would, and does not
    // end the process.
    const int status = inchild([&] {
        rlimit limit{4096, 4096};
        if (setrlimit(RLIMIT_FSIZE, &limit) != 0) return 2;
        try {
            alarmfile(path).save(big);
        } catch (const velkerror& e) {
            const std::string want = "Could not save Alarms to file '" + path + "': File too large";
            return e.text == want ? 0 : 3;
        }
        return 1;
    });
    EXPECT_EQ(status, 0);
    EXPECT_EQ(readbytes(path), before);
    EXPECT_EQ(folder(), std::set<std::string>{"Alarms.data"});
}

TEST_F(filefixture, SavingKeepsPermissionsAndLinks) {
    book b;
    b.append(makeevent("a", "8:00", {}, false, novalue));
    const std::string real = dir.file("real.data");
    writebytes(real, "");
    chmod(real.c_str(), 0640);
    std::filesystem::create_symlink(real, path);
    alarmfile(path).save(b);
    EXPECT_TRUE(std::filesystem::is_symlink(path));
    EXPECT_EQ(readbytes(real), eventtext(*b.evs(0)));
    struct stat st {};
    ASSERT_EQ(stat(real.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0640u);
}

// Files that are not used, said at once; the save then sets the file aside, or is refused in
// a folder others can write. Another user's files need root: "nobody" is given them.
TEST_F(filefixture, OddAndForeignFilesAreNotUsed) {
    const passwd* nobody = getpwnam("nobody");
    const std::string other = dir.file("other"), folder = test::utf8(dir.path());
    const auto give = [&](const std::string& p) { return lchown(p.c_str(), nobody->pw_uid, 0); };
    const auto link = [&] { return symlink(other.c_str(), path.c_str()); };
    const auto plain = [&] { writebytes(path, good); };
    const std::string foreign = "the link or the file it points to belongs to another user",
                      open = "other users can write to the folder '" + folder + "'";
    const std::tuple<std::string, std::function<void()>, std::string> rows[] = {
        {"fifo", [&] { mkfifo(path.c_str(), 0600); }, "it is not a regular file"},
        {"device", [&] { symlink("/dev/zero", path.c_str()); }, "it is not a regular file"},
        {"0666 file", [&] { plain(), chmod(path.c_str(), 0666); },
         "other users can write to the file"},
        {"0777 folder", [&] { plain(), chmod(folder.c_str(), 0777); }, open},
        {"1777 folder", [&] { plain(), chmod(folder.c_str(), 01777); }, open},
        {"0660 file, group another's primary", [&] { plain(), chmod(path.c_str(), 0660); },
         "other users can write to the file"},
        {"root: another's file", [&] { plain(), give(path); }, "the file belongs to another user"},
        {"root: link to another's file", [&] { link(), give(other); }, foreign},
        {"root: another's link", [&] { link(), give(path); }, foreign},
    };
    // This user's primary group, named after the user, and "mallory"'s primary group too.
    const std::string me = getpwuid(geteuid())->pw_name;
    datafile::setgrouplookup([&](std::uint32_t) {
        return datafile::groupusers{true, me, {}, {me, "mallory"}};
    });
    for (const auto& [name, make, why] : rows) {
        SCOPED_TRACE(name);
        chmod(folder.c_str(), 0700);
        if (name.starts_with("root") && (geteuid() != 0 || !nobody)) {
            std::cout << "skipped '" << name << "': only root can give files to nobody\n";
            continue;
        }
        for (const auto& f : std::filesystem::directory_iterator(dir.path()))
            std::filesystem::remove(f.path());
        writebytes(other, good);
        make();
        alarmfile file(path);
        book b;
        EXPECT_EQ(loadmessage(b, file), "Could not open file '" + path + "': " + why);
        b.append(makeevent("new", "8:00", {}, false, novalue));
        if (why == open)
            EXPECT_THROW(file.save(b), velkerror);
        else
            file.save(b);
        // Nothing is written through a link or into another user's file.
        EXPECT_EQ(readbytes(other), good);
    }
    // The user's private group alone may write: used.
    datafile::setgrouplookup([&](std::uint32_t) {
        return datafile::groupusers{true, me, {}, {me}};
    });
    std::filesystem::remove(path), plain(), chmod(path.c_str(), 0660);
    EXPECT_EQ(datafile::fileproblem(path), "");
    datafile::setgrouplookup(nullptr);
}

#endif

TEST_F(filefixture, HugeAndOddLinesRoundTrip) {
    book b;
    std::string huge(1 << 20, 'n');
    huge[12345] = '\0';
    huge[99] = '\xff';
    // One long word: the parser rejects it after one pass.
    b.append(makeevent(huge, std::string(1 << 20, 'x'), {huge, std::string(1 << 20, ' ')}, true,
                       novalue));
    alarmfile file(path);
    file.save(b);
    book back;
    EXPECT_EQ(loadmessage(back, file), "");
    ASSERT_EQ(back.evcount(), 1);
    EXPECT_EQ(back.evs(0)->name, huge);
    EXPECT_EQ(back.evs(0)->action[1], std::string(1 << 20, ' '));
    EXPECT_FALSE(back.evs(0)->active);
}

// Random bytes, and valid files with random damage: every load either succeeds or fails with
// one of the known messages, and never holds more than the book's capacity.
TEST(readevents, RandomInputEndsInAKnownMessageOrABook) {
    test::fakeclock clock(at("2026-12-06 09:00"));
    test::fakedesktop desk;
    const std::set<std::string> known = {
        std::string(filemessage::numberoflines), std::string(filemessage::creationtime),
        std::string(filemessage::activity),      std::string(filemessage::actionlines),
        std::string(filemessage::emptyline),     std::string(filemessage::toomany)};
    const std::string valid = good +
                              "b\r\nmon 8:00\r\n46362.25\r\n46363\r\n0\r\n2\r\n#msg x\r\n"
                              "http://x\r\n\r\n" +
                              good;
    const char alphabet[] = "\r\n\r\n0123456789-.,e+ \t\0abc:|[]";
    std::mt19937 rng(11);
    int loaded = 0;
    for (int round = 0; round < 3000; ++round) {
        std::string text;
        if (round % 2 == 0) {
            const size_t n = rng() % 200;
            for (size_t i = 0; i < n; ++i)
                text += round % 4 == 0 ? static_cast<char>(rng())
                                       : alphabet[rng() % (sizeof alphabet - 1)];
        } else {
            text = valid;
            for (int k = 1 + static_cast<int>(rng() % 3); k > 0; --k)
                text[rng() % text.size()] = alphabet[rng() % (sizeof alphabet - 1)];
        }
        std::deque<std::string> lines = splitlines(text);
        book b;
        try {
            readevents(lines, b);
            ++loaded;
        } catch (const velkerror& e) {
            EXPECT_TRUE(known.count(e.text)) << e.text;
        }
        EXPECT_LE(b.evcount(), book::capacity);
    }
    EXPECT_GT(loaded, 100);
}

} // namespace
} // namespace velk
