#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <optional>
#ifndef _WIN32
#include <sys/mount.h>
#include <sys/stat.h>
#endif

#include "alarms/datapath.h"
#include "alarms/leftovers.h"
#include "control/instance.h"
#include "tests/alarms/tempdir.h"
#include "tests/support/envscope.h"

namespace velk {
namespace {

using test::envscope;

struct userdircase {
    const char* name;
    std::optional<std::string> xdg;
    std::string home;
    std::string expected;
};

// Not on Windows: the XDG folders, Unix modes and mounts; the Windows rules are tested in
// datapath_windows_test.
#ifndef _WIN32
TEST(userdatadir, FollowsTheBaseDirectoryRules) {
    const userdircase cases[] = {
        {"XDG_DATA_HOME set", "/data/me", "/home/me", "/data/me/velk/"},
        {"trailing slash", "/data/me/", "/home/me", "/data/me/velk/"},
        {"unset", std::nullopt, "/home/me", "/home/me/.local/share/velk/"},
        {"empty", "", "/home/me", "/home/me/.local/share/velk/"},
        {"relative, so ignored", "data", "/home/me", "/home/me/.local/share/velk/"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        envscope xdg("XDG_DATA_HOME", c.xdg);
        envscope home("HOME", c.home);
        EXPECT_EQ(userdatadir(), c.expected);
    }
}

#endif

TEST(choosedatapath, BesideTheExecutableWhenItsFolderIsWritable) {
    test::tempdir dir;
    const std::string exe = dir.file("bin") + "/";
    const std::string user = dir.file("user/velk") + "/";
    std::filesystem::create_directory(dir.file("bin"));
    EXPECT_EQ(choosedatapath(exe, user), exe + "Alarms.data");
    // Nothing made, nothing left behind by the check.
    EXPECT_FALSE(std::filesystem::exists(dir.file("user")));
    EXPECT_TRUE(std::filesystem::is_empty(dir.file("bin")));
    // A window for the user's file keeps the commands there.
    EXPECT_EQ(choosedatapath(exe, user, [&](const auto& p) { return p == user + "Alarms.data"; }),
              user + "Alarms.data");
}

#ifndef _WIN32
TEST(choosedatapath, InTheUsersFolderOtherwiseMadePrivate) {
    test::tempdir dir;
    // Even root cannot make a file below a plain file.
    test::writebytes(dir.file("plain"), "");
    const std::string exe = dir.file("plain") + "/bin/";
    const std::string user = dir.file("home/.local/share/velk") + "/";
    EXPECT_EQ(choosedatapath(exe, user), user + "Alarms.data");
    ASSERT_TRUE(std::filesystem::is_directory(user));
    struct stat st {};
    ASSERT_EQ(stat(user.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    // Nor where a program is installed, though root could write there.
    EXPECT_EQ(choosedatapath("/usr/bin/", user), user + "Alarms.data");
    // A user folder that cannot be made is still the answer: the first save names it.
    const std::string nouser = dir.file("plain") + "/velk/";
    EXPECT_EQ(choosedatapath(exe, nouser), nouser + "Alarms.data");
    // Passed over like a read-only folder: one that others can write.
    std::filesystem::create_directory(dir.file("open"));
    chmod(dir.file("open").c_str(), 01777);
    EXPECT_EQ(choosedatapath(dir.file("open") + "/", user), user + "Alarms.data");
    // Unless a window holds the file there, or it is there: its problems are told for it.
    const std::string open = dir.file("open/Alarms.data");
    EXPECT_EQ(choosedatapath(dir.file("open/"), user, [&](const auto& p) { return p == open; }),
              open);
    test::writebytes(open, "");
    EXPECT_EQ(choosedatapath(dir.file("open/"), user), open);
}

TEST(choosedatapath, AReadOnlyFolderIsNotWritableEvenForRoot) {
    test::tempdir dir;
    const std::string ro = dir.file("ro");
    std::filesystem::create_directory(ro);
    if (mount("tmpfs", ro.c_str(), "tmpfs", MS_RDONLY, "size=16k") != 0)
        GTEST_SKIP() << "cannot mount a read-only tmpfs here (" << std::strerror(errno) << ")";
    EXPECT_FALSE(folderwritable(ro + "/"));
    const std::string user = dir.file("user") + "/";
    EXPECT_EQ(choosedatapath(ro + "/", user), user + "Alarms.data");
    umount2(ro.c_str(), MNT_DETACH);
}

#endif

TEST(datapath, IsDecidedOnceForTheProcess) {
    const std::string first = control::datapath();
    EXPECT_EQ(first, choosedatapath(exedir(), userdatadir(), control::instanceheld));
    envscope xdg("XDG_DATA_HOME", "/elsewhere");
    EXPECT_EQ(control::datapath(), first);
}

} // namespace
// Saves cut short by a kill leave "<file>.tmp.<pid>.<n>"; at start the ones of processes that no
// longer run go, everything else stays.
TEST(removeleftovers, OnlyTemporariesOfProcessesThatNoLongerRun) {
    // A folder and a neighbour with names beyond any ANSI code page.
    test::tempdir dir("velk J\xc3\xbcrgen \xe6\x97\xa5 ");
    const std::string path = dir.file("Alarms.data");
    struct row {
        const char* name;
        bool stays;
    };
    const row rows[] = {
        {"Alarms.data", true},
        {"Alarms.data.tmp.4000001.1", false},  // dead
        {"Alarms.data.tmp.4000002.17", false}, // dead
        {"Alarms.data.tmp.100.1", true},       // alive: another instance saving now
        {"Alarms.data.tmp.4000001", true},     // not a save's name
        {"Alarms.data.tmp.4000001.1.bak", true},
        {"Alarms.data.tmp.x.1", true},
        {"Alarms.data.tmp.-5.1", true},
        {"Other.data.tmp.4000001.1", true},
        {"Alarms.data.damaged", true},
        {"\xe6\x97\xa5\xe6\x9c\xac \xd0\x96.txt", true},
    };
    for (const auto& r : rows)
        test::writebytes(dir.file(r.name), "x");
    std::filesystem::create_directory(test::fspath(dir.file("Alarms.data.tmp.4000003.1")));
    const auto alive = [](int64_t pid) { return pid == 100; };
    EXPECT_EQ(removeleftovers(path, alive), 2);
    for (const auto& r : rows)
        EXPECT_EQ(std::filesystem::exists(test::fspath(dir.file(r.name))), r.stays) << r.name;
    EXPECT_TRUE(std::filesystem::exists(test::fspath(dir.file("Alarms.data.tmp.4000003.1"))));
    // The system's own check: this process runs, a never-used id does not.
    EXPECT_TRUE(processalive(static_cast<int64_t>(getpid())));
    EXPECT_FALSE(processalive(0));
    EXPECT_FALSE(processalive(int64_t(1) << 40));
}

} // namespace velk
