// The insertion aids of the editor ("+ Templ", "+ #cmd", "+ &File") and the time test window.
#include <QAction>
#include <QApplication>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QVBoxLayout>
#include <functional>
#include <memory>

#include "alarms/event.h"
#include "tests/support/fakeclock.h"
#include "tests/support/fakedesktop.h"
#include "timespec/error.h"
#include "ui/filefinder.h"
#include "ui/specialsmenu.h"
#include "ui/templmenu.h"
#include "ui/velkform.h"
#include "ui/velkform2.h"

using namespace velk;

namespace {

// A stand-in for the editor: the two fields the aids serve, and the three buttons.
struct editor {
    QWidget window;
    QLineEdit* ctime = new QLineEdit(&window);
    QPlainTextEdit* meaction = new QPlainTextEdit(&window);
    QPushButton* btempl = new QPushButton("+ Templ", &window);
    QPushButton* bspecial = new QPushButton("+ #cmd", &window);
    QLineEdit* cname = new QLineEdit(&window);

    editor() {
        auto* box = new QVBoxLayout(&window);
        for (QWidget* w : std::initializer_list<QWidget*>{cname, ctime, btempl, meaction, bspecial})
            box->addWidget(w);
        window.show();
        window.activateWindow();
        (void)QTest::qWaitForWindowActive(&window);
        cname->setFocus();
    }
};

// Runs f once the next modal loop (a menu or a dialog) has started.
void whenopen(std::function<void()> f) {
    QTimer::singleShot(0, qApp, std::move(f));
}

// The widget that has the focus in its window. The offscreen platform does not give the
// activation back to a window after a popup or a dialog, so hasFocus() would be false there.
bool focused(const QWidget* w) {
    return w->window()->focusWidget() == w;
}

QAction* entry(QObject* menu, const char* name) {
    auto* a = menu->findChild<QAction*>(QString::fromLatin1(name));
    if (!a) qFatal("no menu entry %s", name);
    return a;
}

} // namespace

class aidstest : public QObject {
    Q_OBJECT
  private slots:
    void templentries_data();
    void templentries();
    void templcolumns();
    void templmenubykeys();
    void templmenuescape();
    void commandentries_data();
    void commandentries();
    void commandmenupick();
    void filelines_data();
    void filelines();
    void filefolders();
    void filecancel();
    void finderdialog();
};

void aidstest::templentries_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("selstart");
    QTest::addColumn<int>("sellength"); // 0: caret at selstart
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("caret");

    QTest::newRow("d[] at the end: caret between the brackets") << "mon 08:00 " << 10 << 0 << "D1"
                                                                << "mon 08:00 d[]" << 12;
    QTest::newRow("[]:[] over a selected 08:00") << "mon 08:00" << 4 << 5 << "N7"
                                                 << "mon []:[]" << 5;
    QTest::newRow("[]:[] selected backwards") << "mon 08:00" << 9 << -5 << "N7"
                                              << "mon []:[]" << 5;
    QTest::newRow("today: caret after it") << "" << 0 << 0 << "today1"
                                           << "today" << 5;
    QTest::newRow("next is inserted as it is") << "" << 0 << 0 << "next1"
                                               << "next" << 4;
    QTest::newRow("N-[]-[] in the middle") << "once  08:00" << 5 << 0 << "N5"
                                           << "once N-[]-[] 08:00" << 8;
    QTest::newRow("N:N has no bracket") << "mon " << 4 << 0 << "N12001"
                                        << "mon N:N" << 7;
    QTest::newRow("bar with its blanks") << "mon 08:00" << 9 << 0 << "N9"
                                         << "mon 08:00 | " << 12;
    QTest::newRow("example replaces everything, caret at start")
        << "mon 08:00" << 2 << 3 << "tuethu17001"
        << "tue thu 17:00" << 0;
    QTest::newRow("bracketed example also replaces") << "x" << 1 << 0 << "N111521thumorning1"
                                                     << "N-11-[15..21] thu morning" << 0;
    QTest::newRow("example into an empty field") << "" << 0 << 0 << "montue0800Dmontuesun9001"
                                                 << "mon tue 08:00 | d[^mon;tue;sun] 09:00" << 0;
}

