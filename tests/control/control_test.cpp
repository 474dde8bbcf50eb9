// The commands on the alarm file with no window running, the message format, and the lock and
// channel they share with the window.
#include <gtest/gtest.h>

#include <cstring>
#include <thread>
#ifdef _WIN32
#include "tests/support/wideenv.h"
#else
#include <pwd.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#endif

#include "alarms/alarmfile.h"
#include "control/dispatch.h"
#include "control/instance.h"
#include "tests/alarms/tempdir.h"
#include "tests/support/envscope.h"
#include "tests/support/fakeclock.h"
#include "tests/support/fakedesktop.h"
#include "timespec/error.h"

namespace velk::control {
namespace {

using test::at;

std::string block(const std::string& name, const std::string& time, bool active,
                  const std::string& created = "46363.375", const std::string& last = "-") {
    return name + "\r\n" + time + "\r\n" + created + "\r\n" + last + "\r\n" + (active ? "1" : "0") +
           "\r\n0\r\n\r\n";
}

// A temporary alarm file and a private runtime folder of its own, at a fixed time.
class commandtest : public ::testing::Test {
  protected:
    test::tempdir dir;
    test::envscope runtime{"XDG_RUNTIME_DIR", dir.path().string()};
    test::fakeclock clock{at("2026-12-07 09:00:30")};
    test::fakedesktop desk;
    std::string path = dir.file("Alarms.data");

    reply run(const std::vector<std::string>& args, int timeoutms = answerms) {
        return runcommand(args, path, timeoutms);
    }
    std::string file() const { return test::readbytes(path); }
};

struct commandcase {
    const char* what;
    std::string before;
    std::vector<std::string> args;
    int status;
    std::string out, err;
    // The file afterwards: "" means unchanged.
    std::string after = "";
};

TEST_F(commandtest, TableWithoutWindow) {
    const std::string tea = block("Tea", "17:00", true);
    const std::string off = block("Off", "10:00", false);
    const commandcase cases[] = {
        {"add active",
         "",
         {"--add", "Tea", "17:00", "#msg Tea!", "#bln a\nb"},
         0,
         "*  2026-12-07 17:00 mon  (+07:59)  Tea\n",
         "",
         "Tea\r\n17:00\r\n46363.3753472222\r\n-\r\n1\r\n3\r\n#msg Tea!\r\n#bln a\r\nb\r\n\r\n"},
        {"add inactive",
         tea,
         {"--add", "--inactive", "Later", "mon 08:00"},
         0,
         "   2026-12-14 08:00 mon  (+6d 22:59)  Later\n",
         "",
         tea + "Later\r\nmon 08:00\r\n46363.3753472222\r\n-\r\n0\r\n0\r\n\r\n"},
        {"add empty name",
         tea,
         {"--add", " ", "17:00"},
         1,
         "",
         "The name of an Alarm must not be empty!\n"},
        {"add name of two lines",
         tea,
         {"--add", "a\nb", "17:00"},
         1,
         "",
         "The name and the time must be one line each!\n"},
        {"enable",
         off,
         {"--enable", "Off"},
         0,
         "*  2026-12-07 10:00 mon  (+00:59)  Off\n",
         "",
         block("Off", "10:00", true)},
        {"enable a passed time",
         block("Old", "08:00", false, "46362.375"),
         {"--enable", "Old"},
         0,
         "*  2026-12-07 08:00 mon  (+00:00)  Old\n"
         "Its time has come already: VELK runs it when it starts.\n",
         "",
         block("Old", "08:00", true, "46362.375")},
        {"enable a bad time",
         block("Bad", "x", false),
         {"--enable", "Bad"},
         1,
         "",
         "Incorrect time specification: 'x'!\n"},
        {"disable",
         tea,
         {"--disable", "Tea"},
         0,
         "   2026-12-07 17:00 mon  (+07:59)  Tea\n",
         "",
         block("Tea", "17:00", false)},
        {"remove",
         tea + off,
         {"--remove", "Tea"},
         0,
         "Removed: *  2026-12-07 17:00 mon  (+07:59)  Tea\n",
         "",
         off},
        {"empty name to enable",
         tea,
         {"--enable", ""},
         1,
         "",
         "The name of an Alarm must not be empty!\n"},
        {"damaged file",
         tea + "Broken\r\n",
         {"--add", "X", "17:00"},
         1,
         "",
         "Could not read Alarms from file '%'! Incorrect Alarm description (number of lines)!\n"},
        {"agenda of no days", tea, {"--agenda", "0"}, 0, "", ""},
        {"usage: agenda days",
         tea,
         {"--agenda", "x"},
         2,
         "",
         "velk: --agenda needs a whole number of DAYS from 0 to 36525, not 'x'\n"},
        {"usage: add without time",
         tea,
         {"--add", "Tea"},
         2,
         "",
         "velk: --add needs a NAME and a TIME\n"},
        {"usage: two names",
         tea,
         {"--remove", "a", "b"},
         2,
         "",
         "velk: --remove needs exactly one NAME\n"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::filesystem::remove(path);
        if (!c.before.empty()) test::writebytes(path, c.before);
        const reply r = run(c.args);
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.out, c.out);
        std::string err = c.err;
        if (const auto p = err.find('%'); p != std::string::npos) err.replace(p, 1, path);
        EXPECT_EQ(r.err, err);
        EXPECT_EQ(file(), c.after.empty() ? c.before : c.after);
        // A command never sets a damaged file aside.
        EXPECT_FALSE(std::filesystem::exists(path + ".damaged"));
    }
}

TEST_F(commandtest, AgendaStopsAfterAThousandLines) {
    test::writebytes(path, block("Minutely", "N:N", true));
    const reply r = run({"--agenda"});
    ASSERT_EQ(r.status, 0);
    EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), agendalimit + 1);
    // The minute already due comes first, then every minute from now on.
    EXPECT_EQ(r.out.substr(0, 82), "2026-12-07 09:00 mon  (+00:00)  Minutely\n"
                                   "2026-12-07 09:01 mon  (+00:00)  Minutely\n");
    EXPECT_EQ(r.out.substr(r.out.size() - 4), "...\n");
}

