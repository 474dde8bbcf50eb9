#include <gtest/gtest.h>

#include <locale.h>
#include <sstream>
#ifndef _WIN32
#include <unistd.h>
#endif

#include "alarms/datapath.h"
#include "app/listcommand.h"
#include "control/instance.h"
#include "tests/alarms/tempdir.h"
#include "tests/support/envscope.h"
#include "tests/support/fakeclock.h"
#include "tests/support/fakedesktop.h"

namespace velk {
namespace {

struct listrun {
    int status;
    std::string out, err;
};

listrun run(const std::vector<std::string>& args) {
    std::ostringstream out, err;
    const int status = runlist(args, out, err);
    return {status, out.str(), err.str()};
}

std::string block(const std::string& name, const std::string& time, const std::string& created,
                  const std::string& active) {
    return name + "\r\n" + time + "\r\n" + created + "\r\n-\r\n" + active + "\r\n0\r\n\r\n";
}

TEST(listcommand, RowsInDisplayOrder) {
    test::fakeclock clock(test::at("2026-12-08 13:44:30"));
    test::tempdir dir;
    const std::string path = dir.file("Alarms.data");
    test::writebytes(path, block("Meeting", "tue thu 17:00", "46362.3857638889", "1") +
                               block("", "8:00", "46362.3857638889", "0") +
                               block("Later", "2026-12-10 17:00", "46362", "1") +
                               block("Broken", "x y", "46361.5", "1") +
                               block("Past", "2009-1-1", "46362", "1"));
    const listrun r = run({path});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.err, "");
    EXPECT_EQ(r.out, "   2026-12-07 08:00 mon  (+00:00)  <ALARM>\n"
                     "   -  -  Broken\n"
                     "*  2026-12-08 17:00 tue  (+03:15)  Meeting\n"
                     "*  2026-12-10 17:00 thu  (+2d 03:15)  Later\n"
                     "*  -  -  Past\n");
}

// Each row: the locale of the user's settings, a start line; the window reads such a file
// under that locale, so the list must too. "C" rows need no installed locale.
// LC_ALL and newlocale are POSIX; Windows takes the separator from the user's regional settings.
#ifndef _WIN32
TEST(listcommand, StartTimesReadUnderTheUsersLocale) {
    test::fakeclock clock(test::at("2026-12-08 13:44:30"));
    test::tempdir dir;
    const std::string path = dir.file("Alarms.data");
    const struct {
        const char* locale;
        const char* created;
        bool reads;
    } rows[] = {
        {"C", "46362.5", true},
        {"C", "46362,5", false},
        {"de_DE.UTF-8", "46362,5", true},
        {"de_DE.UTF-8", "46362.5", true},
        {"de_DE.UTF-8", "46362,5e0", true},
    };
    for (const auto& r : rows) {
        const locale_t installed = newlocale(LC_NUMERIC_MASK, r.locale, locale_t{});
        if (!installed)
            GTEST_SKIP() << "the locale " << r.locale
                         << " is not installed (scripts/deps.sh generates it)";
        freelocale(installed);
        test::envscope all("LC_ALL", r.locale);
        test::writebytes(path, block("Half", "8:00", r.created, "0"));
        const listrun l = run({path});
        EXPECT_EQ(l.status, r.reads ? 0 : 1) << r.locale << " " << r.created << ": " << l.err;
        if (r.reads) {
            EXPECT_EQ(l.out, "   2026-12-07 08:00 mon  (+00:00)  Half\n") << r.locale;
        }
    }
}
#endif

TEST(listcommand, NamesThatAreNotUtf8AreShownAsTheWindowShowsThem) {
    test::fakeclock clock(test::at("2026-12-08 13:44:30"));
    test::tempdir dir;
    const std::string path = dir.file("Alarms.data");
    test::writebytes(path, block("M\xfcller", "8:00", "46362", "0") +
                               block("\xc3\xa9t\xc3\xa9", "8:00", "46361", "0"));
    const listrun r = run({path});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, "   2026-12-06 08:00 sun  (+00:00)  M\xc3\xbcller\n"
                     "   2026-12-05 08:00 sat  (+00:00)  \xc3\xa9t\xc3\xa9\n");
}

TEST(listcommand, DamagedFileIsReportedAndLeftAlone) {
    test::fakeclock clock;
    test::fakedesktop desk;
    test::tempdir dir;
    const std::string path = dir.file("Alarms.data");
    const std::string damaged = block("a", "8:00", "46362", "yes");
    test::writebytes(path, damaged);
    const listrun r = run({path});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err, "Incorrect Alarm description (activity)!\n"
                     "Could not read Alarms from file '" +
                         path +
                         "'!\n(You can try to fix the file, or delete it (all Alarms will be "
                         "lost).)\n");
    EXPECT_EQ(test::readbytes(path), damaged);
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                            std::filesystem::directory_iterator()),
              1);
    // The window's desktop is back in place and heard nothing.
    EXPECT_EQ(&thedesktop(), &desk);
    EXPECT_TRUE(desk.calls.empty());
}

TEST(listcommand, MissingFileListsNothingAndExtraWordsAreAUsageError) {
    test::tempdir dir;
    EXPECT_EQ(run({dir.file("none.data")}).out, "");
    EXPECT_EQ(run({dir.file("none.data")}).status, 0);
    const listrun r = run({"a", "b"});
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err.rfind("velk: --list takes one FILE at most\n", 0), 0u);
}

// Not on Windows: /proc/self/exe; datapath_windows_test covers the executable's folder there.
#ifndef _WIN32
TEST(datapath, TheAlarmFileLivesBesideTheExecutable) {
    char self[4096] = {};
    ASSERT_GT(readlink("/proc/self/exe", self, sizeof self - 1), 0);
    const std::string exe = self;
    EXPECT_EQ(exedir(), exe.substr(0, exe.rfind('/') + 1));
    EXPECT_EQ(control::datapath(), exedir() + "Alarms.data");
}

#endif

} // namespace
} // namespace velk