void aidstest::templentries() {
    QFETCH(QString, text);
    QFETCH(int, selstart);
    QFETCH(int, sellength);
    QFETCH(QString, entry);
    QFETCH(QString, expected);
    QFETCH(int, caret);

    editor ed;
    templmenu mtempl(&ed.window);
    ed.ctime->setText(text);
    if (sellength != 0)
        ed.ctime->setSelection(selstart, sellength);
    else
        ed.ctime->setCursorPosition(selstart);
    QSignalSpy changed(ed.ctime, &QLineEdit::textChanged);

    inserttempl(ed.ctime, ::entry(&mtempl, entry.toLatin1().constData()));

    QCOMPARE(ed.ctime->text(), expected);
    QCOMPARE(ed.ctime->cursorPosition(), caret);
    QVERIFY(!ed.ctime->hasSelectedText());
    // The editor commits on textChanged, with the new text in place.
    QVERIFY(!changed.isEmpty());
    QCOMPARE(changed.last().at(0).toString(), expected);
    QVERIFY(focused(ed.ctime));
}

void aidstest::templcolumns() {
    templmenu mtempl;
    QCOMPARE(mtempl.objectName(), QString("mtempl"));
    // Separators by position; the complete examples (tag 1) fill the third column alone.
    const QStringList layout[] = {
        {"today", "tomorrow", "-", "sun", "mon", "tue", "wed", "thu", "fri", "sat", "d[]"},
        {"next", "once", "-", "N-N-N", "N-[]-[]", "-", "morning", "-", "N:N", "[]:[]", "-", " | "},
        {"N-11-[15..21] thu morning", "d[mon..fri] [8..16]:00",
         "mon tue 08:00 | d[^mon;tue;sun] 09:00", "N-N-13 friday",
         "this wednesday 13:[00;10;20;30;40;50]", "once 22:00 | once 23:00", "tue thu 17:00",
         "[^..2010]-1-1"},
    };
    QCOMPARE(mtempl.columns().size(), 3);
    for (int c = 0; c < 3; ++c) {
        QStringList seen;
        for (const QAction* a : mtempl.columns()[c]) {
            seen << (a->isSeparator() ? QString("-") : entrycaption(a));
            if (!a->isSeparator()) QCOMPARE(entrytag(a), c == 2 ? 1 : 0);
        }
        QCOMPARE(seen, layout[c]);
    }
}

void aidstest::templmenubykeys() {
    editor ed;
    templmenu mtempl(&ed.window);
    ed.ctime->setText("tue ");
    ed.ctime->setCursorPosition(4);
    QPoint opened;
    whenopen([&] {
        QWidget* popup = QApplication::activePopupWidget();
        QVERIFY(popup == &mtempl);
        opened = popup->geometry().topLeft();
        // Down to "today", down to "tomorrow", right into the second column ("once"
        // sits level with it), Enter.
        QWidget* keys = popup->focusWidget() ? popup->focusWidget() : popup;
        for (Qt::Key k : {Qt::Key_Down, Qt::Key_Down, Qt::Key_Right, Qt::Key_Return})
            QTest::keyClick(keys, k);
    });
    choosetempl(&mtempl, ed.btempl, ed.ctime);
    QCOMPARE(opened, ed.btempl->mapToGlobal(QPoint(0, 0)));
    QCOMPARE(ed.ctime->text(), QString("tue once"));
    QVERIFY(focused(ed.ctime));
}

void aidstest::templmenuescape() {
    editor ed;
    templmenu mtempl(&ed.window);
    ed.ctime->setText("08:00");
    QSignalSpy changed(ed.ctime, &QLineEdit::textChanged);
    whenopen([] {
        QWidget* popup = QApplication::activePopupWidget();
        QVERIFY(popup);
        QWidget* keys = popup->focusWidget() ? popup->focusWidget() : popup;
        QTest::keyClick(keys, Qt::Key_Down);
        QTest::keyClick(keys, Qt::Key_Escape);
    });
    choosetempl(&mtempl, ed.btempl, ed.ctime);
    QVERIFY(!mtempl.isVisible());
    QCOMPARE(ed.ctime->text(), QString("08:00"));
    QVERIFY(changed.isEmpty());
    QVERIFY(focused(ed.ctime));
}

