// Commands of the command line against a stopped and a running window (its book, its list and
// its saves), a command racing a window that starts, and the channel refusing what is not a
// request of this user.
#include <QApplication>
#include <QFile>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <atomic>
#include <future>
#include <memory>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

#include "alarms/alarmfile.h"
#include "alarms/displaytime.h"
#include "control/dispatch.h"
#include "tests/support/fakeclock.h"
#include "tests/support/fakedesktop.h"
#include "timespec/error.h"
#include "ui/singleinstance.h"
#include "ui/velkform.h"

using namespace velk;
using velk::test::at;

namespace {

std::string block(const std::string& name, const std::string& time, bool active,
                  datetime created = at("2026-12-07 09:00")) {
    velk::event e;
    e.name = name;
    e.time = time;
    e.created = created;
    e.active = active;
    return eventtext(e);
}

} // namespace

class commandstest : public QObject {
    Q_OBJECT

    QTemporaryDir runtime;
    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<test::fakeclock> clock;
    std::unique_ptr<test::fakedesktop> desk;
    std::unique_ptr<singleinstance> one;
    std::unique_ptr<TVELKForm> form;

    std::string path() const { return dir->filePath("Alarms.data").toStdString(); }
    void writefile(const std::string& text) {
        QFile f(QString::fromStdString(path()));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(text.data(), static_cast<qint64>(text.size()));
    }
    std::string readfile() const {
        QFile f(QString::fromStdString(path()));
        if (!f.open(QIODevice::ReadOnly)) return "";
        return f.readAll().toStdString();
    }
    // A window as the program starts one: the instance first, then the form answering commands.
    bool startwindow() {
        one = std::make_unique<singleinstance>(QString::fromStdString(path()));
        if (!one->claim()) return false;
        form = std::make_unique<TVELKForm>(path(), "tray");
        one->sethandler([this](const std::vector<std::string>& a) { return form->runcommand(a); });
        form->FormCreate();
        return true;
    }
    // Runs a command as another process would, while this thread runs the window's loop.
    control::reply command(const QStringList& args, int timeoutms = control::answerms) {
        std::vector<std::string> words;
        for (const QString& a : args)
            words.push_back(a.toStdString());
        std::atomic<bool> done = false;
        control::reply r;
        std::thread t([&] {
            r = control::runcommand(words, path(), timeoutms);
            done = true;
        });
        while (!done)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        t.join();
        return r;
    }
    QString rows() const {
        QStringList names;
        const book& b = form->alarms();
        for (int r = 0; r < b.evcount(); ++r)
            names << QString::fromStdString(b.evs(b.evorder(r))->name);
        return names.join(',');
    }

