#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <functional>

#include "ui/icons.h"
#include "ui/messagedialog.h"
#include "ui/qtdesktop.h"

using velk::answer;

Q_DECLARE_METATYPE(velk::answer)

namespace {

// How the test leaves the dialog.
enum class leave { click, escape, closebox, enter };

// Buttons as the user sees them, left to right.
QList<QPushButton*> shownbuttons(QWidget* dialog) {
    auto buttons = dialog->findChildren<QPushButton*>();
    std::sort(buttons.begin(), buttons.end(),
              [](QPushButton* a, QPushButton* b) { return a->x() < b->x(); });
    return buttons;
}

// The texts as shown: an accelerator's "&" only underlines its letter.
QStringList texts(const QList<QPushButton*>& buttons) {
    QStringList t;
    for (auto* b : buttons)
        t << QString(b->text()).remove(QLatin1Char('&'));
    return t;
}

// Runs `inside` on the modal dialog once it is open, then leaves it the given way.
void whenopen(std::function<void(QWidget*)> inside, leave how, int button = 0) {
    QTimer::singleShot(0, [=] {
        QWidget* dialog = QApplication::activeModalWidget();
        QVERIFY(dialog);
        inside(dialog);
        switch (how) {
        case leave::click:
            QTest::mouseClick(shownbuttons(dialog).at(button), Qt::LeftButton);
            break;
        case leave::escape:
            QTest::keyClick(dialog, Qt::Key_Escape);
            break;
        case leave::closebox:
            dialog->close();
            break;
        case leave::enter:
            QTest::keyClick(dialog, Qt::Key_Return);
            break;
        }
    });
}

bool hasicon(QWidget* dialog) {
    for (auto* label : dialog->findChildren<QLabel*>())
        if (!label->pixmap().isNull()) return true;
    return false;
}

} // namespace

class qtdesktoptest : public QObject {
    Q_OBJECT
    velk::qtdesktop* desk = nullptr;

  private slots:
    void initTestCase() {
        // No session bus: balloons without a tray take their last resort, the corner note.
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/velk-test-bus");
        desk = new velk::qtdesktop(this);
        QCOMPARE(&velk::thedesktop(), desk);
        desk->setanswerpause(0);
    }

    void fourbuttons_data() {
        QTest::addColumn<answer>("defaultbutton");
        QTest::addColumn<int>("how");
        QTest::addColumn<int>("button");
        QTest::addColumn<int>("defaultshown"); // index of the default button
        QTest::addColumn<answer>("expected");
        const int click = int(leave::click);
        QTest::newRow("Yes clicked") << answer::yes << click << 0 << 0 << answer::yes;
        QTest::newRow("No clicked") << answer::notoall << click << 1 << 2 << answer::no;
        QTest::newRow("No to All clicked") << answer::yes << click << 2 << 0 << answer::notoall;
        // None named: as in any dialog, the focused first button answers Enter.
        QTest::newRow("Yes to All clicked") << answer::none << click << 3 << 0 << answer::yestoall;
        QTest::newRow("Escape") << answer::no << int(leave::escape) << 0 << 1 << answer::none;
        QTest::newRow("close box")
            << answer::yestoall << int(leave::closebox) << 0 << 3 << answer::none;
        QTest::newRow("Enter takes No to All")
            << answer::notoall << int(leave::enter) << 0 << 2 << answer::notoall;
        QTest::newRow("Enter takes Yes")
            << answer::yes << int(leave::enter) << 0 << 0 << answer::yes;
    }

    void fourbuttons() {
        QFETCH(answer, defaultbutton);
        QFETCH(int, how);
        QFETCH(int, button);
        QFETCH(int, defaultshown);
        QFETCH(answer, expected);
        bool checked = false;
        whenopen(
            [&](QWidget* dialog) {
                QCOMPARE(dialog->windowTitle(), QStringLiteral("[VELK]"));
                QVERIFY(!hasicon(dialog));
                const auto buttons = shownbuttons(dialog);
                QCOMPARE(texts(buttons), (QStringList{"Yes", "No", "No to All", "Yes to All"}));
                for (int i = 0; i < buttons.size(); ++i)
                    QCOMPARE(buttons[i]->isDefault(), i == defaultshown);
                checked = true;
            },
            leave(how), button);
        QCOMPARE(desk->askfour("10:00\r\n\r\nAlarm wants to execute its Action.", defaultbutton),
                 expected);
        QVERIFY(checked);
    }

