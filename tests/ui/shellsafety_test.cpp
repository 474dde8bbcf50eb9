#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include "alarms/event.h"
#include "execution/script.h"
#include "ui/qtdesktop.h"

namespace {

// The real desktop, with messages kept instead of shown, so that a script error does not wait
// for a click.
class quietdesktop : public velk::qtdesktop {
  public:
    QStringList messages;
    void showmessage(const std::string& text) override { messages << QString::fromStdString(text); }
};

QStringList readargv(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) return {};
    QStringList out;
    for (const QByteArray& arg : f.readAll().split('\0'))
        out << QString::fromUtf8(arg);
    out.removeLast(); // after the last NUL
    return out;
}

} // namespace

// Script lines full of shell syntax go to the program they name, word for word: no shell
// expands, joins or runs anything, so no canary file ever appears.
class shellsafetytest : public QObject {
    Q_OBJECT
    QTemporaryDir tmp;
    quietdesktop* desk = nullptr;
    QString log;

    QString at(const QString& name) const { return tmp.filePath(name); }
    // {T} stands for the temporary folder.
    QString fill(QString text) const { return text.replace("{T}", tmp.path()); }
    QStringList fill(QStringList list) const {
        for (QString& s : list)
            s = fill(s);
        return list;
    }
    void placerecorder(const QString& path) {
        QVERIFY(QDir().mkpath(QFileInfo(path).path()));
        QVERIFY(QFile::copy(QStringLiteral(VELK_ARGVRECORDER), path));
    }

  private slots:
    void initTestCase() {
        QVERIFY(tmp.isValid());
        placerecorder(at("rec"));
        placerecorder(at("my tools/rec"));
        // A program whose name looks like an option, found on PATH.
        placerecorder(at("bin/-rec"));
        // The desktop's opener: it records what it was given and refuses some.
        QFile opener(at("bin/xdg-open"));
        QVERIFY(opener.open(QIODevice::WriteOnly));
        opener.write("#!/bin/sh\n\"${0%/bin/xdg-open}/rec\" \"$0\" \"$@\"\n"
                     "case $1 in *refuse*) exit 3;; esac\n");
        opener.close();
        QVERIFY(opener.setPermissions(opener.permissions() | QFile::ExeOwner));
        qputenv("PATH", (at("bin") + ':' + qgetenv("PATH")).toLocal8Bit());
        log = at("argv.log");
        qputenv("VELK_ARGV_LOG", log.toLocal8Bit());
        // A shell would expand globs and run relative commands here.
        QVERIFY(QDir::setCurrent(tmp.path()));
        desk = new quietdesktop;
    }

    void cleanupTestCase() {
        // A shell started in the background would have had its time by now.
        QTest::qWait(300);
        QVERIFY(!QFile::exists(at("canary")));
        delete desk;
    }

