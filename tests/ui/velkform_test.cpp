// The main window: layout, start-up and exit, the live editor and its buttons, the list's keys,
// and alarms firing through the real window with a fake clock.
#include <QAction>
#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <future>
#include <memory>

#include "alarms/alarmfile.h"
#include "alarms/displaytime.h"
#include "alarms/settings.h"
#include "execution/session.h"
#include "tests/support/envscope.h"
#include "tests/support/fakeclock.h"
#include "tests/support/fakedesktop.h"
#include "ui/editornotes.h"
#include "ui/minutewake.h"
#include "ui/singleinstance.h"
#include "ui/velkform.h"

using namespace velk;
using velk::test::at;

Q_DECLARE_METATYPE(QList<int>)

namespace {

std::string blockof(const std::string& name, const std::string& time, datetime created,
                    datetime last, bool active, const std::vector<std::string>& action = {}) {
    velk::event e;
    e.name = name;
    e.time = time;
    e.created = created;
    e.last = last;
    e.active = active;
    e.action = action;
    return eventtext(e);
}

} // namespace

class velkformtest : public QObject {
    Q_OBJECT

    std::unique_ptr<QTemporaryDir> dir;
    std::unique_ptr<test::fakeclock> clock;
    std::unique_ptr<test::fakedesktop> desk;
    std::unique_ptr<TVELKForm> form;

    std::string path() const { return dir->filePath("Alarms.data").toStdString(); }
    void writefile(const std::string& text) {
        QFile f(QString::fromStdString(path()));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write(text.data(), static_cast<qint64>(text.size()));
    }
    std::string readfile() const {
        QFile f(QString::fromStdString(path()));
        if (!f.open(QIODevice::ReadOnly)) return "<missing>";
        return f.readAll().toStdString();
    }
    void start(const std::string& cmdline = "") {
        form = std::make_unique<TVELKForm>(path(), cmdline);
        form->FormCreate();
    }
    template <class T> T* find(const char* name) const {
        T* w = form->findChild<T*>(QString::fromLatin1(name));
        if (!w) qFatal("no widget %s", name);
        return w;
    }
    QPushButton* button(const char* name) const { return find<QPushButton>(name); }
    QString label(const char* name) const { return find<QLabel>(name)->text(); }
    velk::event& alarmat(int row) const { return *form->alarms().evs(form->alarms().evorder(row)); }
    void type(QWidget* w, const QString& text) { QTest::keyClicks(w, text); }
    // A new alarm typed into the empty editor; it is the current one afterwards.
    void newalarm(const QString& name, const QString& time, bool activate) {
        button("newevent")->click();
        type(form->cname(), name);
        type(form->ctime(), time);
        if (activate) button("bactive")->click();
    }
    int count(const char* kind) const { return static_cast<int>(desk->of(kind).size()); }

  private slots:
    void init() {
        resetsession();
        dir = std::make_unique<QTemporaryDir>();
        clock = std::make_unique<test::fakeclock>(at("2026-12-07 09:00:30"));
        desk = std::make_unique<test::fakedesktop>();
    }
    void cleanup() {
        form.reset();
        desk.reset();
        clock.reset();
        dir.reset();
    }

    void layout_data() {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QRect>("geometry");
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("hint");
        auto row = [](const char* n, QRect r, const char* text = "", const char* hint = "") {
            QTest::newRow(n) << QString::fromLatin1(n) << r << QString::fromLatin1(text)
                             << QString::fromLatin1(hint);
        };
        row("panel", {0, 0, 523, 227});
        row("lbevents", {0, 227, 523, 328});
        row("cname", {63, 8, 451, 21});
        row("ctime", {63, 35, 341, 21});
        row("meaction", {63, 62, 451, 82});
        row("lnote", {63, 145, 451, 14});
        row("btempl", {410, 35, 49, 21}, "+ Templ");
        row("testtime", {465, 35, 49, 21}, "Test");
        row("Button1", {8, 84, 49, 21}, "+ &File");
        row("bspecial", {8, 111, 49, 21}, "+ #cmd");
        row("testaction", {8, 138, 49, 21}, "Test");
        row("settonow", {210, 165, 97, 25}, "&Set to Now", "Set Start time to Now");
        row("bactive", {210, 196, 97, 25}, "-", "Toggle Active");
        row("duplevent", {314, 165, 97, 25}, "&Duplicate");
        row("delevent", {314, 196, 97, 25}, "Delete");
        row("newevent", {417, 165, 97, 56}, "&New");
    }
    void layout() {
        QFETCH(QString, name);
        QFETCH(QRect, geometry);
        QFETCH(QString, text);
        QFETCH(QString, hint);
        start();
        QCOMPARE(form->size(), QSize(523, 555));
        QCOMPARE(form->minimumSize(), form->maximumSize());
        auto* w = form->findChild<QWidget*>(name);
        QVERIFY(w);
        QCOMPARE(w->geometry(), geometry);
        if (auto* b = qobject_cast<QPushButton*>(w)) {
            QCOMPARE(b->text(), text);
            QCOMPARE(b->toolTip(), hint);
        }
    }