void aidstest::commandentries_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("selstart");
    QTest::addColumn<int>("selend");
    QTest::addColumn<QString>("entry");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("caret");

    QTest::newRow("#msg keeps its blank") << "" << 0 << 0 << "msg1"
                                          << "#msg " << 5;
    QTest::newRow("#else has none") << "#ask ok?\n"
                                    << 9 << 9 << "ask3"
                                    << "#ask ok?\n#else" << 14;
    QTest::newRow("#end, no line break added") << "a\nb" << 1 << 1 << "ask2"
                                               << "a#end\nb" << 5;
    QTest::newRow("replaces the selection") << "#wait 5\nabc" << 8 << 11 << "wait2"
                                            << "#wait 5\n#bln " << 13;
    QTest::newRow("#wait") << "" << 0 << 0 << "wait1"
                           << "#wait " << 6;
    QTest::newRow("#beep") << "" << 0 << 0 << "beep1"
                           << "#beep " << 6;
    QTest::newRow("#ask") << "" << 0 << 0 << "ask1"
                          << "#ask " << 5;
}

void aidstest::commandentries() {
    QFETCH(QString, text);
    QFETCH(int, selstart);
    QFETCH(int, selend);
    QFETCH(QString, entry);
    QFETCH(QString, expected);
    QFETCH(int, caret);

    editor ed;
    specialsmenu mspecials(&ed.window);
    ed.meaction->setPlainText(text);
    QTextCursor c = ed.meaction->textCursor();
    c.setPosition(selstart);
    c.setPosition(selend, QTextCursor::KeepAnchor);
    ed.meaction->setTextCursor(c);

    insertcommand(ed.meaction, ::entry(&mspecials, entry.toLatin1().constData()));

    QCOMPARE(ed.meaction->toPlainText(), expected);
    QCOMPARE(ed.meaction->textCursor().position(), caret);
    QVERIFY(focused(ed.meaction));
}

void aidstest::commandmenupick() {
    editor ed;
    specialsmenu mspecials(&ed.window);
    QCOMPARE(mspecials.objectName(), QString("mspecials"));
    QVERIFY(entry(&mspecials, "N1")->isSeparator());
    QPoint opened;
    whenopen([&] {
        QVERIFY(QApplication::activePopupWidget() == &mspecials);
        opened = mspecials.geometry().topLeft();
        mspecials.setActiveAction(entry(&mspecials, "ask1"));
        QTest::keyClick(&mspecials, Qt::Key_Return);
    });
    choosecommand(&mspecials, ed.bspecial, ed.meaction);
    QCOMPARE(opened, ed.bspecial->mapToGlobal(QPoint(0, 0)));
    QCOMPARE(ed.meaction->toPlainText(), QString("#ask "));
    QVERIFY(focused(ed.meaction));

    // Closed without a choice: nothing inserted, the action box still gets the focus.
    ed.cname->setFocus();
    whenopen([&] { QTest::keyClick(&mspecials, Qt::Key_Escape); });
    choosecommand(&mspecials, ed.bspecial, ed.meaction);
    QCOMPARE(ed.meaction->toPlainText(), QString("#ask "));
    QVERIFY(focused(ed.meaction));
}

void aidstest::filelines_data() {
    QTest::addColumn<QStringList>("files");
    QTest::addColumn<QString>("expected");
    QTest::newRow("one file, no line break")
        << QStringList{"/home/u/a.txt"} << QDir::toNativeSeparators("/home/u/a.txt");
    QTest::newRow("two files, a blank quoted, none after the last")
        << QStringList{"/c/a.txt", "/c/My Files/b.txt"}
        << QDir::toNativeSeparators("/c/a.txt") + "\n\"" +
               QDir::toNativeSeparators("/c/My Files/b.txt") + "\"";
}

void aidstest::filelines() {
    QFETCH(QStringList, files);
    QFETCH(QString, expected);
    QCOMPARE(velk::filelines(files), expected);

    editor ed;
    ed.meaction->setPlainText("#msg hi\nold");
    QTextCursor c = ed.meaction->textCursor();
    c.setPosition(8);
    c.setPosition(11, QTextCursor::KeepAnchor);
    ed.meaction->setTextCursor(c);
    filefinder finder("/exe/", [&](QWidget*, const QString&) { return files; });
    choosefiles(finder, &ed.window, ed.meaction);
    QCOMPARE(ed.meaction->toPlainText(), "#msg hi\n" + expected);
    QVERIFY(focused(ed.meaction));
}