TEST_F(commandtest, WaitsForTheLockThenWrites) {
    // A starting window (or another command) holds the lock for a moment.
    instancelock other(lockpath(path));
    ASSERT_TRUE(other.trylock());
    std::thread release([&other] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        other.release();
    });
    const reply r = run({"--add", "Tea", "17:00"});
    release.join();
    EXPECT_EQ(r.status, 0);
    EXPECT_NE(file().find("Tea\r\n"), std::string::npos);
}

TEST_F(commandtest, LockHeldTooLongChangesNothing) {
    instancelock other(lockpath(path));
    ASSERT_TRUE(other.trylock());
    const reply r = run({"--add", "Tea", "17:00"}, 200);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, noanswer() + "\n");
    EXPECT_FALSE(std::filesystem::exists(path));
}

#ifdef _WIN32
TEST_F(commandtest, WindowThatDoesNotAnswer) {
    // A pipe of the window's name that is never read: a window blocked in a long #wait.
    const std::wstring name = win::widen("\\\\.\\pipe\\" + channelname(path));
    HANDLE pipe = CreateNamedPipeW(name.c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE | PIPE_WAIT, 4,
                                   65536, 65536, 0, nullptr);
    ASSERT_NE(pipe, INVALID_HANDLE_VALUE);
    const reply r = run({"--remove", "Tea"}, 300);
    CloseHandle(pipe);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, noanswer() + "\n");
}

TEST_F(commandtest, OneKeyPerFile) {
    test::writebytes(path, "");
    const std::string same[] = {dir.file("ALARMS.DATA"), dir.file("x\\..\\Alarms.data"),
                                dir.file("Alarms.data").replace(0, 1, "c")};
    for (const auto& other : same)
        EXPECT_EQ(keyfor(path), keyfor(other)) << other;
    EXPECT_NE(keyfor(path), keyfor(dir.file("Other.data")));
}