  private slots:
    void initTestCase() { qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8()); }
    void init() {
        dir = std::make_unique<QTemporaryDir>();
        clock = std::make_unique<test::fakeclock>(at("2026-12-07 09:00:30"));
        desk = std::make_unique<test::fakedesktop>();
    }
    void cleanup() {
        form.reset();
        one.reset();
        desk.reset();
        clock.reset();
        dir.reset();
    }

    void table_data() {
        QTest::addColumn<bool>("running");
        QTest::addColumn<QString>("before");
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("out");
        QTest::addColumn<QString>("err");
        // The window's list afterwards, top to bottom.
        QTest::addColumn<QString>("list");
        const QString two =
            QString::fromStdString(block("Tea", "17:00", true) + block("Off", "10:00", false));
        const QString twice =
            QString::fromStdString(block("Tea", "17:00", true) + block("Tea", "18:00", true));
        const QString damaged = two + "Broken\r\n";
        std::string full;
        for (int i = 0; i < book::capacity; ++i)
            full += block("n", "12:00", false);
        for (const bool running : {false, true}) {
            auto row = [running](const char* name) -> QTestData& {
                return QTest::addRow("%s %s", running ? "running" : "stopped", name) << running;
            };
            row("add") << two << QStringList{"--add", "Early", "9:30", "#bln early"} << 0
                       << "*  2026-12-07 09:30 mon  (+00:29)  Early\n"
                       << ""
                       << "Off,Early,Tea";
            row("add inactive") << two << QStringList{"--add", "--inactive", "Late", "9:30"} << 0
                                << "   2026-12-07 09:30 mon  (+00:29)  Late\n"
                                << ""
                                << "Late,Off,Tea";
            row("enable") << two << QStringList{"--enable", "Off"} << 0
                          << "*  2026-12-07 10:00 mon  (+00:59)  Off\n"
                          << ""
                          << "Off,Tea";
            row("disable") << two << QStringList{"--disable", "Tea"} << 0
                           << "   2026-12-07 17:00 mon  (+07:59)  Tea\n"
                           << ""
                           << "Tea,Off";
            row("remove") << two << QStringList{"--remove", "Tea"} << 0
                          << "Removed: *  2026-12-07 17:00 mon  (+07:59)  Tea\n"
                          << ""
                          << "Off";
            row("agenda") << two << QStringList{"--agenda"} << 0
                          << "2026-12-07 17:00 mon  (+07:59)  Tea\n"
                             "2026-12-08 17:00 tue  (+1d 07:59)  Tea\n"
                             "2026-12-09 17:00 wed  (+2d 07:59)  Tea\n"
                             "2026-12-10 17:00 thu  (+3d 07:59)  Tea\n"
                             "2026-12-11 17:00 fri  (+4d 07:59)  Tea\n"
                             "2026-12-12 17:00 sat  (+5d 07:59)  Tea\n"
                             "2026-12-13 17:00 sun  (+6d 07:59)  Tea\n"
                          << ""
                          << "Off,Tea";
            row("bad time") << two << QStringList{"--add", "X", "mon 8:00 8:00"} << 1 << ""
                            << "Hour and minute specified more than once!\n"
                            << "Off,Tea";
            row("empty name") << two << QStringList{"--add", "", "8:00"} << 1 << ""
                              << "The name of an Alarm must not be empty!\n"
                              << "Off,Tea";
            row("no such name") << two << QStringList{"--enable", "off"} << 1 << ""
                                << "No Alarm is named 'off'!\n"
                                << "Off,Tea";
            row("several") << twice << QStringList{"--disable", "Tea"} << 1 << ""
                           << "2 Alarms are named 'Tea'! Nothing was changed; rename them in the "
                              "window to tell them apart.\n"
                           << "Tea,Tea";
            row("full") << QString::fromStdString(full) << QStringList{"--add", "X", "8:00"} << 1
                        << ""
                        << "The Alarm list is full (1000 Alarms)!\n"
                        << "";
            // The window starts with an empty book in place of a damaged file.
            row("damaged") << damaged << QStringList{"--add", "X", "8:00"} << 1 << ""
                           << "Could not read Alarms from file '%'! Incorrect Alarm description "
                              "(number of lines)!\n"
                           << "";
        }
        QTest::addRow("running damaged, sent while its first box is open")
            << true << damaged << QStringList{"--add", "X", "8:00"} << 1 << ""
            << "Could not read Alarms from file '%'! Incorrect Alarm description (number of "
               "lines)!\n"
            << "";
    }
    void table() {
        QFETCH(bool, running);
        QFETCH(QString, before);
        QFETCH(QStringList, args);
        QFETCH(int, status);
        QFETCH(QString, out);
        QFETCH(QString, err);
        QFETCH(QString, list);
        control::reply r;
        bool sent = false;
        if (QByteArray(QTest::currentDataTag()).endsWith("box is open"))
            desk->whilemodal = [&] { sent = sent || (r = command(args), true); };
        writefile(before.toStdString());
        if (running) QVERIFY(startwindow());
        if (!sent) r = command(args);
        if (!running) QVERIFY(startwindow());
        QCOMPARE(r.status, status);
        QCOMPARE(QString::fromStdString(r.out), out);
        QCOMPARE(QString::fromStdString(r.err),
                 QString(err).replace('%', dir->filePath("Alarms.data")));
        if (!list.isEmpty()) QCOMPARE(rows(), list);
        // Through the window too, the change is in the file when the command returns.
        std::string shown;
        for (int i = 0; i < form->alarms().evcount(); ++i)
            shown += eventtext(*form->alarms().evs(i));
        if (running && status == 0) QCOMPARE(readfile(), shown);
        // The window's own save (not the command) would set a damaged file aside.
        if (!form->file().damaged()) form->savesoonTimer();
        if (status != 0 || args[0] == "--agenda") QCOMPARE(readfile(), before.toStdString());
        // What the file holds is what the window shows.
        if (status == 0 && running) {
            book reread;
            alarmfile(path()).load(reread);
            QCOMPARE(reread.evcount(), form->alarms().evcount());
        }
        QVERIFY(!QFile::exists(dir->filePath("Alarms.data.damaged")));
    }

    // A failed save (a folder others may write) answers with its message; the window keeps the
    // change for its next save.
    void savefails() {
        writefile(block("Tea", "17:00", true));
        QVERIFY(startwindow());
        const auto mode = QFile::permissions(dir->path());
        QVERIFY(chmod(dir->path().toLocal8Bit().constData(), 0777) == 0);
        const control::reply r = command({"--add", "X", "12:00"});
        QCOMPARE(r.status, 1);
        QVERIFY2(r.err.find(path()) != std::string::npos, r.err.c_str());
        QCOMPARE(rows(), QString("X,Tea"));
        QVERIFY(QFile::setPermissions(dir->path(), mode));
        form->savesoonTimer();
        QVERIFY(readfile().find("X\r\n12:00") != std::string::npos);
    }

    // A hand edit the window has not taken yet, and no change of the window's own: the command
    // changes the edited file.
    void handeditbeforecommand() {
        writefile(block("Tea", "17:00", true));
        QVERIFY(startwindow());
        const std::string edited = block("Tea", "17:00", true) + block("Hand", "18:00", true);
        writefile(edited);
        QCOMPARE(command({"--add", "X", "12:00"}).status, 0);
        QVERIFY(!QFile::exists(dir->filePath("Alarms.data.external")));
        QCOMPARE(rows(), QString("X,Tea,Hand"));
        QVERIFY(readfile().find(edited) == 0);
    }

    // Switched on after its time, an alarm is offered at once, as by the Active button.
    void enablepassed() {
        writefile(block("Old", "08:00", false, at("2026-12-06 09:00")));
        QVERIFY(startwindow());
        const control::reply r = command({"--enable", "Old"});
        QCOMPARE(r.status, 0);
        QCOMPARE(r.out, std::string("*  2026-12-07 08:00 mon  (+00:00)  Old\n"));
        QTRY_COMPARE(desk->of("four").size(), std::size_t(1));
        QVERIFY(desk->of("four")[0].text.find("Old wants to execute its Action.") !=
                std::string::npos);
        QCOMPARE(desk->of("four")[0].defaultbutton, answer::yes);
        // Closed without an answer: skipped, and due next tomorrow.
        QCOMPARE(displaytime(form->alarms().evs(0)->next), std::string("2026-12-08 08:00 tue"));
    }

    // Commands while the window starts: none is lost, none applied twice, whichever of the two
    // held the file at that moment.
    void racingstart() {
        writefile(block("First", "17:00", true));
        std::atomic<int> added = 0;
        std::thread adder([&] {
            for (int i = 0; i < 6; ++i) {
                // Appended: GCC 12 at -O3 warns falsely (-Wrestrict) on "literal" + std::string&&.
                const std::string name = std::string("A").append(std::to_string(i));
                const auto r =
                    control::runcommand({"--add", name, "12:00"}, path(), control::answerms);
                if (r.status == 0) ++added;
                std::this_thread::sleep_for(std::chrono::milliseconds(i * 7));
            }
        });
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        const bool started = startwindow();
        while (added < 6 && started)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        adder.join();
        QVERIFY(started);
        QCOMPARE(added.load(), 6);
        QCOMPARE(form->alarms().evcount(), 7);
        form->savesoonTimer();
        book reread;
        alarmfile(path()).load(reread);
        QCOMPARE(reread.evcount(), 7);
    }

    void channelisprivate() {
        QVERIFY(startwindow());
        struct stat st {};
        QCOMPARE(stat(one->channel().toLocal8Bit().constData(), &st), 0);
        QVERIFY(S_ISSOCK(st.st_mode));
        QCOMPARE(st.st_mode & 0777, 0600u);
        const QString folder = QFileInfo(one->channel()).absolutePath();
        QCOMPARE(stat(folder.toLocal8Bit().constData(), &st), 0);
        QCOMPARE(st.st_mode & 0777, 0700u);
        // A second window for the same file (another process) only asks the first to show
        // itself; when the first holds the file but no longer answers, the second says so.
        QSignalSpy shown(one.get(), &singleinstance::showrequested);
        const QString file = QString::fromStdString(path());
        auto second =
            std::async(std::launch::async, [file] { return singleinstance(file).claim(); });
        QTRY_VERIFY(second.wait_for(std::chrono::seconds(0)) == std::future_status::ready);
        QVERIFY(!second.get());
        QCOMPARE(shown.count(), 1);
        one->stoplistening();
        QVERIFY_THROWS_EXCEPTION(velkerror, singleinstance(file).claim(true, 300));
    }

    // A request the command gave up on is not carried out late, nor one stamped in the future.
    void stalerequest() {
        writefile(block("Tea", "17:00", true));
        QVERIFY(startwindow());
        const std::int64_t now = control::steadyms();
        for (const std::int64_t stamp : {now - control::stalems - 1, now + 3600000}) {
            QLocalSocket s;
            s.connectToServer(one->channel());
            QVERIFY(s.waitForConnected(1000));
            const std::string frame = control::encode(control::request{{"--remove", "Tea"}, stamp});
            s.write(frame.data(), static_cast<qint64>(frame.size()));
            control::framereader reader;
            QTRY_VERIFY(reader.add(s.readAll().toStdString()) == control::framereader::state::done);
            const auto r = control::decodereply(reader.payload());
            QVERIFY(r);
            QCOMPARE(r->status, 1);
            QCOMPARE(r->err, control::noanswer() + "\n");
            QCOMPARE(rows(), QString("Tea"));
        }
    }

    // Connections that send nothing, more than the window serves and more than the process has
    // file handles for: the excess is refused at once, the socket stays, and a command after the
    // flood succeeds.
    void flood() {
        writefile(block("Tea", "17:00", true));
        QVERIFY(startwindow());
        const std::string channel = one->channel().toStdString();
        std::vector<int> clients;
        auto connectmore = [&](int n) {
            for (int i = 0; i < n; ++i) {
                const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK, 0);
                if (fd < 0) return;
                sockaddr_un addr{AF_UNIX, {}};
                channel.copy(addr.sun_path, sizeof addr.sun_path - 1);
                QCOMPARE(::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
                clients.push_back(fd);
            }
        };
        auto refused = [&clients] {
            char c;
            return std::count_if(clients.begin(), clients.end(),
                                 [&c](int fd) { return recv(fd, &c, 1, MSG_DONTWAIT) == 0; });
        };
        connectmore(control::maxconnections + 10);
        QTRY_COMPARE(refused(), 10);
        // Every handle taken by the flood: what waits is refused all the same.
        rlimit before{};
        getrlimit(RLIMIT_NOFILE, &before);
        rlimit low = before;
        const int lowestfree = socket(AF_UNIX, SOCK_STREAM, 0);
        close(lowestfree);
        low.rlim_cur = static_cast<rlim_t>(lowestfree + 20);
        setrlimit(RLIMIT_NOFILE, &low);
        connectmore(100);
        QVERIFY(clients.size() > control::maxconnections + 15);
        QTRY_COMPARE(refused(), static_cast<long>(clients.size()) - control::maxconnections);
        for (const int fd : clients)
            close(fd);
        setrlimit(RLIMIT_NOFILE, &before);
        struct stat st {};
        QCOMPARE(stat(channel.c_str(), &st), 0);
        QCOMPARE(command({"--disable", "Tea"}).status, 0);
    }

    void refused_data() {
        QTest::addColumn<QByteArray>("bytes");
        // Whether the window hangs up at once; a truncated message waits for the rest.
        QTest::addColumn<bool>("hangsup");
        const std::string good =
            control::encode(control::request{{"--remove", "Tea"}, control::steadyms()});
        QTest::newRow("old show line") << QByteArray("show\n") << true;
        QTest::newRow("larger than 1 MB") << QByteArray("\x01\x00\x10\x00", 4) << true;
        QTest::newRow("truncated")
            << QByteArray::fromStdString(good.substr(0, good.size() - 2)) << false;
        QTest::newRow("two messages") << QByteArray::fromStdString(good + good) << true;
        std::string bad = good;
        bad[6] = 'x';
        QTest::newRow("wrong tag") << QByteArray::fromStdString(bad) << true;
    }
    void refused() {
        QFETCH(QByteArray, bytes);
        QFETCH(bool, hangsup);
        writefile(block("Tea", "17:00", true));
        QVERIFY(startwindow());
        QLocalSocket s;
        s.connectToServer(one->channel());
        QVERIFY(s.waitForConnected(1000));
        s.write(bytes);
        QTRY_VERIFY(s.bytesToWrite() == 0);
        // Refused: the window closes the connection without an answer.
        if (hangsup) QTRY_COMPARE(s.state(), QLocalSocket::UnconnectedState);
        QCOMPARE(s.readAll(), QByteArray());
        s.abort();
        QCOMPARE(rows(), QString("Tea"));
        // The window goes on answering.
        QCOMPARE(command({"--disable", "Tea"}).status, 0);
    }
};

QTEST_MAIN(commandstest)
#include "commands_test.moc"
