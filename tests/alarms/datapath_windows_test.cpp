#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <set>
#include <thread>

#include <windows.h>

#include "alarms/alarmfile.h"
#include "alarms/datapath.h"
#include "alarms/safefile.h"
#include "alarms/winstr.h"
#include "tests/alarms/tempdir.h"
#include "tests/support/fakeclock.h"
#include "tests/support/fakedesktop.h"
#include "tests/support/wideenv.h"
#include "timespec/error.h"

// The Windows files for real: the system's own calls on real files, folders and settings.
namespace velk {
namespace {

using test::fspath;
using test::readbytes;
using test::writebytes;

// Folder names a user may have: blanks, letters beyond ASCII, and beyond the ANSI code page.
const std::string awkwardnames[] = {"plain", "with blanks", "\xc3\x9cml\xc3\xa4ute \xc3\xb1",
                                    "\xe6\x97\xa5\xe6\x9c\xac \xd0\x96"};

std::set<std::string> namesin(const std::string& folder) {
    std::set<std::string> names;
    for (const auto& f : std::filesystem::directory_iterator(fspath(folder)))
        names.insert(test::utf8(f.path().filename()));
    return names;
}

TEST(windowsdatapath, TheUsersFolderIsVelkInAppData) {
    const std::string exe = exedir();
    const std::pair<std::optional<std::string>, std::string> cases[] = {
        {"C:\\Users\\me\\AppData\\Roaming", "C:\\Users\\me\\AppData\\Roaming\\VELK\\"},
        {"C:\\Users\\me\\AppData\\Roaming\\", "C:\\Users\\me\\AppData\\Roaming\\VELK\\"},
        {"D:\\" + awkwardnames[2] + "\\" + awkwardnames[3],
         "D:\\" + awkwardnames[2] + "\\" + awkwardnames[3] + "\\VELK\\"},
        // Without APPDATA only the executable's folder is left.
        {std::nullopt, exe},
        {"", exe},
    };
    for (const auto& [appdata, expected] : cases) {
        SCOPED_TRACE(appdata.value_or("(unset)"));
        test::wideenv env(L"APPDATA", appdata);
        EXPECT_EQ(userdatadir(), expected);
    }
}

// For each awkward name: a writable executable's folder holds the alarm file, and nothing is
// left there by the check; one that cannot take a file sends it to %APPDATA%\VELK, which is
// made. The alarm file is then saved and read back at the place chosen.
TEST(windowsdatapath, BesideTheExecutableWhenWritableElseInAppData) {
    test::fakeclock clock(test::at("2026-12-06 09:00"));
    test::fakedesktop desk;
    for (const auto& name : awkwardnames) {
        SCOPED_TRACE(name);
        test::tempdir dir(name + " ");
        const std::string exefolder = dir.file(name) + "\\";
        const std::string appdata = dir.file("Roaming " + name);
        std::filesystem::create_directory(fspath(exefolder));
        test::wideenv env(L"APPDATA", appdata);
        const std::string user = userdatadir();
        EXPECT_EQ(user, appdata + "\\VELK\\");

        EXPECT_EQ(choosedatapath(exefolder, user), exefolder + "Alarms.data");
        EXPECT_TRUE(namesin(exefolder).empty()) << "the check left a file behind";
        EXPECT_FALSE(std::filesystem::exists(fspath(appdata)));

        // Nothing can be made below a plain file.
        writebytes(dir.file("plain"), "");
        const std::string blocked = dir.file("plain") + "\\" + name + "\\";
        EXPECT_FALSE(folderwritable(blocked));
        const std::string path = choosedatapath(blocked, user);
        EXPECT_EQ(path, appdata + "\\VELK\\Alarms.data");
        ASSERT_TRUE(std::filesystem::is_directory(fspath(user)));

        book b;
        auto e = std::make_unique<event>();
        e->name = name;
        e->time = "8:00";
        b.append(std::move(e));
        alarmfile(path).save(b);
        EXPECT_EQ(namesin(user), std::set<std::string>{"Alarms.data"});
        book back;
        alarmfile(path).load(back);
        ASSERT_EQ(back.evcount(), 1);
        EXPECT_EQ(back.evs(0)->name, name);
    }
}

struct windowsfile : ::testing::Test {
    test::fakeclock clock{test::at("2026-12-06 09:00")};
    test::fakedesktop desk;
    test::tempdir dir{"velk replace \xc3\xa9 "};
    std::string path = dir.file("Alarms.data");
    book old, now;

