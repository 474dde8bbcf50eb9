// The session's rules without a window: what a command may do while a pass or a dialog holds an
// alarm, when a save happens, and what an outside change of the file does.
#include <gtest/gtest.h>

#include "control/alarmsession.h"
#include "tests/alarms/tempdir.h"
#include "tests/support/fakeclock.h"
#include "tests/support/fakedesktop.h"

namespace velk {
namespace {

using test::at;

// A window that only records what the session asks of it.
struct fakehost : sessionhost {
    event* cur = nullptr;
    bool modal = false;
    int reloads = 0, saves = 0;
    std::vector<std::string> warned;
    std::vector<std::function<void()>> pending;
    void setcaption(const std::string&) override {}
    void setinterval(int) override {}
    void editchanged() override {}
    event* curevent() override { return cur; }
    void fillfields(event&) override {}
    int selectedalarm() override { return -1; }
    void refreshlist(int) override {}
    bool commitedits(bool) override { return false; }
    bool modalopen() override { return modal; }
    void forget() override { cur = nullptr; }
    void later(std::function<void()> f) override { pending.push_back(std::move(f)); }
    void warn(const std::string& text) override { warned.push_back(text); }
    void reload() override { ++reloads; }
    void armsave() override { ++saves; }
    bool onlysavewarning() override { return false; }
};

struct sessiontest : ::testing::Test {
    test::fakeclock clock{at("2026-12-07 09:00:30")};
    test::fakedesktop desk;
    test::tempdir dir;
    std::string path = dir.file("Alarms.data");
    fakehost host;
    alarmsession s{path, host};

    void add(const std::string& name) {
        ASSERT_EQ(s.runcommand({"--add", name, "17:00"}).status, 0);
    }
};

TEST_F(sessiontest, CommandsAndTheAlarmsThatHoldThem) {
    const struct {
        const char* what;
        bool busy, current, modal, closed;
        int status;
        bool forgotten;
    } rows[] = {
        {"free", false, false, false, false, 0, false},
        {"in the editor", false, true, false, false, 0, true},
        {"in the editor behind a dialog", false, true, true, false, 1, false},
        {"a dialog of another alarm", false, false, true, false, 0, false},
        {"in its due pass", true, false, false, false, 1, false},
        {"the window closing", false, false, false, true, 1, false},
    };
    for (const auto& r : rows) {
        fakehost h;
        alarmsession one{dir.file(std::string(r.what) + ".data"), h};
        ASSERT_EQ(one.runcommand({"--add", "Tea", "17:00"}).status, 0) << r.what;
        event* tea = one.alarms().evs(0);
        tea->busy = r.busy;
        h.cur = r.current ? tea : nullptr;
        h.modal = r.modal;
        if (r.closed) one.close();
        EXPECT_EQ(one.runcommand({"--remove", "Tea"}).status, r.status) << r.what;
        EXPECT_EQ(one.alarms().evcount(), r.status == 0 ? 0 : 1) << r.what;
        EXPECT_EQ(r.forgotten, r.current && !h.cur) << r.what;
    }
}

TEST_F(sessiontest, TheAnswerComesOnceTheChangeIsOnTheDisk) {
    add("Tea");
    EXPECT_NE(test::readbytes(path).find("Tea\r\n17:00\r\n"), std::string::npos);
    // A command does not wait for the soon save.
    EXPECT_EQ(host.saves, 0);
}

TEST_F(sessiontest, AnOutsideChangeIsLoadedUnlessTheBookChangedToo) {
    const struct {
        const char* what;
        bool inside, nested;
        bool settled;
        int reloads;
    } rows[] = {
        {"only outside", false, false, true, 1},
        {"both changed", true, false, true, 0},
        {"while a pass runs", false, true, false, 0},
    };
    for (const auto& r : rows) {
        fakehost h;
        const std::string file = dir.file(std::string(r.what) + ".data");
        alarmsession one{file, h};
        ASSERT_EQ(one.runcommand({"--add", "Tea", "17:00"}).status, 0) << r.what;
        test::writebytes(file, "");
        if (r.inside) one.alarms().evs(0)->name = "Coffee";
        one.sched().inconfirm = r.nested;
        EXPECT_EQ(one.filechanged(), r.settled) << r.what;
        EXPECT_EQ(h.reloads, r.reloads) << r.what;
    }
}

TEST_F(sessiontest, BothChangedKeepsTheOutsideFileAsideAndSaysSo) {
    add("Tea");
    test::writebytes(path, "");
    s.alarms().evs(0)->name = "Coffee";
    EXPECT_TRUE(s.writefile(true, false));
    ASSERT_EQ(host.warned.size(), 1u);
    EXPECT_EQ(host.warned[0], keptmessage(path, path + ".external"));
    EXPECT_EQ(test::readbytes(path + ".external"), "");
    EXPECT_NE(test::readbytes(path).find("Coffee"), std::string::npos);
}

TEST_F(sessiontest, AChangeArmsTheSaveUntilTheSessionCloses) {
    s.changed();
    s.close();
    s.changed();
    EXPECT_EQ(host.saves, 1);
}

} // namespace
} // namespace velk