    // The accelerators of the desktop's own message boxes, with Alt and alone.
    void accelerators_data() {
        QTest::addColumn<int>("key");
        QTest::addColumn<bool>("alt");
        QTest::addColumn<answer>("four");
        QTest::addColumn<int>("yesno"); // 1 Yes, 0 No, -1 the key does nothing there
        QTest::newRow("Alt+Y") << int(Qt::Key_Y) << true << answer::yes << 1;
        QTest::newRow("Y") << int(Qt::Key_Y) << false << answer::yes << 1;
        QTest::newRow("Alt+N") << int(Qt::Key_N) << true << answer::no << 0;
        QTest::newRow("N") << int(Qt::Key_N) << false << answer::no << 0;
        QTest::newRow("Alt+O") << int(Qt::Key_O) << true << answer::notoall << -1;
        QTest::newRow("O") << int(Qt::Key_O) << false << answer::notoall << -1;
        QTest::newRow("Alt+A") << int(Qt::Key_A) << true << answer::yestoall << -1;
        QTest::newRow("A") << int(Qt::Key_A) << false << answer::yestoall << -1;
        QTest::newRow("Q: nothing") << int(Qt::Key_Q) << false << answer::none << -1;
    }
    void accelerators() {
        QFETCH(int, key);
        QFETCH(bool, alt);
        QFETCH(answer, four);
        QFETCH(int, yesno);
        const auto mods = alt ? Qt::AltModifier : Qt::NoModifier;
        auto press = [&](QWidget* dialog) {
            QTest::keyClick(dialog, Qt::Key(key), mods);
            // A key that names no button leaves the box open.
            if (dialog->isVisible()) dialog->close();
        };
        whenopen(press, leave::closebox);
        QCOMPARE(desk->askfour("keys", answer::notoall), four);
        whenopen(press, leave::closebox);
        QCOMPARE(desk->askyesno("Exit [VELK]?"), yesno == 1);
    }

    // One bell at every size the project draws, for windows, dialogs, task bar and tray.
    void appicon() {
        const QIcon icon = velk::icons::appicon();
        QList<QSize> sizes = icon.availableSizes();
        std::sort(sizes.begin(), sizes.end(),
                  [](QSize a, QSize b) { return a.width() < b.width(); });
        QCOMPARE(sizes, (QList<QSize>{{16, 16}, {32, 32}, {48, 48}, {256, 256}}));
        // A large size is a picture of its own (an icon never blows a small one up).
        QCOMPARE(icon.pixmap(256, 256).size(), QSize(256, 256));
    }

    void questiontext() {
        whenopen(
            [](QWidget* dialog) {
                auto* label = dialog->findChild<velk::tabbedtext*>("text");
                QVERIFY(label);
                QCOMPARE(label->text(), QStringLiteral("line one\n\nYes\t\t- go"));
            },
            leave::escape);
        desk->askfour("line one\r\n\r\nYes\t\t- go", answer::yes);
    }

    void yesno_data() {
        QTest::addColumn<int>("how");
        QTest::addColumn<int>("button");
        QTest::addColumn<bool>("expected");
        QTest::newRow("Yes") << int(leave::click) << 0 << true;
        QTest::newRow("No") << int(leave::click) << 1 << false;
        QTest::newRow("Escape") << int(leave::escape) << 0 << false;
        QTest::newRow("close box") << int(leave::closebox) << 0 << false;
    }

    void yesno() {
        QFETCH(int, how);
        QFETCH(int, button);
        QFETCH(bool, expected);
        whenopen(
            [](QWidget* dialog) {
                QCOMPARE(dialog->windowTitle(), QStringLiteral("[VELK]"));
                QVERIFY(!hasicon(dialog));
                QCOMPARE(texts(shownbuttons(dialog)), (QStringList{"Yes", "No"}));
            },
            leave(how), button);
        QCOMPARE(desk->askyesno("Go on?"), expected);
    }

