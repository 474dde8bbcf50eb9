#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QLocalServer>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>

#include "ui/openplan.h"
#include "ui/qtdesktop.h"
#include "ui/tone.h"

using velk::openplan;
using kind = velk::openplan::kind;

Q_DECLARE_METATYPE(velk::openplan::kind)

namespace {

void writefile(const QString& path, const QByteArray& content, bool executable) {
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(content);
    f.close();
    if (executable) f.setPermissions(f.permissions() | QFile::ExeOwner | QFile::ExeUser);
}

int zerocrossings(const std::vector<std::int16_t>& s) {
    int n = 0;
    for (std::size_t i = 1; i < s.size(); ++i)
        if ((s[i - 1] < 0) != (s[i] < 0)) ++n;
    return n;
}

} // namespace

class platformtest : public QObject {
    Q_OBJECT
    QTemporaryDir tmp;
    velk::qtdesktop* desk = nullptr;

    QString at(const QString& name) const { return tmp.filePath(name); }

  private slots:
    void initTestCase() {
        QVERIFY(tmp.isValid());
        QVERIFY(QDir(tmp.path()).mkpath("My Docs/sub folder"));
        writefile(at("My Docs/report.txt"), "report\n", false);
        // Documents on some drives carry the executable bit; they are still documents.
        writefile(at("notes.txt"), "not a program\n", true);
        writefile(at("show args.sh"),
                  "#!/bin/sh\npwd > \"$0.out\"\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done "
                  ">> \"$0.out\"\n",
                  true);
        writefile(at("broken.sh"), "#!/nonexistent/interpreter\n", true);
        // A stand-in for xdg-open: it refuses some addresses and takes long over others.
        QVERIFY(QDir(tmp.path()).mkpath("bin"));
        writefile(
            at("bin/xdg-open"),
            "#!/bin/sh\ncase $1 in *refuse*) exit 3;; *slow*) sleep 3; touch \"$0.done\";; esac\n",
            true);
        writefile(at("doc.refuse"), "\x01\x02", false);
        qputenv("PATH", (at("bin") + ':' + qgetenv("PATH")).toLocal8Bit());
        // Never reaches a real sound server, present or not.
        qputenv("PULSE_SERVER", "unix:/nonexistent/velk-test-pulse");
        desk = new velk::qtdesktop(this);
    }