    windowsfile() {
        auto a = std::make_unique<event>();
        a->name = "old";
        old.append(std::move(a));
        auto b = std::make_unique<event>();
        b->name = "new";
        b->action = {"#msg new"};
        now.append(std::move(b));
    }
    // Opens the alarm file the way a virus scanner or an indexer does: reading, and sharing
    // neither the right to delete nor to rename.
    HANDLE holdfile() const {
        return CreateFileW(win::widen(path).c_str(), GENERIC_READ,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    }
    std::string savemessage(const book& b) {
        try {
            alarmfile(path).save(b);
            return "";
        } catch (const velkerror& e) {
            return e.text;
        }
    }
};

TEST_F(windowsfile, AReplaceHeldUpForAMomentIsTriedAgainUntilItGoesThrough) {
    alarmfile(path).save(old);
    HANDLE h = holdfile();
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    std::thread release([h] {
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        CloseHandle(h);
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(savemessage(now), "");
    const auto took = std::chrono::steady_clock::now() - start;
    release.join();
    EXPECT_GE(took, std::chrono::milliseconds(100)) << "the handle did not hold the replace up";
    EXPECT_EQ(readbytes(path), eventtext(*now.evs(0)));
    EXPECT_EQ(namesin(dir.file("")), std::set<std::string>{"Alarms.data"});
}

TEST_F(windowsfile, AReplaceHeldUpForGoodFailsAndKeepsTheOldFileWhole) {
    alarmfile(path).save(old);
    const std::string before = readbytes(path);
    HANDLE h = holdfile();
    ASSERT_NE(h, INVALID_HANDLE_VALUE);
    const auto start = std::chrono::steady_clock::now();
    const std::string message = savemessage(now);
    const auto took = std::chrono::steady_clock::now() - start;
    CloseHandle(h);
    EXPECT_EQ(message.rfind("Could not save Alarms to file '" + path + "': ", 0), 0u) << message;
    EXPECT_GT(message.size(), ("Could not save Alarms to file '" + path + "': ").size());
    // Every try was made, and no more than the half second they are allowed.
    EXPECT_GE(took,
              std::chrono::milliseconds(datafile::replacepausems * (datafile::replacetries - 1)));
    EXPECT_LT(took, std::chrono::seconds(3));
    EXPECT_EQ(readbytes(path), before);
    EXPECT_EQ(namesin(dir.file("")), std::set<std::string>{"Alarms.data"});
    // Released, the next save goes through.
    EXPECT_EQ(savemessage(now), "");
    EXPECT_EQ(readbytes(path), eventtext(*now.evs(0)));
}

// The user's decimal separator, from the regional settings, changed for real and put back.
class decimalscope {
  public:
    explicit decimalscope(const wchar_t* sep) {
        wchar_t buf[8] = {};
        if (GetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, buf, 8) > 0) before_ = buf;
        ok_ = SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, sep) != 0;
    }
    ~decimalscope() {
        if (!before_.empty()) SetLocaleInfoW(LOCALE_USER_DEFAULT, LOCALE_SDECIMAL, before_.c_str());
    }
    decimalscope(const decimalscope&) = delete;
    decimalscope& operator=(const decimalscope&) = delete;
    bool ok() const { return ok_; }

  private:
    std::wstring before_;
    bool ok_ = false;
};

TEST_F(windowsfile, TheDecimalSeparatorOfTheRegionalSettingsIsRead) {
    struct row {
        const wchar_t* setting;
        char sep;
        datetime comma; // what "46362,5" reads as
    };
    constexpr datetime def = -7;
    const row cases[] = {
        {L",", ',', 46362.5},
        {L".", '.', def},
        // Separators that cannot stand for the file's "." leave it alone.
        {L"\x066b", '.', def},
        {L",,", '.', def},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(win::narrow(c.setting));
        decimalscope scope(c.setting);
        ASSERT_TRUE(scope.ok());
        EXPECT_EQ(localedecimalseparator(), c.sep);
        EXPECT_EQ(timefromfile("46362,5", def), c.comma);
        EXPECT_EQ(timefromfile("46362.5", def), 46362.5);
        // A file edited by hand with the user's separator loads; saves write "." again.
        writebytes(path, "a\r\n8:00\r\n46362,5\r\n-\r\n1\r\n0\r\n\r\n");
        book b;
        alarmfile file(path);
        if (c.comma == def) {
            EXPECT_THROW(file.load(b), velkerror);
            continue;
        }
        file.load(b);
        ASSERT_EQ(b.evcount(), 1);
        EXPECT_EQ(b.evs(0)->created, 46362.5);
        file.save(b);
        EXPECT_EQ(readbytes(path), "a\r\n8:00\r\n46362.5\r\n-\r\n1\r\n0\r\n\r\n");
    }
}

} // namespace
} // namespace velk