void aidstest::filefolders() {
    QStringList dirs;
    QList<QStringList> answers = {
        {"/data/x/first.txt", "/other/second.txt"}, {}, {"/y z/c.txt"}, {}};
    filefinder finder("/opt/velk/", [&](QWidget*, const QString& dir) {
        dirs << dir;
        return answers.takeFirst();
    });
    QVERIFY(finder.initialdir().isEmpty());
    finder.pick(nullptr);
    finder.pick(nullptr); // cancelled: the folder stays
    finder.pick(nullptr);
    finder.pick(nullptr);
    QCOMPARE(dirs, (QStringList{"/opt/velk/", "/data/x/", "/data/x/", "/y z/"}));
}

void aidstest::filecancel() {
    editor ed;
    ed.meaction->setPlainText("keep");
    filefinder finder("/exe/", [](QWidget*, const QString&) { return QStringList{}; });
    choosefiles(finder, &ed.window, ed.meaction);
    QCOMPARE(ed.meaction->toPlainText(), QString("keep"));
    QVERIFY(focused(ed.meaction));
}

void aidstest::finderdialog() {
    QString title, dir;
    QStringList filters;
    bool several = false, short_ = false;
    whenopen([&] {
        auto* d = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        QVERIFY(d);
        QCOMPARE(d->objectName(), QString("finder"));
        title = d->windowTitle();
        filters = d->nameFilters();
        several = d->fileMode() == QFileDialog::ExistingFiles;
        short_ = d->testOption(QFileDialog::HideNameFilterDetails);
        dir = d->directory().absolutePath();
        d->reject();
    });
    QCOMPARE(filefinder::rundialog(nullptr, QDir::tempPath()), QStringList{});
    QCOMPARE(title, QString("File to open:"));
    QCOMPARE(filters, QStringList{"Any file (*)"});
    QVERIFY(several);
    QVERIFY(short_);
    QCOMPARE(dir, QDir(QDir::tempPath()).absolutePath());
}

// The time test window, driven through the "Test" button's logic.
class testtimetest : public QObject {
    Q_OBJECT
  private slots:
    void rows_data();
    void rows();
    void closekeys_data();
    void closekeys();
    void brokentext();
    void emptyeditor();
    void windowshape();

  private:
    struct pressed {
        bool shown = false; // a window opened
        QStringList rows;
        bool timefocused = false; // ctime has the focus afterwards
    };
    // Presses "Test" for an alarm with the time text.
    pressed press(const QString& time);
};

testtimetest::pressed testtimetest::press(const QString& time) {
    editor ed;
    velk::event alarm;
    alarm.time = time.toStdString();
    pressed p;
    whenopen([&] {
        auto* form = qobject_cast<TVELKForm2*>(QApplication::activeModalWidget());
        if (!form) return;
        p.shown = true;
        for (int i = 0; i < form->lb->count(); ++i)
            p.rows << form->lb->item(i)->text();
        form->close();
    });
    testtimeclick({[](bool) { return true; }, [&] { return &alarm; }, &ed.window, ed.ctime, {}});
    QCoreApplication::processEvents();
    p.timefocused = focused(ed.ctime);
    return p;
}

void testtimetest::rows_data() {
    QTest::addColumn<QString>("time");
    QTest::addColumn<int>("count");
    QTest::addColumn<QStringList>("some"); // the first rows, then the last row

    // The clock stands at Tuesday 2026-12-01 10:00:30.
    QTest::newRow("daily: 100 days, then ...")
        << "08:00" << 101 << QStringList{"2026-12-02 08:00 wed", "2026-12-03 08:00 thu", "..."};
    QTest::newRow("every minute: from this minute on")
        << "N:N" << 101 << QStringList{"2026-12-01 10:00 tue", "2026-12-01 10:01 tue", "..."};
    QTest::newRow("all moments past") << "2010-1-1 08:00" << 1 << QStringList{"No future dates."};
    QTest::newRow("three moments, no ...")
        << "2026-12-[6..8] 08:00" << 3
        << QStringList{"2026-12-06 08:00 sun", "2026-12-07 08:00 mon", "2026-12-08 08:00 tue"};
}