    void plan_data() {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("params");
        QTest::addColumn<QString>("dir");
        QTest::addColumn<kind>("what");
        QTest::addColumn<QString>("target"); // the program, or the address / file opened
        QTest::addColumn<QStringList>("args");
        QTest::addColumn<QString>("workdir");
        const QString docs = at("My Docs");
        const QString script = at("show args.sh");
        const QString sh = QStandardPaths::findExecutable("sh");

        QTest::newRow("web address")
            << "https://example.org/a?b=c"
            << "x"
            << "" << kind::url << "https://example.org/a?b=c" << QStringList{} << "";
        QTest::newRow("web host without scheme")
            << "www.example.org/x"
            << ""
            << "" << kind::url << "http://www.example.org/x" << QStringList{} << "";
        QTest::newRow("mail address")
            << "mailto:ann@example.org"
            << ""
            << "" << kind::url << "mailto:ann@example.org" << QStringList{} << "";
        QTest::newRow("file address")
            << QUrl::fromLocalFile(at("My Docs/report.txt")).toString() << ""
            << "" << kind::document << at("My Docs/report.txt") << QStringList{} << "";
        QTest::newRow("file address, missing") << "file:///nonexistent/velk/x.txt"
                                               << ""
                                               << "" << kind::none << "" << QStringList{} << "";
        QTest::newRow("quoted path with blanks")
            << "\"" + docs + "/report.txt\""
            << ""
            << "\"" + docs + "/" << kind::document << docs + "/report.txt" << QStringList{} << "";
        QTest::newRow("document with parameters") << docs + "/report.txt"
                                                  << "ignored" << docs + "/" << kind::document
                                                  << docs + "/report.txt" << QStringList{} << "";
        QTest::newRow("folder") << docs + "/sub folder"
                                << "" << docs + "/" << kind::document << docs + "/sub folder"
                                << QStringList{} << "";
        QTest::newRow("executable bit without #!")
            << at("notes.txt") << ""
            << "" << kind::document << at("notes.txt") << QStringList{} << "";
        QTest::newRow("script with quoted arguments")
            << "\"" + script + "\""
            << "a \"b c\" $HOME"
            << "\"" + tmp.path() + "/" << kind::program << script
            << QStringList{"a", "b c", "$HOME"} << tmp.path();
        QTest::newRow("program in a missing folder")
            << script << ""
            << "/nonexistent/velk/" << kind::program << script << QStringList{} << "";
        QTest::newRow("bare name on PATH")
            << "sh"
            << "-c 'x'"
            << "" << kind::program << sh << QStringList{"-c", "'x'"} << "";
        // The first try of an unquoted path with a blank: must fail so that a longer one is tried.
        QTest::newRow("first word of a path with a blank")
            << at("My") << "Docs/report.txt" << tmp.path() + "/" << kind::none << ""
            << QStringList{} << "";
        QTest::newRow("missing file") << at("missing.txt") << ""
                                      << "" << kind::none << "" << QStringList{} << "";
        QTest::newRow("unbalanced quote") << "\"" + at("missing") << ""
                                          << "" << kind::none << "" << QStringList{} << "";
        QTest::newRow("empty") << ""
                               << ""
                               << "" << kind::none << "" << QStringList{} << "";
    }

    void plan() {
        QFETCH(QString, file);
        QFETCH(QString, params);
        QFETCH(QString, dir);
        QFETCH(kind, what);
        QFETCH(QString, target);
        QFETCH(QStringList, args);
        QFETCH(QString, workdir);
        const openplan p = velk::planopen(file, params, dir);
        QCOMPARE(p.what, what);
        if (what == kind::program) {
            QCOMPARE(p.program, target);
            QCOMPARE(p.args, args);
            QCOMPARE(p.workdir, workdir);
        } else if (what == kind::url) {
            QCOMPARE(p.url.toString(), target);
        } else if (what == kind::document) {
            QVERIFY(p.url.isLocalFile());
            QCOMPARE(p.url.toLocalFile(), target);
        }
    }

    // Parameters reach the program as written, with no shell in between to expand or run them.
    void startsprogramwithoutshell() {
        const QString script = at("show args.sh");
        const QString params =
            "plain \"with blank\" \"$(touch canary)\" `touch canary2` ;touch canary3 * $HOME";
        QVERIFY(desk->shellopen(('"' + script + '"').toStdString(), params.toStdString(),
                                ('"' + tmp.path() + "/").toStdString()));
        QFile out(script + ".out");
        QTRY_VERIFY_WITH_TIMEOUT(out.exists() && out.size() > 0, 10000);
        QTest::qWait(200); // the script writes several lines
        QVERIFY(out.open(QIODevice::ReadOnly));
        const QStringList lines = QString::fromUtf8(out.readAll()).split('\n', Qt::SkipEmptyParts);
        QCOMPARE(lines, (QStringList{tmp.path(), "plain", "with blank", "$(touch canary)", "`touch",
                                     "canary2`", ";touch", "canary3", "*", "$HOME"}));
        for (const char* canary : {"canary", "canary2", "canary3"})
            QVERIFY(!QFile::exists(at(canary)));
    }

    void failstoopen_data() {
        QTest::addColumn<QString>("file");
        QTest::newRow("missing") << at("missing.txt");
        QTest::newRow("interpreter missing") << at("broken.sh");
        QTest::newRow("not an address") << QStringLiteral("no such thing");
        QTest::newRow("address the opener refuses") << QStringLiteral("velk-refuse:x");
        QTest::newRow("document the opener refuses") << at("doc.refuse");
    }

