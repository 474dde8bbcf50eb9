#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <sstream>

#include "alarms/datapath.h"
#include "app/autostart.h"
#include "app/cli.h"
#include "control/instance.h"
#include "tests/alarms/tempdir.h"
#include "tests/app/runcli.h"
#include "tests/support/envscope.h"

namespace velk {
namespace {

using test::envscope;

using result = test::cliresult;
constexpr auto run = test::runcommand;

// Not on Windows: the desktop entry under the XDG config folder; autostart_windows_test covers
// the Run value of the registry.
#ifndef _WIN32
TEST(autostart, OnWritesTheEntryAndOffRemovesIt) {
    test::tempdir dir;
    envscope config("XDG_CONFIG_HOME", dir.file("config"));
    const std::string entry = dir.file("config/autostart/velk.desktop");
    const std::string exe = exepath();

    for (int time = 0; time < 2; ++time) { // a second "on" replaces the entry
        const result on = run({"--autostart", "on"});
        EXPECT_EQ(on.status, 0);
        EXPECT_EQ(on.out, "Autostart on: " + entry + " starts " + exe + " in the tray at login.\n");
        EXPECT_EQ(on.err, "");
    }
    EXPECT_EQ(test::readbytes(entry), "[Desktop Entry]\n"
                                      "Type=Application\n"
                                      "Name=VELK\n"
                                      "Comment=Alarms, started in the tray\n"
                                      "Exec=" +
                                          exe +
                                          " tray\n"
                                          "Icon=velk\n"
                                          "Terminal=false\n"
                                          "X-GNOME-Autostart-enabled=true\n");
    EXPECT_EQ(std::filesystem::directory_iterator(dir.file("config/autostart"))->path(), entry)
        << "nothing but the entry is left in the folder";

    const result off = run({"--autostart", "off"});
    EXPECT_EQ(off.status, 0);
    EXPECT_EQ(off.out, "Autostart off: removed " + entry + ".\n");
    EXPECT_FALSE(std::filesystem::exists(entry));
    const result again = run({"--autostart", "off"});
    EXPECT_EQ(again.status, 0);
    EXPECT_EQ(again.out, "Autostart off: there was no " + entry + ".\n");
}

TEST(autostart, TheDefaultFolderIsInHome) {
    test::tempdir dir;
    envscope config("XDG_CONFIG_HOME", std::nullopt);
    envscope home("HOME", dir.path().string());
    EXPECT_EQ(run({"--autostart", "on"}).status, 0);
    EXPECT_TRUE(std::filesystem::exists(dir.file(".config/autostart/velk.desktop")));
    // Without HOME the entry goes where the alarm file would: below the same home folder.
    envscope nohome("HOME", std::nullopt);
    envscope data("XDG_DATA_HOME", std::nullopt);
    EXPECT_EQ(autostart::location(), homedir() + "/.config/autostart/velk.desktop");
    EXPECT_EQ(userdatadir(), homedir() + "/.local/share/velk/");
    EXPECT_EQ(homedir().front(), '/');
}

TEST(autostart, AFolderInTheWayIsReported) {
    test::tempdir dir;
    test::writebytes(dir.file("plain"), "");
    envscope config("XDG_CONFIG_HOME", dir.file("plain"));
    const result blocked = run({"--autostart", "on"});
    EXPECT_EQ(blocked.status, 1);
    EXPECT_EQ(blocked.err.rfind("velk: could not turn autostart on (" + dir.file("plain") +
                                    "/autostart/velk.desktop): ",
                                0),
              0u)
        << blocked.err;
    EXPECT_EQ(blocked.out, "");
}
#endif

TEST(autostart, BadWordsAreAUsageError) {
    const std::vector<std::vector<std::string>> bad = {{"--autostart"},
                                                       {"--autostart", "yes"},
                                                       {"--autostart", "ON"},
                                                       {"--autostart", "on", "off"}};
    for (const auto& args : bad) {
        const result r = run(args);
        EXPECT_EQ(r.status, 2);
        EXPECT_EQ(r.err.rfind("velk: --autostart needs on or off\nUsage: velk", 0), 0u) << r.err;
        EXPECT_EQ(r.out, "");
    }
}

TEST(autostart, ExecWordsAreQuotedAndEscapedWhereNeeded) {
    const std::pair<std::string, std::string> cases[] = {
        {"/usr/bin/velk", "/usr/bin/velk"},
        {"/opt/my apps/velk", "\"/opt/my apps/velk\""},
        {"/opt/100%/velk", "/opt/100%%/velk"},
        {"/opt/a$b/velk", "\"/opt/a\\\\$b/velk\""},
        {"/opt/say \"hi\"/velk", "\"/opt/say \\\\\"hi\\\\\"/velk\""},
        {"/opt/back\\slash/velk", "\"/opt/back\\\\\\\\slash/velk\""},
        {"/opt/`x`;y/velk", "\"/opt/\\\\`x\\\\`;y/velk\""},
    };
    for (const auto& [exe, word] : cases)
        EXPECT_EQ(desktopexec(exe), word) << exe;
}

TEST(help, NamesTheAlarmFileInUse) {
    const result help = run({"--help"});
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("\nAlarm file: " + control::datapath() + "\n"), std::string::npos)
        << help.out;
    EXPECT_NE(help.out.find("velk --autostart on|off"), std::string::npos);
}

} // namespace
} // namespace velk