    void message() {
        whenopen(
            [](QWidget* dialog) {
                QCOMPARE(dialog->windowTitle(), QStringLiteral("[VELK]"));
                QVERIFY(!hasicon(dialog));
                QCOMPARE(texts(shownbuttons(dialog)), QStringList{"OK"});
                QCOMPARE(dialog->findChild<velk::tabbedtext*>("text")->text(),
                         QStringLiteral("Wake up"));
                // Closing a box must not end a program whose window is hidden in the tray.
                QVERIFY(!dialog->testAttribute(Qt::WA_QuitOnClose));
            },
            leave::enter);
        desk->showmessage("Wake up");
    }

    // The bringer fires once inside the dialog's own loop, while the dialog is open.
    void bringerfiresinsidedialog() {
        QSignalSpy fired(&desk->bringer(), &QTimer::timeout);
        int firedwhileopen = -1;
        QTimer::singleShot(200, [&] {
            firedwhileopen = int(fired.count());
            QTest::keyClick(QApplication::activeModalWidget(), Qt::Key_Escape);
        });
        desk->armbringer();
        desk->showmessage("front");
        QCOMPARE(firedwhileopen, 1);
        QCOMPARE(fired.count(), 1);
    }

    // A box mapped anew (a compositor that only focuses new windows) is still the same question.
    void remapkeepsthequestion() {
        velk::messagedialog box("Stretch now?", {"&Yes", "&No"});
        bool shownagain = false;
        QTimer::singleShot(0, [&] { box.remap(); });
        QTimer::singleShot(100, [&] {
            shownagain = box.isVisible();
            QTest::keyClick(&box, Qt::Key_N);
        });
        QCOMPARE(box.ask(), 1);
        QVERIFY(shownagain);
        QCOMPARE(velk::messagedialog::opencount(), 0);
    }

    // The question's own loop keeps the window's timers running, so ticks can re-enter.
    void timersrunindialog() {
        QTimer tick;
        tick.setInterval(10);
        int ticks = 0;
        connect(&tick, &QTimer::timeout, [&] { ++ticks; });
        tick.start();
        QTimer::singleShot(
            300, [] { QTest::keyClick(QApplication::activeModalWidget(), Qt::Key_Escape); });
        desk->askfour("tick", answer::yes);
        QVERIFY(ticks >= 5);
    }

    void balloonwithoutany_tray() {
        desk->settrayicon(nullptr);
        // An alarm name from an 8-bit file is shown as the list shows it.
        desk->balloon("Standup M\xfcller", "Room 4\r\nnow");
        QWidget* note = nullptr;
        for (auto* w : QApplication::topLevelWidgets())
            if (w->objectName() == "cornernote" && w->isVisible()) note = w;
        QVERIFY(note);
        QStringList shown;
        for (auto* label : note->findChildren<QLabel*>())
            shown << label->text();
        QCOMPARE(shown, (QStringList{"Standup M\u00fcller", "Room 4\nnow"}));
        note->close();
    }

    void sleepiscapped() {
        QElapsedTimer clock;
        clock.start();
        desk->sleepms(-5);
        desk->tone(440, -100);
        QVERIFY(clock.elapsed() < 50);
        desk->sleepms(60);
        QVERIFY(clock.elapsed() >= 55);
    }

    // A tone takes its time whether it can be sounded or not (out of the tone call's range, no
    // sound device), so a script keeps its pace on every system.
    void tonekeepsitslength_data() {
        QTest::addColumn<int>("frequency");
        QTest::newRow("in range") << 440;
        QTest::newRow("below the Windows range") << 20;
        QTest::newRow("above every range") << 40000;
    }
    void tonekeepsitslength() {
        QFETCH(int, frequency);
        QElapsedTimer clock;
        clock.start();
        desk->tone(frequency, 120);
        QVERIFY2(clock.elapsed() >= 115, qPrintable(QString::number(clock.elapsed())));
        QVERIFY2(clock.elapsed() < 1500, qPrintable(QString::number(clock.elapsed())));
    }
};

QTEST_MAIN(qtdesktoptest)
#include "qtdesktop_test.moc"