void testtimetest::rows() {
    QFETCH(QString, time);
    QFETCH(int, count);
    QFETCH(QStringList, some);
    test::fakeclock clock(test::at("2026-12-01 10:00:30"));
    test::fakedesktop desk;
    const pressed p = press(time);
    QVERIFY(p.shown);
    QVERIFY(p.timefocused);
    const QStringList& rows = p.rows;
    QCOMPARE(rows.size(), count);
    for (int i = 0; i + 1 < some.size(); ++i)
        QCOMPARE(rows[i], some[i]);
    QCOMPARE(rows.last(), some.last());
    if (count == 101) QCOMPARE(rows[99].size(), some[0].size());
    QVERIFY(desk.messages().empty());
}

void testtimetest::closekeys_data() {
    QTest::addColumn<int>("key");
    QTest::addColumn<bool>("closes");
    QTest::newRow("Escape") << int(Qt::Key_Escape) << true;
    QTest::newRow("Space") << int(Qt::Key_Space) << true;
    QTest::newRow("Return") << int(Qt::Key_Return) << true;
    QTest::newRow("keypad Enter") << int(Qt::Key_Enter) << true;
    QTest::newRow("a letter") << int(Qt::Key_A) << false;
    QTest::newRow("an arrow") << int(Qt::Key_Down) << false;
}

void testtimetest::closekeys() {
    QFETCH(int, key);
    QFETCH(bool, closes);
    TVELKForm2 form;
    form.setlines("2026-12-02 08:00 wed\r\n2026-12-03 08:00 thu\r\n...\r\n");
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QTest::keyClick(form.lb, Qt::Key(key));
    QCOMPARE(form.isVisible(), !closes);
    if (key == Qt::Key_Down) QCOMPARE(form.lb->currentRow(), 1); // the list still moves
}

void testtimetest::brokentext() {
    test::fakeclock clock(test::at("2026-12-01 10:00"));
    test::fakedesktop desk;
    const pressed p = press("next");
    QVERIFY(!p.shown);
    QVERIFY(p.timefocused);
    QCOMPARE(desk.messages(), std::vector<std::string>{"Incorrect time specification: 'next'!"});
}

void testtimetest::emptyeditor() {
    test::fakedesktop desk;
    editor ed;
    bool shown = false, asked = false;
    whenopen([&] { shown = QApplication::activeModalWidget() != nullptr; });
    testtimeclick({[](bool) { return false; },
                   [&]() -> velk::event* {
                       asked = true;
                       return nullptr;
                   },
                   &ed.window,
                   ed.ctime,
                   {}});
    QCoreApplication::processEvents();
    QVERIFY(!shown);
    QVERIFY(!asked);
    QVERIFY(desk.calls.empty());
    QVERIFY(focused(ed.ctime));
}

void testtimetest::windowshape() {
    QWidget main;
    main.setWindowIcon(QIcon(QPixmap(16, 16)));
    main.setGeometry(100, 100, 523, 400);
    TVELKForm2 form(&main);
    form.setlines("a\r\nb\r\n");
    QCOMPARE(form.objectName(), QString("TVELKForm2"));
    QCOMPARE(form.windowTitle(), QString("[VELK]"));
    QCOMPARE(form.size(), QSize(207, 423));
    QCOMPARE(form.minimumSize(), form.maximumSize());
    QCOMPARE(form.lb->objectName(), QString("lb"));
    QCOMPARE(form.lb->count(), 2);
    QVERIFY(!form.windowIcon().isNull());
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    QCOMPARE(form.lb->geometry(), form.rect());
    QCOMPARE(form.lb->visualItemRect(form.lb->item(0)).height(), 13);
}

// The four buttons of the main window reach their aids, and the editor commits what they write.
class wiringtest : public QObject {
    Q_OBJECT
  private slots:
    void buttons();
};

