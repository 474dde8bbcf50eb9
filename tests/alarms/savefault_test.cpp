#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <functional>
#include <map>
#include <set>
#ifndef _WIN32
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

#include "alarms/alarmfile.h"
#include "alarms/safefile.h"
#include "tests/alarms/tempdir.h"
#include "tests/support/fakeclock.h"
#include "tests/support/fakedesktop.h"
#include "timespec/error.h"

namespace velk {
namespace {

using test::readbytes;
using test::writebytes;
using step = std::string;

// The system's operations with one chosen call made to fail, like a device that breaks at a
// given moment. Writes go out in small pieces so that a save takes many of them.
class failingops : public datafile::fileops {
  public:
    step failstep;     // "" fails nothing
    int failat = 1;    // the failstep call that fails (1 = the first)
    int failcount = 1; // how many calls from failat on fail
    std::string reason = "Input/output error";
    bool busy = false; // a failing replace says another program holds the file
    int writepiece = 4096;
    std::map<step, int> calls;
    std::vector<int> pauses;
    std::vector<std::string> temps;

    std::string target(const std::string& path) override { return real.target(path); }
    std::string createtemp(const std::string& path, std::string& temp, handle& h) override {
        if (fails("createtemp")) return reason;
        std::string r = real.createtemp(path, temp, h);
        temps.push_back(temp);
        return r;
    }
    std::string write(handle h, const char* data, size_t size, size_t& written) override {
        if (fails("write")) return reason;
        return real.write(h, data, std::min<size_t>(size, writepiece), written);
    }
    std::string flush(handle h) override { return fails("flush") ? reason : real.flush(h); }
    std::string size(handle h, std::uint64_t& bytes) override {
        std::string r = real.size(h, bytes);
        // The file system dropped the last bytes without a word.
        if (fails("size")) bytes -= 1;
        return r;
    }
    std::string close(handle h) override {
        // Closed for real in every case: a failing close still releases the descriptor.
        std::string r = real.close(h);
        return fails("close") ? reason : r;
    }
    std::function<void(const std::string& to)> beforereplace; // another program's turn
    std::string replace(const std::string& from, const std::string& to, bool& isbusy,
                        std::string* displaced) override {
        if (fails("replace")) {
            isbusy = busy;
            return reason;
        }
        if (beforereplace) beforereplace(to);
        return real.replace(from, to, isbusy, displaced);
    }
    std::string syncfolder(const std::string& path) override {
        return fails("syncfolder") ? reason : real.syncfolder(path);
    }
    void remove(const std::string& path) override { real.remove(path); }
    void pause(int ms) override { pauses.push_back(ms); }

  private:
    bool fails(const step& s) {
        const int n = ++calls[s];
        return s == failstep && n >= failat && n < failat + failcount;
    }
    datafile::fileops& real = datafile::systemfileops();
};

// Puts ops in place for one test.
class opsscope {
  public:
    explicit opsscope(datafile::fileops* ops) { datafile::setfileops(ops); }
    ~opsscope() { datafile::setfileops(nullptr); }
};

#ifdef _WIN32
// Wine does not count handles (GetProcessHandleCount gives 0). A leaked handle still shows: the
// temporary is opened without sharing delete, so it could not be removed and the folder checks
// find it.
int openfds() {
    return 0;
}
#else
int openfds() {
    int n = 0;
    for ([[maybe_unused]] const auto& f : std::filesystem::directory_iterator("/proc/self/fd"))
        ++n;
    return n;
}
#endif

std::unique_ptr<event> makealarm(const std::string& name, size_t actionsize) {
    auto e = std::make_unique<event>();
    e->name = name;
    e->time = "8:00";
    e->action = {std::string(actionsize, 'x')};
    e->recompute();
    return e;
}

struct savefixture : ::testing::Test {
    test::fakeclock clock{test::at("2026-12-06 09:00")};
    test::fakedesktop desk;
    test::tempdir dir;
    std::string path = dir.file("Alarms.data");
    book old, big;
    std::string bigtext; // what saving big writes