// The lock lives in the user's temporary folder, whatever letters the user's name has.
TEST_F(commandtest, PrivateFolder) {
    const std::string temp = dir.file("J\xc3\xbcrgen \xe6\x97\xa5\xe6\x9c\xac");
    std::filesystem::create_directory(test::fspath(temp));
    test::wideenv tmp(L"TMP", temp);
    EXPECT_EQ(privatedir(), temp + "\\VELK\\");
    EXPECT_TRUE(std::filesystem::is_directory(test::fspath(temp + "\\VELK")));
    instancelock lock(lockpath(path));
    EXPECT_TRUE(lock.trylock());
    instancelock other(lockpath(path));
    EXPECT_FALSE(other.trylock()) << "a second holder of the same lock";
    lock.release();
    EXPECT_TRUE(other.trylock());
    EXPECT_EQ(run({"--add", "Tea", "17:00"}, 200).status, 1) << "the lock is held";
}
#else
// Not on Windows: a Unix socket, Unix modes and a folder link.
TEST_F(commandtest, WindowThatDoesNotAnswer) {
    // Listens but never reads: a window blocked in a long #wait.
    const std::string channel = channelname(path);
    const int s = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strcpy(addr.sun_path, channel.c_str());
    ASSERT_EQ(bind(s, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
    ASSERT_EQ(listen(s, 4), 0);
    const reply r = run({"--remove", "Tea"}, 300);
    close(s);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, noanswer() + "\n");
}

TEST_F(commandtest, PrivateFolder) {
    const std::string folder = privatedir();
    struct stat st {};
    ASSERT_EQ(stat(folder.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0700u);
    EXPECT_EQ(folder, (dir.path() / "velk/").string());
    ASSERT_TRUE(instancelock(lockpath(path)).trylock());
    ASSERT_EQ(stat(lockpath(path).c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 07777, 0600u) << "the lock";
    // A folder others may enter is refused, and so is everything that needs it.
    chmod(folder.c_str(), 0755);
    EXPECT_THROW(privatedir(), velkerror);
    const reply r = run({"--add", "Tea", "17:00"});
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "The folder '" + dir.path().string() +
                         "/velk' is not private to this user; VELK does not use it.\n");
}

// Anyone may make the folder first where no runtime folder is set: the user's cache serves then.
TEST_F(commandtest, TakenTemporaryFolder) {
    test::envscope noruntime("XDG_RUNTIME_DIR", std::nullopt), tmp("TMPDIR", dir.path().string());
    test::envscope cache("XDG_CACHE_HOME", dir.file("cache"));
    const std::string shared = dir.file("velk-" + std::to_string(getuid()));
    EXPECT_EQ(privatedir(), shared + "/");
    // Another user's (only root can give it away), else open to others.
    const passwd* nobody = getpwnam("nobody");
    if (geteuid() != 0 || !nobody || chown(shared.c_str(), nobody->pw_uid, 0) != 0)
        chmod(shared.c_str(), 0755);
    EXPECT_EQ(privatedir(), dir.file("cache/velk/run/"));
}

TEST_F(commandtest, OneKeyPerFile) {
    std::filesystem::create_directory_symlink(dir.path(), dir.file("link"));
    EXPECT_EQ(keyfor(path), keyfor(dir.file("link/Alarms.data")));
    EXPECT_EQ(keyfor(path), keyfor(dir.file("x/../Alarms.data")));
    EXPECT_NE(keyfor(path), keyfor(dir.file("Other.data")));
}

#endif

TEST(message, RoundTrips) {
    const request q{{"--add", "Tea", "", std::string(70000, 'x')}, 123456789012};
    const std::string frame = encode(q);
    framereader reader;
    // Delivered a byte at a time, as a slow stream may.
    for (std::size_t i = 0; i + 1 < frame.size(); ++i)
        ASSERT_EQ(reader.add(frame.substr(i, 1)), framereader::state::more);
    ASSERT_EQ(reader.add(frame.substr(frame.size() - 1)), framereader::state::done);
    EXPECT_EQ(decoderequest(reader.payload()), q);
    const reply a{1, std::string("out\0put", 7), "err\n"};
    EXPECT_EQ(decodereply(encode(a).substr(4)), a);
}

TEST(message, RefusesWhatIsNotExactlyAMessage) {
    const std::string good = encode(request{{"--agenda", "7"}, 5}).substr(4);
    struct bad {
        const char* what;
        std::string payload;
    } cases[] = {
        {"empty", ""},
        {"truncated", good.substr(0, good.size() - 1)},
        {"bytes left over", good + "x"},
        {"wrong tag", "VELKr" + good.substr(5)},
        {"wrong version", good.substr(0, 5) + "\x02" + good.substr(6)},
        {"more words than bytes", good.substr(0, 14) + std::string("\xff\xff\x00\x00", 4)},
        {"word longer than the rest", good.substr(0, 18) + std::string("\xff\x00\x00\x00", 4)},
        {"NUL in a word", encode(request{{std::string("a\0b", 3)}, 5}).substr(4)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_FALSE(decoderequest(c.payload));
        EXPECT_FALSE(decodereply(c.payload));
    }
    EXPECT_TRUE(decoderequest(good));
    // A reply of status 256 does not fit an exit status.
    std::string status = encode(reply{0, "", ""}).substr(4);
    status[7] = 1;
    EXPECT_FALSE(decodereply(status));
}

TEST(message, FrameLimits) {
    framereader large;
    // The announced length alone is refused, before any of it arrives.
    EXPECT_EQ(large.add(std::string("\x01\x00\x10\x00", 4)), framereader::state::refused);
    framereader exact;
    EXPECT_EQ(exact.add(std::string("\x00\x00\x10\x00", 4)), framereader::state::more);
    framereader twice;
    const std::string frame = encode(request{{"--agenda"}, 1});
    EXPECT_EQ(twice.add(frame + frame), framereader::state::refused);
    EXPECT_TRUE(encode(request{{std::string(maxframe, 'x')}, 1}).empty());
    reply r;
    EXPECT_EQ(parsecommand({"--add", "Big", "12:00", std::string(maxframe, 'x')}, r).what,
              command::none);
    EXPECT_EQ(r.status, 2);
    EXPECT_EQ(r.err, "velk: the command is longer than 1 MB\n");
}

} // namespace
} // namespace velk::control