    void labelsandtaborder() {
        start();
        const std::pair<const char*, QPoint> labels[] = {
            {"Label2", {8, 11}},     {"Label1", {8, 38}},  {"Label3", {8, 65}},
            {"Label4", {8, 170}},    {"Label5", {8, 189}}, {"Label6", {8, 208}},
            {"lcreated", {63, 170}}, {"llast", {63, 189}}, {"lnext", {63, 208}}};
        for (const auto& [name, pos] : labels)
            QCOMPARE(find<QLabel>(name)->pos(), pos);
        QCOMPARE(label("Label2"), QString("Name:"));
        QCOMPARE(label("Label4"), QString("Start:"));
        // What a screen reader says of fields and buttons whose captions say too little.
        QCOMPARE(find<QLabel>("Label1")->buddy(), form->ctime());
        for (auto [name, spoken] : {std::pair{"testtime", "Test time"},
                                    {"testaction", "Test action"},
                                    {"bactive", "Active: no alarm"},
                                    {"lnext", "Next run: none"}})
            QCOMPARE(find<QWidget>(name)->accessibleName(), QString(spoken));
        // After start-up the editor is empty.
        for (const char* l : {"lcreated", "llast", "lnext"})
            QCOMPARE(label(l), QString("-"));
        const char* order[] = {"cname",     "ctime",    "meaction", "bactive",    "btempl",
                               "testtime",  "Button1",  "bspecial", "testaction", "settonow",
                               "duplevent", "delevent", "newevent", "lbevents"};
        auto nexttab = [](QWidget* w) {
            do
                w = w->nextInFocusChain();
            while (!(w->focusPolicy() & Qt::TabFocus));
            return w;
        };
        for (std::size_t i = 0; i + 1 < std::size(order); ++i)
            QCOMPARE(nexttab(form->findChild<QWidget*>(order[i]))->objectName(),
                     QString::fromLatin1(order[i + 1]));
        for (const char* b : {"settonow", "duplevent", "delevent", "newevent"}) {
            const QIcon icon = button(b)->icon();
            QVERIFY2(!icon.isNull(), b);
            QVERIFY(icon.pixmap(16, 16, QIcon::Normal).toImage() !=
                    icon.pixmap(16, 16, QIcon::Disabled).toImage());
        }
    }

    // The tray's switch is saved in the settings; while on, the alarm within a day is armed.
    void wakeitem() {
        test::envscope config("XDG_CONFIG_HOME", dir->path().toStdString());
        writefile(blockof("Tea", "09:30", at("2026-12-07 09:00"), at("2026-12-07 09:00"), true));
        start("tray");
        auto* item = form->traymenu()->findChild<QAction*>(QStringLiteral("wakeitem"));
        QVERIFY(item && item->isCheckable() && !item->isChecked());
        QCOMPARE(form->wake().alarm().armedat(), -1LL);
        if (!item->isEnabled()) QSKIP("this machine offers no way to wake");
        item->trigger();
        QVERIFY(settings::wake());
        QVERIFY(qAbs(form->wake().alarm().armedat() - wallms(alarmat(0).next)) < 1000);
        item->trigger();
        QVERIFY(!settings::wake());
        QCOMPARE(form->wake().alarm().armedat(), -1LL);
    }

    void trayword_data() {
        QTest::addColumn<QString>("cmdline");
        QTest::addColumn<bool>("tray");
        QTest::newRow("none") << "" << false;
        QTest::newRow("tray") << "tray" << true;
        QTest::newRow("among others") << "-x tray -y" << true;
        QTest::newRow("upper case") << "TRAY" << false;
        QTest::newRow("part of a word") << "trayful" << false;
        QTest::newRow("after a word") << "intray" << false;
        QTest::newRow("quoted") << "\"tray\"" << false;
    }
    void trayword() {
        QFETCH(QString, cmdline);
        QFETCH(bool, tray);
        QCOMPARE(TVELKForm::wantstray(cmdline.toStdString()), tray);
        start(cmdline.toStdString());
        // Hidden in the tray, or on the task bar where the desktop has no tray.
        const bool shown = form->isVisible() && !form->isMinimized();
        QCOMPARE(shown, !tray);
        if (!tray) return;
        form->trayiconClick();
        QVERIFY(form->isVisible() && !form->isMinimized());
    }