    void failstoopen() {
        QFETCH(QString, file);
        QVERIFY(!desk->shellopen(file.toStdString(), "", ""));
    }

    // The opener is waited for at most about two seconds: one still at work then has opened the
    // address and goes on, not killed.
    void openerstillatwork() {
        QElapsedTimer clock;
        clock.start();
        QVERIFY(desk->shellopen("velk-slow:x", "", ""));
        QVERIFY2(clock.elapsed() >= 1900 && clock.elapsed() < 2900,
                 qPrintable(QString::number(clock.elapsed())));
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(at("bin/xdg-open.done")), 5000);
    }

    // Without a sound server a tone is silent but keeps its length.
    void tonekeepsitslength_data() {
        QTest::addColumn<int>("frequency");
        QTest::newRow("audible") << 440;
        QTest::newRow("above the sample rate's limit") << 30000;
        QTest::newRow("zero") << 0;
    }

    void tonekeepsitslength() {
        QFETCH(int, frequency);
        QElapsedTimer clock;
        clock.start();
        desk->tone(frequency, 200);
        QVERIFY2(clock.elapsed() >= 180, qPrintable(QString::number(clock.elapsed())));
        QVERIFY2(clock.elapsed() < 3000, qPrintable(QString::number(clock.elapsed())));
    }

    void samples_data() {
        QTest::addColumn<int>("frequency");
        QTest::addColumn<int>("ms");
        QTest::newRow("440 Hz, 200 ms") << 440 << 200;
        QTest::newRow("1000 Hz, 50 ms") << 1000 << 50;
        QTest::newRow("5000 Hz, 8 ms") << 5000 << 8;
        QTest::newRow("37 Hz, 1000 ms") << 37 << 1000;
    }

    void samples() {
        QFETCH(int, frequency);
        QFETCH(int, ms);
        const auto s = velk::tonesamples(frequency, ms);
        QCOMPARE(int(s.size()), velk::tonerate * ms / 1000);
        // Faded: silent at both ends, full strength in between.
        QCOMPARE(s.front(), std::int16_t(0));
        QVERIFY(std::abs(s.back()) < 500);
        const auto peak = *std::max_element(s.begin(), s.end());
        QVERIFY2(peak > 15000 && peak <= 16384, qPrintable(QString::number(peak)));
        // Two zero crossings a period.
        const double expected = 2.0 * frequency * ms / 1000;
        QVERIFY2(std::abs(zerocrossings(s) - expected) <= 2 + expected * 0.01,
                 qPrintable(QString::number(zerocrossings(s))));
    }

    void unplayabletones() {
        QVERIFY(velk::tonesamples(0, 100).empty());
        QVERIFY(velk::tonesamples(22050, 100).empty());
        QVERIFY(velk::tonesamples(-440, 100).empty());
        QVERIFY(velk::tonesamples(440, 0).empty());
    }

    // A sound server that takes the connection and never answers holds a sound no longer than
    // its length and half a second, also while an earlier sound still waits for it.
    void stuckserver() {
        QLocalServer server;
        QVERIFY(server.listen(at("stuck-pulse")));
        qputenv("PULSE_SERVER", "unix:" + at("stuck-pulse").toLocal8Bit());
        const struct {
            int frequency, ms; // frequency 0: a plain beep
        } rows[] = {{0, 150}, {440, 300}, {440, 300}};
        for (const auto& r : rows) {
            QElapsedTimer clock;
            clock.start();
            r.frequency ? desk->tone(r.frequency, r.ms) : desk->beep();
            QVERIFY2(clock.elapsed() >= (r.frequency ? r.ms : 0) && clock.elapsed() < r.ms + 800,
                     qPrintable(QString::number(clock.elapsed())));
        }
        qputenv("PULSE_SERVER", "unix:/nonexistent/velk-test-pulse");
    }
};

QTEST_MAIN(platformtest)
#include "platform_linux_test.moc"