    savefixture() {
        old.append(makealarm("old", 10));
        // Some 40 KiB: ten writes of 4 KiB.
        for (int i = 0; i < 4; ++i) {
            big.append(makealarm("new " + std::to_string(i), 10000));
            bigtext += eventtext(*big.evs(i));
        }
    }
    std::set<std::string> folder() const {
        std::set<std::string> names;
        for (const auto& f : std::filesystem::directory_iterator(dir.path()))
            names.insert(f.path().filename().string());
        return names;
    }
    // The save's message, "" when it succeeded.
    std::string savemessage(alarmfile& file, const book& b) {
        try {
            file.save(b);
            return "";
        } catch (const velkerror& e) {
            return e.text;
        }
    }
};

struct faultcase {
    const char* name;
    step failstep;
    int failat;
    std::string reason; // the reason in the message
};

// Every step of a save fails in turn: the message names the file and the reason, the old file
// survives whole, no temporary is left and no descriptor leaks.
TEST_F(savefixture, EachFailingStepKeepsTheOldFileWhole) {
    const std::string full = std::strerror(ENOSPC);
    const faultcase cases[] = {
        {"temporary cannot be made", "createtemp", 1, "Permission denied"},
        {"first write", "write", 1, "Input/output error"},
        {"a middle write", "write", 5, "Input/output error"},
        {"last write", "write", 10, "Input/output error"},
        {"write on a full disk", "write", 3, full},
        {"flush", "flush", 1, "Input/output error"},
        {"written short without an error", "size", 1,
         "the file was written short (" + std::to_string(bigtext.size() - 1) + " of " +
             std::to_string(bigtext.size()) + " bytes)"},
        {"close", "close", 1, "Input/output error"},
        {"replace", "replace", 1, "Permission denied"},
    };
    alarmfile(path).save(old);
    const std::string before = readbytes(path);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        failingops ops;
        ops.failstep = c.failstep;
        ops.failat = c.failat;
        ops.reason = c.reason;
        opsscope scope(&ops);
        const int fds = openfds();
        alarmfile file(path);
        EXPECT_EQ(savemessage(file, big),
                  "Could not save Alarms to file '" + path + "': " + c.reason);
        EXPECT_GE(ops.calls[c.failstep], c.failat) << "the step was never reached";
        EXPECT_EQ(readbytes(path), before);
        EXPECT_EQ(folder(), std::set<std::string>{"Alarms.data"});
        EXPECT_EQ(openfds(), fds);
        // The next save, with nothing failing, goes through.
        ops.failstep = "";
        EXPECT_EQ(savemessage(file, big), "");
        EXPECT_EQ(readbytes(path), bigtext);
        alarmfile(path).save(old);
    }
}

// A write that takes nothing and reports nothing would loop for ever; it is a full disk.
TEST_F(savefixture, AWriteThatTakesNothingIsAFullDisk) {
    class stuckops : public failingops {
        std::string write(handle, const char*, size_t, size_t& written) override {
            written = 0;
            return "";
        }
    } ops;
    alarmfile(path).save(old);
    const std::string before = readbytes(path);
    opsscope scope(&ops);
    alarmfile file(path);
    EXPECT_EQ(savemessage(file, big),
              "Could not save Alarms to file '" + path + "': " + std::strerror(ENOSPC));
    EXPECT_EQ(readbytes(path), before);
    EXPECT_EQ(folder(), std::set<std::string>{"Alarms.data"});
}

// Not on Windows: /dev/full and mounting a small tmpfs have no counterpart there.
#ifndef _WIN32
// Writes to /dev/full fail the way a full disk does, straight from the kernel.
TEST_F(savefixture, WritesToAFullDeviceKeepTheOldFile) {
    const int full = open("/dev/full", O_WRONLY | O_CLOEXEC);
    if (full < 0) GTEST_SKIP() << "no /dev/full on this system";
    class fullops : public failingops {
      public:
        int device = -1;
        std::string write(handle, const char* data, size_t size, size_t& written) override {
            return datafile::systemfileops().write(device, data, size, written);
        }
    } ops;
    ops.device = full;
    alarmfile(path).save(old);
    const std::string before = readbytes(path);
    {
        opsscope scope(&ops);
        alarmfile file(path);
        EXPECT_EQ(savemessage(file, big),
                  "Could not save Alarms to file '" + path + "': " + std::strerror(ENOSPC));
    }
    close(full);
    EXPECT_EQ(readbytes(path), before);
    EXPECT_EQ(folder(), std::set<std::string>{"Alarms.data"});
}

#endif

struct racecase {
    const char* name;
    bool hadfile;  // the file existed at the load
    bool ownagain; // the other program puts back what the file held
    int saves;     // each meeting the same edit
    bool kept;     // the edit is kept as Alarms.data.external
};

// Another program renames its file into place between the last look and the replace: what it
// put there is kept, once however often it comes back, and never what was VELK's own.
TEST_F(savefixture, AFileRenamedInJustBeforeTheReplaceIsKept) {
    const std::string mine = eventtext(*old.evs(0)), edit = mine + eventtext(*big.evs(0));
    const racecase cases[] = {
        {"another program's edit", true, false, 1, true},
        {"the same edit before every save", true, false, 3, true},
        {"a file made where there was none", false, false, 1, true},
        {"the file as VELK last saw it", true, true, 1, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        for (const auto& f : folder())
            std::filesystem::remove(dir.file(f));
        if (c.hadfile) writebytes(path, mine);
        failingops ops;
        ops.beforereplace = [&](const std::string& to) {
            writebytes(path + ".edit", c.ownagain ? mine : edit);
            std::filesystem::rename(path + ".edit", to);
        };
        opsscope scope(&ops);
        alarmfile file(path);
        book b;
        file.load(b);
        for (int i = 0; i < c.saves; ++i) {
            file.save(big);
            EXPECT_EQ(file.keptbysave(), i == 0 && c.kept ? path + ".external" : "");
        }
        EXPECT_EQ(readbytes(path), bigtext);
        if (c.kept) {
            EXPECT_EQ(readbytes(path + ".external"), edit);
        }
        EXPECT_EQ(folder().size(), c.kept ? 2u : 1u);
    }
}

// After the replace the new file is whole in place; a folder that cannot be flushed is still
// reported, since a power cut could bring the old file back.
TEST_F(savefixture, AFolderThatCannotBeFlushedIsReported) {
    alarmfile(path).save(old);
    failingops ops;
    ops.failstep = "syncfolder";
    opsscope scope(&ops);
    alarmfile file(path);
    EXPECT_EQ(savemessage(file, big),
              "Could not save Alarms to file '" + path + "': Input/output error");
    EXPECT_EQ(readbytes(path), bigtext);
    EXPECT_EQ(folder(), std::set<std::string>{"Alarms.data"});
    // Unsure what is on the disk: the next save writes again.
    ops.failstep = "";
    EXPECT_TRUE(file.savechanged(big));
}

struct retrycase {
    const char* name;
    bool busy;
    int failcount;       // replaces that fail in a row
    std::string message; // "" when the save goes through
    int tries;
};

// Another program holding the file (a scanner, an indexer) gets a few tries within half a
// second; other failures are final at once.
TEST_F(savefixture, AReplaceHeldUpByAnotherProgramIsTriedAgain) {
    const std::string denied = "Could not save Alarms to file '" + path + "': Permission denied";
    const retrycase cases[] = {
        {"held for a moment", true, 2, "", 3},
        {"held up to the last try", true, datafile::replacetries - 1, "", datafile::replacetries},
        {"held for good", true, 100, denied, datafile::replacetries},
        {"refused for good", false, 100, denied, 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        alarmfile(path).save(old);
        const std::string before = readbytes(path);
        failingops ops;
        ops.failstep = "replace";
        ops.failcount = c.failcount;
        ops.busy = c.busy;
        ops.reason = "Permission denied";
        opsscope scope(&ops);
        alarmfile file(path);
        EXPECT_EQ(savemessage(file, big), c.message);
        EXPECT_EQ(ops.calls["replace"], c.tries);
        EXPECT_EQ(ops.pauses, std::vector<int>(c.tries - 1, datafile::replacepausems));
        EXPECT_LE(datafile::replacepausems * (datafile::replacetries - 1), 500);
        EXPECT_EQ(readbytes(path), c.message.empty() ? bigtext : before);
        EXPECT_EQ(folder(), std::set<std::string>{"Alarms.data"});
    }
}

TEST_F(savefixture, SaveChangedWritesOnlyWhatTheFileDoesNotHold) {
    alarmfile(path).save(old);
    failingops ops;
    opsscope scope(&ops);
    alarmfile file(path);
    book b;
    file.load(b);
    EXPECT_FALSE(file.savechanged(b)) << "nothing changed since the load";
    EXPECT_EQ(ops.calls["createtemp"], 0);

    b.evs(0)->name = "edited";
    EXPECT_TRUE(file.savechanged(b));
    EXPECT_FALSE(file.savechanged(b));
    EXPECT_EQ(ops.calls["createtemp"], 1);

    // A failed save leaves the file unknown: the same text is tried again.
    b.evs(0)->name = "edited twice";
    ops.failstep = "flush";
    ops.failat = 2;
    EXPECT_THROW(file.savechanged(b), velkerror);
    ops.failstep = "";
    EXPECT_TRUE(file.savechanged(b));
    book back;
    alarmfile(path).load(back);
    EXPECT_EQ(back.evs(0)->name, "edited twice");

    // The five-minute save writes whatever the file holds.
    file.save(b);
    EXPECT_EQ(ops.calls["createtemp"], 4);
}

TEST_F(savefixture, SaveChangedAfterLoadsThatFoundNoFileOrADamagedOne) {
    // No file and no alarms: nothing to write.
    alarmfile none(path);
    book b;
    none.load(b);
    EXPECT_FALSE(none.savechanged(b));
    EXPECT_FALSE(datafile::exists(path));

    // An LF file holds other bytes than the book would write: it is written once.
    writebytes(path, "a\n8:00\n46362.5\n-\n0\n0\n\n");
    alarmfile lf(path);
    lf.load(b);
    EXPECT_TRUE(lf.savechanged(b));
    EXPECT_FALSE(lf.savechanged(b));

    // A damaged file is set aside even though the book (empty) has not changed.
    writebytes(path, "damaged");
    alarmfile damaged(path);
    EXPECT_THROW(damaged.load(b), velkerror);
    EXPECT_TRUE(damaged.savechanged(b));
    EXPECT_EQ(readbytes(path + ".damaged"), "damaged");
    EXPECT_EQ(readbytes(path), "");
}

#ifndef _WIN32
// A real file system that runs full: a tiny tmpfs of 64 KiB.
class tinyfs {
  public:
    explicit tinyfs(const std::string& where) : where_(where) {
        if (mount("tmpfs", where.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, "size=64k,mode=0700") == 0)
            mounted_ = true;
        else
            why_ = std::strerror(errno);
    }
    ~tinyfs() {
        if (mounted_) umount2(where_.c_str(), MNT_DETACH);
    }
    bool mounted() const { return mounted_; }
    const std::string& why() const { return why_; }

  private:
    std::string where_;
    bool mounted_ = false;
    std::string why_;
};

// A new alarm file is private, an old one keeps its mode, whatever the mask. The temporary
// is renamed into place, so its mode is the file's. Rows: the old mode (0: none), mask, mode.
TEST_F(savefixture, ModesOfTheTemporaryAndTheFile) {
    const unsigned rows[][3] = {{0, 0, 0600}, {0, 077, 0600}, {0644, 022, 0644}, {0640, 077, 0640}};
    for (const auto& [oldmode, mask, want] : rows) {
        std::filesystem::remove(path);
        if (oldmode) writebytes(path, ""), chmod(path.c_str(), oldmode);
        const mode_t before = umask(mask);
        alarmfile(path).save(old);
        umask(before);
        struct stat st {};
        EXPECT_EQ(stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0, want) << oldmode;
    }
}

TEST_F(savefixture, AFullFileSystemKeepsTheOldFileWhole) {
    const std::string mnt = dir.file("tiny");
    std::filesystem::create_directory(mnt);
    tinyfs fs(mnt);
    if (!fs.mounted())
        GTEST_SKIP() << "cannot mount a small tmpfs here (" << fs.why()
                     << "); needs root or CAP_SYS_ADMIN";
    const std::string file = mnt + "/Alarms.data";
    // 40 KiB old file: the 40 KiB new one cannot be written beside it.
    book oldbig;
    for (int i = 0; i < 4; ++i)
        oldbig.append(makealarm("old " + std::to_string(i), 10000));
    alarmfile(file).save(oldbig);
    const std::string before = readbytes(file);
    ASSERT_GT(before.size() + bigtext.size(), 64u * 1024);

    alarmfile target(file);
    try {
        target.save(big);
        FAIL() << "a 40 KiB file was written beside another on a 64 KiB file system";
    } catch (const velkerror& e) {
        EXPECT_EQ(e.text, "Could not save Alarms to file '" + file + "': " + std::strerror(ENOSPC));
    }
    EXPECT_EQ(readbytes(file), before);
    std::set<std::string> names;
    for (const auto& f : std::filesystem::directory_iterator(mnt))
        names.insert(f.path().filename().string());
    EXPECT_EQ(names, std::set<std::string>{"Alarms.data"});

    // With the space back, a smaller book is saved.
    EXPECT_NO_THROW(target.save(old));
    EXPECT_EQ(readbytes(file), eventtext(*old.evs(0)));
}

#endif

} // namespace
} // namespace velk