    void lines_data() {
        QTest::addColumn<QString>("line");
        QTest::addColumn<QStringList>("argv"); // the program first; empty: nothing starts
        QTest::addColumn<QString>("message");  // the script error, or ""
        const QString rec = "{T}/rec";

        QTest::newRow(";") << "{T}/rec a;touch {T}/canary"
                           << QStringList{rec, "a;touch", "{T}/canary"} << "";
        QTest::newRow("; between blanks")
            << "{T}/rec a ; touch {T}/canary" << QStringList{rec, "a", ";", "touch", "{T}/canary"}
            << "";
        QTest::newRow("|") << "{T}/rec a | touch {T}/canary"
                           << QStringList{rec, "a", "|", "touch", "{T}/canary"} << "";
        QTest::newRow("&&") << "{T}/rec a&&touch {T}/canary"
                            << QStringList{rec, "a&&touch", "{T}/canary"} << "";
        QTest::newRow("$(...)") << "{T}/rec $(touch {T}/canary)"
                                << QStringList{rec, "$(touch", "{T}/canary)"} << "";
        QTest::newRow("$(...) quoted")
            << "{T}/rec \"$(touch {T}/canary)\"" << QStringList{rec, "$(touch {T}/canary)"} << "";
        QTest::newRow("backticks")
            << "{T}/rec `touch {T}/canary`" << QStringList{rec, "`touch", "{T}/canary`"} << "";
        QTest::newRow("variables")
            << "{T}/rec $HOME ${PATH}" << QStringList{rec, "$HOME", "${PATH}"} << "";
        QTest::newRow("~") << "{T}/rec ~ ~/x ~root" << QStringList{rec, "~", "~/x", "~root"} << "";
        QTest::newRow("*") << "{T}/rec * {T}/* ?ec" << QStringList{rec, "*", "{T}/*", "?ec"} << "";
        QTest::newRow("redirection") << "{T}/rec >{T}/canary <{T}/rec 2>&1"
                                     << QStringList{rec, ">{T}/canary", "<{T}/rec", "2>&1"} << "";
        QTest::newRow("newline in the parameters")
            << "{T}/rec a\ntouch {T}/canary" << QStringList{rec, "a", "touch", "{T}/canary"} << "";
        QTest::newRow("quotes") << "{T}/rec 'single quoted' \"double quoted\""
                                << QStringList{rec, "'single", "quoted'", "double quoted"} << "";
        QTest::newRow("leading - in the parameters")
            << "{T}/rec -rf --help - --" << QStringList{rec, "-rf", "--help", "-", "--"} << "";
        QTest::newRow("leading - in the program's name")
            << "-rec -c 'touch {T}/canary'"
            << QStringList{"{T}/bin/-rec", "-c", "'touch", "{T}/canary'"} << "";
        QTest::newRow("quoted path with a blank")
            << "\"{T}/my tools/rec\" x;touch {T}/canary"
            << QStringList{"{T}/my tools/rec", "x;touch", "{T}/canary"} << "";
        QTest::newRow("unquoted path with a blank")
            << "{T}/my tools/rec $(touch {T}/canary)"
            << QStringList{"{T}/my tools/rec", "$(touch", "{T}/canary)"} << "";
        const QStringList opener{rec, "{T}/bin/xdg-open"};
        QTest::newRow("mail address with its scheme")
            << "mailto:ann@example.org" << opener + QStringList{"mailto:ann@example.org"} << "";
        QTest::newRow("web address with an @")
            << "https://medium.com/@ann.smith/post"
            << opener + QStringList{"https://medium.com/@ann.smith/post"} << "";
        QString words = "https://example.org/refuse";
        for (int i = 0; i < 100; ++i)
            words += " w" + QString::number(i);
        QTest::newRow("address the opener refuses, with 100 words")
            << words << opener + QStringList{"https://example.org/refuse"}
            << "Error while executing '" + words + "'!";
        QTest::newRow("option-like line, nothing to start")
            << "-c touch {T}/canary" << QStringList{}
            << "Error while executing '-c touch {T}/canary'!";
        QTest::newRow("command joined by ;, nothing to start")
            << "no-such-program;touch${IFS}{T}/canary" << QStringList{}
            << "Error while executing 'no-such-program;touch${IFS}{T}/canary'!";
        QTest::newRow("|, nothing to start")
            << "no-such-program|touch {T}/canary" << QStringList{}
            << "Error while executing 'no-such-program|touch {T}/canary'!";
    }

    void lines() {
        QFETCH(QString, line);
        QFETCH(QStringList, argv);
        QFETCH(QString, message);
        QFile::remove(log);
        desk->messages.clear();
        velk::event alarm;
        alarm.name = "shell";
        alarm.action = {fill(line).toStdString()};
        QCOMPARE(velk::runaction(alarm), message.isEmpty());
        QCOMPARE(desk->messages, message.isEmpty() ? QStringList{} : QStringList{fill(message)});
        if (argv.isEmpty()) {
            QTest::qWait(100);
            QVERIFY(!QFile::exists(log));
        } else {
            QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(log), 10000);
            QCOMPARE(readargv(log), fill(argv));
        }
        QVERIFY(!QFile::exists(at("canary")));
    }
};

QTEST_MAIN(shellsafetytest)
#include "shellsafety_test.moc"