    void damagedfile_data() {
        QTest::addColumn<bool>("earlier");
        QTest::addColumn<QString>("aside");
        QTest::newRow("first damage") << false << "Alarms.data.damaged";
        QTest::newRow("damaged before") << true << "Alarms.data.damaged.1";
    }
    void damagedfile() {
        QFETCH(bool, earlier);
        QFETCH(QString, aside);
        const std::string damaged = blockof("Good", "8:00", at("2026-12-01 10:00"), novalue, true) +
                                    "Broken\r\n8:00\r\n-\r\n-\r\n1\r\n0\r\n\r\n";
        writefile(damaged);
        if (earlier)
            QVERIFY(QFile(dir->filePath("Alarms.data.damaged")).open(QIODevice::WriteOnly));
        start();
        // Both messages word for word, and where the damaged file will be.
        const std::string kept = dir->filePath(aside).toStdString();
        QCOMPARE(
            desk->messages(),
            (std::vector<std::string>{std::string(filemessage::creationtime),
                                      filemessage::couldnotread(path()) +
                                          "\r\nThe damaged file will be kept as '" + kept + "'."}));
        form->saveevsTimer();
        QFile keptfile(QString::fromStdString(kept));
        QVERIFY(keptfile.open(QIODevice::ReadOnly));
        QCOMPARE(keptfile.readAll().toStdString(), damaged);
        QCOMPARE(readfile(), std::string());
        QCOMPARE(form->alarms().evcount(), 0);
        QCOMPARE(form->lbevents()->model()->rowCount(), 0);
        // Start-up stopped there: no tick yet, the design texts stay.
        QCOMPARE(form->windowTitle(), QString("[Orlimbo]"));
        QCOMPARE(label("lnext"), QString("0000-00-00 00:00 mon"));
        QCOMPARE(form->tt().interval(), 30000);
    }

    // A hand edit while the window runs: taken as at start when the window has no change of its
    // own (the editor keeping its alarm), else kept aside before the window saves its own.
    void handedit_data() {
        QTest::addColumn<bool>("own");
        QTest::addColumn<QByteArray>("edited");
        QTest::addColumn<int>("alarms"); // in the window afterwards
        const auto alarm = [](const char* name, const char* time) {
            return QByteArray::fromStdString(blockof(name, time, at("2026-12-06 10:00"),
                                                     at("2026-12-06 17:00"), true, {"#msg"}));
        };
        const QByteArray tea = alarm("Tea", "17:00"), both = tea + alarm("New", "18:00");
        QTest::newRow("taken") << false << both << 2;
        QTest::newRow("damaged") << false << tea + "Broken\r\n" << 0;
        QTest::newRow("both changed") << true << both << 2;
    }
    void handedit() {
        QFETCH(bool, own);
        QFETCH(QByteArray, edited);
        QFETCH(int, alarms);
        writefile(blockof("Tea", "17:00", at("2026-12-06 10:00"), at("2026-12-06 17:00"), true,
                          {"#msg"}));
        start();
        form->showevent(0);
        if (own) newalarm("Mine", "12:00", true);
        writefile(edited.toStdString());
        if (own) form->savesoonTimer();
        QTRY_COMPARE(form->alarms().evcount(), alarms);
        // The damaged file's two messages and where the window's Alarms went; the missed run of
        // New (#msg), or where the edit went.
        QTRY_COMPARE(count("message"), alarms == 0 ? 3 : 1);
        // A damaged edit would leave the window's Alarms nowhere: they are kept.
        QFile external(dir->filePath("Alarms.data.external"));
        QCOMPARE(external.open(QIODevice::ReadOnly), own || alarms == 0);
        if (own) QCOMPARE(external.readAll(), edited);
        if (alarms == 0) QVERIFY(external.readAll().startsWith("Tea\r\n17:00"));
        if (alarms && !own) QCOMPARE(form->curevent()->name, std::string("Tea"));
    }