void wiringtest::buttons() {
    QTemporaryDir dir;
    test::fakeclock clock(test::at("2026-12-01 10:00:30"));
    test::fakedesktop desk;
    TVELKForm form(dir.filePath("Alarms.data").toStdString(), "");
    form.FormCreate();

    // Clicking the button must not cost the time field its selection: "08:00" is replaced.
    form.ctime()->setText("mon 08:00");
    form.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    form.ctime()->setFocus();
    form.ctime()->setSelection(4, 5);
    whenopen([&] {
        QWidget* keys = form.mtempl()->focusWidget();
        QVERIFY(keys);
        QTest::keyClick(keys, Qt::Key_Right); // "today"
        QTest::keyClick(keys, Qt::Key_Right); // "next", level with it in the second column
        QTest::keyClick(keys, Qt::Key_Down);  // "once"
        QTest::keyClick(keys, Qt::Key_Return);
    });
    QTest::mouseClick(form.btempl(), Qt::LeftButton);
    QCOMPARE(form.ctime()->text(), QString("mon once"));
    QVERIFY(form.curevent()); // the first edit of the empty editor made the alarm
    QCOMPARE(form.curevent()->time, std::string("mon once"));

    whenopen([&] {
        QVERIFY(QApplication::activePopupWidget() == form.mtempl());
        QWidget* keys = form.mtempl()->focusWidget();
        QVERIFY(keys);
        QTest::keyClick(keys, Qt::Key_Down);
        QTest::keyClick(keys, Qt::Key_Return);
    });
    form.ctime()->clear();
    form.btempl()->click();
    QCOMPARE(form.ctime()->text(), QString("today"));
    QVERIFY(form.curevent());
    QCOMPARE(form.curevent()->time, std::string("today"));

    form.ctime()->setText("2026-12-[6..8] 08:00");
    QStringList rows;
    whenopen([&] {
        auto* f2 = qobject_cast<TVELKForm2*>(QApplication::activeModalWidget());
        QVERIFY(f2);
        QVERIFY(f2->parentWidget() == &form);
        for (int i = 0; i < f2->lb->count(); ++i)
            rows << f2->lb->item(i)->text();
        rows << f2->lreading->text();
        f2->close();
    });
    form.testtime()->click();
    const QString reading = "At 08:00 on days 6 to 8 of December, in 2026.";
    QCOMPARE(rows.size(), 4);
    QCOMPARE(rows.last(), reading);
    QCOMPARE(form.ctime()->toolTip(), reading);
    QVERIFY(focused(form.ctime()));

    // A click on the button takes the focus and so commits the action box: the new line stays,
    // with the caret on it. (The offscreen window may be inactive: the focus loss is sent.)
    QTest::keyClicks(form.meaction(), "#msg one");
    QTest::keyClick(form.meaction(), Qt::Key_Return);
    QFocusEvent out(QEvent::FocusOut, Qt::MouseFocusReason);
    QApplication::sendEvent(form.meaction(), &out);
    whenopen([&] {
        QVERIFY(QApplication::activePopupWidget() == form.mspecials());
        form.mspecials()->setActiveAction(entry(form.mspecials(), "msg1"));
        QTest::keyClick(form.mspecials(), Qt::Key_Return);
    });
    form.bspecial()->click();
    QCOMPARE(form.meaction()->toPlainText(), QString("#msg one\n#msg "));
    QVERIFY(focused(form.meaction()));

    form.finder() =
        filefinder("/exe/", [](QWidget*, const QString&) { return QStringList{"/a b/c.txt"}; });
    form.meaction()->setPlainText("#bln\n");
    form.meaction()->moveCursor(QTextCursor::End);
    QApplication::sendEvent(form.meaction(), &out);
    form.button1()->click();
    QCOMPARE(form.meaction()->toPlainText(),
             "#bln\n\"" + QDir::toNativeSeparators("/a b/c.txt") + "\"");
    QVERIFY(focused(form.meaction()));
}

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    int failed = 0;
    {
        aidstest t;
        failed += QTest::qExec(&t, argc, argv);
    }
    {
        testtimetest t;
        failed += QTest::qExec(&t, argc, argv);
    }
    {
        wiringtest t;
        failed += QTest::qExec(&t, argc, argv);
    }
    return failed;
}

#include "aids_test.moc"