    // Bytes of the file that are not UTF-8, or that the editor shows differently, are written
    // back unchanged unless the user edits that field.
    void bytesarekept_data() {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("time");
        QTest::addColumn<QByteArray>("action");
        QTest::addColumn<QString>("typed"); // added to the name field, when not empty
        QTest::addColumn<QString>("shownname");
        QTest::newRow("latin-1") << QByteArray("M\xfcller") << QByteArray("M\xfcller 8:00")
                                 << QByteArray("#msg M\xfcller\n\nx\xa0y") << QString()
                                 << QString("M\u00fcller");
        QTest::newRow("latin-1, the name edited")
            << QByteArray("M\xfcller") << QByteArray("M\xfcller 8:00")
            << QByteArray("#msg M\xfcller") << QString("!") << QString("M\u00fcller!");
        QTest::newRow("longer than a line edit's usual limit")
            << QByteArray(40000, 'n') << QByteArray("8:00") << QByteArray("#bln") << QString()
            << QString(40000, QLatin1Char('n'));
        QTest::newRow("utf-8 the editor would change") << QByteArray("a\xc2\xa0"
                                                                     "b")
                                                       << QByteArray("8:00")
                                                       << QByteArray("#msg a\xe2\x80\xa9"
                                                                     "b\nc\xc2\xa0"
                                                                     "d\xe2\x80\xa8"
                                                                     "e\n")
                                                       << QString() << QString("a\u00a0b");
    }
    void bytesarekept() {
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, time);
        QFETCH(QByteArray, action);
        QFETCH(QString, typed);
        QFETCH(QString, shownname);
        const QList<QByteArray> lines = action.split('\n');
        std::string text = name.toStdString() + "\r\n" + time.toStdString() +
                           "\r\n46362.5\r\n-\r\n0\r\n" + std::to_string(lines.size()) + "\r\n";
        for (const QByteArray& l : lines)
            text += l.toStdString() + "\r\n";
        text += "\r\n";
        // An active alarm that is not due keeps its file lines through a tick as well.
        const std::string other = blockof("Later \xe9t\xe9", "2027-1-1 8:00",
                                          at("2026-12-01 10:00"), novalue, true, {"#bln \xe9"});
        writefile(text + other);
        start();
        QCOMPARE(form->alarms().evcount(), 2);
        for (int row = 0; row < 2; ++row) {
            form->lbevents()->setCurrentIndex(form->lbevents()->model()->index(row, 0));
            QVERIFY(form->curevent());
            QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
            QApplication::sendEvent(form->meaction(), &out);
            form->ttTimer();
        }
        form->lbevents()->setCurrentIndex(form->lbevents()->model()->index(0, 0));
        if (!typed.isEmpty()) {
            form->cname()->end(false);
            type(form->cname(), typed);
        }
        QCOMPARE(form->cname()->text(), shownname);
        form->ttTimer();
        form->hide();
        form->close();
        QVERIFY(form->isclosed());
        if (typed.isEmpty()) {
            QCOMPARE(QByteArray::fromStdString(readfile()),
                     QByteArray::fromStdString(text + other));
        } else {
            const std::string edited = shownname.toStdString();
            QCOMPARE(QByteArray::fromStdString(readfile()),
                     QByteArray::fromStdString(edited + text.substr(name.size()) + other));
        }
    }

    void activeglyph() {
        start();
        newalarm("Job", "9:30", true);
        const QIcon on = button("bactive")->icon();
        QCOMPARE(button("bactive")->iconSize(), QSize(7, 13));
        QCOMPARE(on.availableSizes(), QList<QSize>{QSize(7, 13)});
        QCOMPARE(on.pixmap(7, 13).toImage().convertToFormat(QImage::Format_RGB32),
                 form->imbell().convertToFormat(QImage::Format_RGB32));
        button("bactive")->click();
        QVERIFY(button("bactive")->icon().isNull());
    }

    void missedatstart() {
        // Due at 08:00 today while the program was not running, and the day before.
        writefile(blockof("Wake", "8:00", at("2026-12-05 12:00"), at("2026-12-05 08:00"), true,
                          {"#bln up"}));
        desk->fouranswers = {answer::notoall};
        start();
        QCOMPARE(count("balloon"), 1);
        QCOMPARE(count("four"), 1);
        QCOMPARE(desk->of("four")[0].defaultbutton, answer::notoall);
        QCOMPARE(displaytime(form->alarms().evs(0)->next), std::string("2026-12-08 08:00 tue"));
        QCOMPARE(form->windowTitle(), QString("[Orlimbo] 2026-12-07 09:00"));
        QCOMPARE(form->tt().interval(), 2000);
    }

    void exitquestion_data() {
        QTest::addColumn<bool>("hidden");
        QTest::addColumn<bool>("yes");
        QTest::addColumn<bool>("asked");
        QTest::addColumn<bool>("closes");
        QTest::newRow("shown, yes") << false << true << true << true;
        QTest::newRow("shown, no") << false << false << true << false;
        QTest::newRow("in the tray") << true << false << false << true;
    }
    void exitquestion() {
        QFETCH(bool, hidden);
        QFETCH(bool, yes);
        QFETCH(bool, asked);
        QFETCH(bool, closes);
        start();
        type(form->cname(), "Kept");
        if (hidden) form->hide();
        desk->yesnoanswers = {yes};
        QSignalSpy closed(form.get(), &TVELKForm::closed);
        form->ExitVELK1Click();
        QCOMPARE(count("yesno"), asked ? 1 : 0);
        if (asked) QCOMPARE(desk->of("yesno")[0].text, std::string("Exit [VELK]?"));
        QCOMPARE(closed.count(), closes ? 1 : 0);
        QCOMPARE(form->isclosed(), closes);
        if (closes) {
            QVERIFY(readfile().rfind("Kept\r\n", 0) == 0);
            QCOMPARE(form->alarms().evcount(), 0);
        } else {
            QCOMPARE(form->alarms().evcount(), 1);
        }
    }

    // The session ends (a signal or "Exit VELK") while the start-up pass of an every-minute
    // alarm two hours behind shows its endat'th dialog. Nothing is freed under the running
    // pass; once it has unwound, the runs nobody answered stay for the next start.
    void endduringdialog_data() {
        QTest::addColumn<QString>("cmdline");
        QTest::addColumn<QString>("action");
        QTest::addColumn<QList<int>>("answers");
        QTest::addColumn<QString>("how");
        QTest::addColumn<int>("endat");
        QTest::addColumn<QString>("last");
        const QList<int> none, yes{int(answer::yes)};
        QTest::newRow("signal, start-up box")
            << ""
            << "#msg x" << none << "signal" << 1 << "2026-12-07 07:00";
        QTest::newRow("two signals, start-up box")
            << ""
            << "#msg x" << none << "signal twice" << 1 << "2026-12-07 07:00";
        QTest::newRow("signal, question")
            << ""
            << "#bln x" << none << "signal" << 1 << "2026-12-07 07:00";
        QTest::newRow("exit from the tray, #ask")
            << "tray"
            << "#ask go?\n#bln yes\n#end" << none << "exit" << 1 << "2026-12-07 07:00";
        QTest::newRow("exit confirmed, answered run's box")
            << ""
            << "#msg x" << yes << "exit" << 3 << "2026-12-07 07:01";
        QTest::newRow("exit from the tray, question")
            << "tray"
            << "#bln x" << yes << "exit" << 2 << "2026-12-07 07:01";
    }
    void endduringdialog() {
        QFETCH(QString, cmdline);
        QFETCH(QString, action);
        QFETCH(QList<int>, answers);
        QFETCH(QString, how);
        QFETCH(int, endat);
        QFETCH(QString, last);
        std::vector<std::string> lines;
        for (const QString& l : action.split(QStringLiteral("\n")))
            lines.push_back(l.toStdString());
        writefile(blockof("x", "N:N", at("2026-12-07 07:00:30"), novalue, true, lines));
        for (int a : answers)
            desk->fouranswers.push_back(answer(a));
        desk->yesnoanswers = {true, true};
        int modal = 0;
        bool intact = false;
        desk->whilemodal = [&] {
            if (++modal != endat) return;
            if (how == "exit") {
                form->ExitVELK1Click();
            } else {
                form->endsession();
                if (how == "signal twice") form->endsession();
            }
            intact = !form->isclosed() && form->alarms().evcount() == 1;
        };
        start(cmdline.toStdString());
        QVERIFY(intact);
        // The program's loop is not started after such a start-up; the book goes after it.
        QVERIFY(sessionending());
        QVERIFY(!form->isclosed());
        form->finish();
        QVERIFY(form->isclosed());
        QCOMPARE(form->alarms().evcount(), 0);
        book reread;
        alarmfile(path()).load(reread);
        QCOMPARE(reread.evcount(), 1);
        QCOMPARE(QString::fromStdString(displaytime(reread.evs(0)->last)),
                 QString::fromStdString(displaytime(at(last.toLatin1().constData()))));
        if (action.startsWith("#ask")) QVERIFY(desk->of("balloon").empty());
    }

    void failedsaveatexit_data() {
        QTest::addColumn<bool>("exitanyway");
        QTest::newRow("stay") << false;
        QTest::newRow("exit anyway") << true;
    }
    void failedsaveatexit() {
        QFETCH(bool, exitanyway);
        const std::string nowhere = dir->filePath("gone/Alarms.data").toStdString();
        form = std::make_unique<TVELKForm>(nowhere, "");
        form->FormCreate();
        type(form->cname(), "Precious");
        form->hide();
        desk->yesnoanswers = {exitanyway};
        form->close();
        QCOMPARE(count("yesno"), 1);
        const std::string question = desk->of("yesno")[0].text;
        QVERIFY2(question.find(nowhere) != std::string::npos, question.c_str());
        QVERIFY(question.find("Exit anyway?") != std::string::npos);
        QCOMPARE(form->isclosed(), exitanyway);
        QCOMPARE(form->alarms().evcount(), exitanyway ? 0 : 1);
        // The autosave tells the user too, with the path.
        if (!exitanyway) {
            form->saveevsTimer();
            std::string all;
            for (const auto& m : desk->messages())
                all += m + "\n";
            QVERIFY2(desk->messages().size() == 1, all.c_str());
            QVERIFY(desk->messages()[0].find(nowhere) != std::string::npos);
        }
    }

    // An edit or a handled occurrence reaches the file within a couple of seconds, without
    // waiting for the five-minute autosave.
    void savessoonafterchanges() {
        start();
        form->savesoon().stop();
        type(form->cname(), "Soon");
        QVERIFY(form->savesoon().isActive());
        QCOMPARE(form->savesoon().interval(), 2000);
        QVERIFY(form->savesoon().isSingleShot());
        form->savesoon().stop();
        form->savesoonTimer();
        QVERIFY(readfile().find("Soon\r\n") == 0);

        // A run moves the last time: that is written too.
        type(form->ctime(), "N:N");
        button("bactive")->click();
        form->savesoonTimer();
        clock->set(at("2026-12-07 09:05:10"));
        form->ttTimer();
        QVERIFY(form->savesoon().isActive());
        form->savesoon().stop();
        form->savesoonTimer();
        QCOMPARE(form->alarms().evs(0)->last, at("2026-12-07 09:05"));
        book reread;
        alarmfile(path()).load(reread);
        QCOMPARE(reread.evcount(), 1);
        QCOMPARE(displaytime(reread.evs(0)->last), std::string("2026-12-07 09:05 mon"));
    }

    void firstkeystroke() {
        start();
        type(form->cname(), "a");
        QCOMPARE(form->alarms().evcount(), 1);
        const velk::event& a = *form->alarms().evs(0);
        QCOMPARE(a.name, std::string("a"));
        QVERIFY(!a.active);
        QCOMPARE(a.created, clock->now());
        QCOMPARE(form->selectedrow(), 0);
        QCOMPARE(form->curevent(), &a);
        QCOMPARE(button("bactive")->text(), QString("In&active"));
        QCOMPARE(label("lcreated"), QString("2026-12-07 09:00 mon"));
        // The action box commits when it is left, not per key.
        button("newevent")->click();
        type(form->meaction(), "#beep");
        QCOMPARE(form->alarms().evcount(), 1);
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(form->meaction(), &out);
        QCOMPARE(form->alarms().evcount(), 2);
        QCOMPARE(form->curevent()->action, std::vector<std::string>{"#beep"});
        QCOMPARE(form->curevent()->name, std::string());
    }

    void emptyeditor_data() {
        QTest::addColumn<QString>("name");
        for (const char* b :
             {"bactive", "duplevent", "delevent", "testaction", "settonow", "newevent"})
            QTest::newRow(b) << QString::fromLatin1(b);
    }
    void emptyeditor() {
        QFETCH(QString, name);
        start();
        button(name.toLatin1().constData())->click();
        button(name.toLatin1().constData())->click();
        QCOMPARE(form->alarms().evcount(), 0);
        QVERIFY(desk->messages().empty());
        QCOMPARE(form->curevent(), nullptr);
    }

    void caretstays() {
        start();
        type(form->cname(), "Meeting");
        form->cname()->setCursorPosition(3);
        type(form->cname(), "X");
        QCOMPARE(form->cname()->text(), QString("MeeXting"));
        QCOMPARE(form->cname()->cursorPosition(), 4);
        type(form->ctime(), "tue 17:00");
        form->ctime()->setCursorPosition(3);
        type(form->ctime(), " thu");
        QCOMPARE(form->ctime()->text(), QString("tue thu 17:00"));
        QCOMPARE(form->ctime()->cursorPosition(), 7);
        // A tick refills the editor without moving the caret either.
        form->meaction()->setPlainText("#msg one\n#msg two");
        QTextCursor c = form->meaction()->textCursor();
        c.setPosition(5);
        form->meaction()->setTextCursor(c);
        form->ttTimer();
        QCOMPARE(form->meaction()->textCursor().position(), 5);
        QCOMPARE(form->curevent()->action.size(), std::size_t(2));
        QCOMPARE(form->cname()->cursorPosition(), 4);
        // A committed script is checked; its first fault is noted with its line, quietly.
        form->meaction()->setPlainText("#msg one\n#mgs two");
        form->ttTimer();
        QCOMPARE(form->notes().scriptnote(), QString("Line 2: Incorrect command: '#mgs'!"));
        QCOMPARE(form->meaction()->accessibleDescription(), form->notes().scriptnote());
        QVERIFY(desk->messages().empty());
        // Switched on, it will not work: its row says so.
        button("bactive")->click();
        QCOMPARE(form->lbevents()->model()->index(0, 0).data(Qt::ToolTipRole).toString(),
                 form->notes().scriptnote());
    }

    void brokentime() {
        start();
        newalarm("Job", "9:30", true);
        velk::event& a = *form->curevent();
        QVERIFY(a.active);
        type(form->ctime(), "x");
        // Silently off while typing.
        QVERIFY(!a.active);
        QVERIFY(desk->messages().empty());
        QCOMPARE(button("bactive")->text(), QString("In&active"));
        QCOMPARE(label("lnext"), QString("-"));
        // ...but said where it is typed, and in the list's row, until switched on again.
        const QString why("Invalid value description: '30x'!");
        QCOMPARE(form->notes().timenote(), "Switched off: " + why);
        QCOMPARE(form->ctime()->toolTip(), why);
        QCOMPARE(form->lbevents()->model()->index(0, 0).data(Qt::ToolTipRole).toString(),
                 "Switched off: " + why);
        form->ctime()->clearFocus();
        button("bactive")->click();
        QCOMPARE(desk->messages().size(), std::size_t(1));
        QVERIFY(!a.active);
        QCOMPARE(form->focusWidget(), form->ctime());
        // Fixed, switched on, switched off: no message and no focus.
        form->ctime()->backspace();
        QVERIFY(form->notes().timenote().startsWith("Switched off: the time text was wrong"));
        button("bactive")->click();
        QVERIFY(a.active);
        QCOMPARE(form->notes().timenote(), QString());
        button("bactive")->click();
        QVERIFY(!a.active);
        QCOMPARE(desk->messages().size(), std::size_t(1));
        QCOMPARE(form->focusWidget(), nullptr);
    }

    void activatepast() {
        clock->set(at("2026-12-07 07:59:30"));
        start();
        newalarm("Late", "8:00", false);
        clock->set(at("2026-12-07 09:00:30"));
        desk->fouranswers = {answer::no};
        button("bactive")->click();
        QCOMPARE(count("four"), 1);
        const auto q = desk->of("four")[0];
        QCOMPARE(q.defaultbutton, answer::yes);
        QVERIFY(q.text.find("Late wants to execute its Action.") != std::string::npos);
        QCOMPARE(label("llast"), QString("2026-12-07 08:00 mon"));
        QCOMPARE(label("lnext"), QString("2026-12-08 08:00 tue"));
    }

    void duplicate() {
        start();
        newalarm("Twin", "10:00", true);
        form->curevent()->last = at("2026-12-06 10:00");
        clock->advanceseconds(60);
        button("duplevent")->click();
        QCOMPARE(form->alarms().evcount(), 2);
        const velk::event& copy = *form->curevent();
        QCOMPARE(copy.name, std::string("Twin"));
        QVERIFY(copy.active);
        QCOMPARE(copy.created, clock->now());
        QCOMPARE(label("llast"), QString("-"));
        QCOMPARE(form->curevent(), form->alarms().evs(1));
        QCOMPARE(form->focusWidget(), nullptr);
    }

    void deleterows() {
        start();
        newalarm("A", "10:00", true);
        newalarm("B", "11:00", true);
        newalarm("C", "12:00", true);
        // Deleting the last row selects the new last row and shows it.
        form->lbevents()->setCurrentIndex(form->lbevents()->model()->index(2, 0));
        QCOMPARE(form->curevent()->name, std::string("C"));
        button("delevent")->click();
        QCOMPARE(form->alarms().evcount(), 2);
        QCOMPARE(form->selectedrow(), 1);
        QCOMPARE(form->curevent()->name, std::string("B"));
        QCOMPARE(form->cname()->text(), QString("B"));
        QCOMPARE(form->focusWidget(), form->lbevents());
        // The Delete key on the list does the same.
        QTest::keyClick(form->lbevents(), Qt::Key_Delete);
        QCOMPARE(form->alarms().evcount(), 1);
        QCOMPARE(form->curevent()->name, std::string("A"));
        // Deleting the only alarm leaves an empty editor with the caret in the name field.
        button("delevent")->click();
        QCOMPARE(form->alarms().evcount(), 0);
        QCOMPARE(form->curevent(), nullptr);
        QCOMPARE(form->cname()->text(), QString());
        QCOMPARE(form->focusWidget(), form->cname());
    }

    void keys() {
        start();
        newalarm("A", "10:00", false);
        newalarm("B", "11:00", false);
        // Insert empties the editor and creates nothing.
        QTest::keyClick(form->lbevents(), Qt::Key_Insert);
        QCOMPARE(form->curevent(), nullptr);
        QCOMPARE(form->selectedrow(), -1);
        QCOMPARE(form->focusWidget(), form->cname());
        QCOMPARE(form->alarms().evcount(), 2);
        // Delete with no row chosen deletes nothing.
        QTest::keyClick(form->lbevents(), Qt::Key_Delete);
        QCOMPARE(form->alarms().evcount(), 2);
        // Arrow keys show each alarm in turn.
        form->lbevents()->setFocus();
        QTest::keyClick(form->lbevents(), Qt::Key_Down);
        const std::string first = form->curevent()->name;
        QTest::keyClick(form->lbevents(), Qt::Key_Down);
        QVERIFY(form->curevent()->name != first);
        QCOMPARE(form->cname()->text().toStdString(), form->curevent()->name);
        // Enter moves from name to time to action without inserting anything.
        QTest::keyClick(form->cname(), Qt::Key_Return);
        QCOMPARE(form->focusWidget(), form->ctime());
        QTest::keyClick(form->ctime(), Qt::Key_Enter);
        QCOMPARE(form->focusWidget(), form->meaction());
        QCOMPARE(form->cname()->text().toStdString(), form->curevent()->name);
        QCOMPARE(form->meaction()->toPlainText(), QString());
        // Escape anywhere puts the window out of sight.
        form->show();
        QTest::keyClick(form->meaction(), Qt::Key_Escape);
        QVERIFY(!form->isVisible() || form->isMinimized());
        QCOMPARE(form->meaction()->toPlainText(), QString());
    }

    void clicks() {
        start();
        newalarm("A", "10:00", false);
        newalarm("B", "11:00", false);
        QListView* list = form->lbevents();
        const int arow = alarmat(0).name == "A" ? 0 : 1;
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualRect(list->model()->index(arow, 0)).center());
        QCOMPARE(form->curevent()->name, std::string("A"));
        QCOMPARE(form->cname()->text(), QString("A"));
        // Below the last row: the chosen alarm stays, the editor keeps it.
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, QPoint(100, 300));
        QCOMPARE(form->selectedrow(), arow);
        QCOMPARE(form->curevent()->name, std::string("A"));
    }

    void settonow() {
        start();
        newalarm("Restart", "tue thu 17:00", true);
        form->curevent()->last = at("2026-12-03 17:00");
        clock->set(at("2026-12-08 18:00:10"));
        button("settonow")->click();
        QCOMPARE(form->curevent()->last, 0.0);
        QCOMPARE(label("llast"), QString("-"));
        QCOMPARE(label("lcreated"), QString("2026-12-08 18:00 tue"));
        QCOMPARE(label("lnext"), QString("2026-12-10 17:00 thu"));
        QCOMPARE(form->focusWidget(), nullptr);
    }

    void fullbook() {
        start();
        for (int i = 0; i < book::capacity; ++i)
            form->alarms().append(std::make_unique<velk::event>());
        form->refreshlist(tickhost::shownone);
        type(form->cname(), "one too many");
        form->ttTimer();
        QCOMPARE(form->alarms().evcount(), book::capacity);
        QCOMPARE(desk->messages(), std::vector<std::string>{std::string(bookfullmessage)});
        form->lbevents()->setCurrentIndex(form->lbevents()->model()->index(5, 0));
        button("duplevent")->click();
        QCOMPARE(form->alarms().evcount(), book::capacity);
        QCOMPARE(desk->messages().size(), std::size_t(2));
        QCOMPARE(desk->messages()[1], std::string(bookfullmessage));
    }

    // A whole day through the real window: hourly alarms 8 to 17, one at 13:15, one inactive.
    void fullday() {
        const datetime day = at("2026-12-07 00:00");
        clock->set(day + 30.0 / 86400);
        writefile(blockof("Hourly", "[8..17]:00", clock->now(), novalue, true, {"#bln hour"}) +
                  blockof("Lunch", "13:15", clock->now(), novalue, true, {"#bln lunch"}) +
                  blockof("Off", "10:00", clock->now(), novalue, false, {"#bln never"}));
        start("tray");
        std::vector<std::pair<std::string, datetime>> fired;
        std::size_t seen = 0;
        while (clock->now() < day + 1) {
            clock->advanceseconds(form->tt().interval() / 1000.0);
            form->ttTimer();
            for (; seen < desk->calls.size(); ++seen)
                if (desk->calls[seen].kind == "balloon")
                    fired.emplace_back(desk->calls[seen].text, clock->now());
        }
        QCOMPARE(fired.size(), std::size_t(11));
        QVERIFY(desk->of("four").empty());
        int hour = 8;
        for (const auto& [title, when] : fired) {
            const bool lunch = title == "Lunch";
            const datetime due = day + (lunch ? encodetime(13, 15) : encodetime(hour++, 0));
            QVERIFY2(when >= due && when < due + 21.0 / 86400, title.c_str());
        }
        const velk::event& hourly = *form->alarms().evs(0);
        QCOMPARE(displaytime(hourly.last), std::string("2026-12-07 17:00 mon"));
        QCOMPARE(displaytime(hourly.next), std::string("2026-12-08 08:00 tue"));
        QCOMPARE(form->tt().interval(), 20000);
    }

    // The wake runs the tick at the due minute, and at once when the clock is set past an alarm.
    void wake() {
        clock->set(at("2026-12-07 09:00:59") + 0.7 / 86400);
        writefile(blockof("Soon", "09:01", clock->now(), novalue, true, {"#bln"}) +
                  blockof("Later", "10:00", clock->now(), novalue, true, {"#bln"}));
        start("tray");
        QTest::qWait(100);
        clock->set(at("2026-12-07 09:01"));
        QTRY_COMPARE_WITH_TIMEOUT(count("balloon"), 1, 1500);
        clock->set(at("2026-12-07 10:00:05"));
        emit form->wake().timer().clockset();
        QCOMPARE(count("balloon"), 2);
    }

    void oneinstance() {
        const QString file = dir->filePath("Alarms.data");
        singleinstance first(file);
        QVERIFY(first.claim());
        QSignalSpy shown(&first, &singleinstance::showrequested);
        // Later starts are other processes: they wait for the first while its event loop runs.
        auto start = [&file](bool show) {
            return std::async(std::launch::async,
                              [&file, show] { return singleinstance(file).claim(show); });
        };
        // A second "velk tray" (the autostart entry) leaves the running window alone.
        auto intray = start(false);
        QTRY_VERIFY(intray.wait_for(std::chrono::seconds(0)) == std::future_status::ready);
        QVERIFY(!intray.get());
        QTest::qWait(200);
        QCOMPARE(shown.count(), 0);
        auto second = start(true);
        QTRY_VERIFY(second.wait_for(std::chrono::seconds(0)) == std::future_status::ready);
        QVERIFY(!second.get());
        QTRY_COMPARE(shown.count(), 1);
        // Another file is another instance.
        singleinstance other(dir->filePath("elsewhere/Alarms.data"));
        QVERIFY(other.claim());
    }
};

QTEST_MAIN(velkformtest)
#include "velkform_test.moc"
