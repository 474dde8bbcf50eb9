// Rows of the alarm list, painted into an image and read back pixel by pixel.
#include <QDir>
#include <QFontMetrics>
#include <QImage>
#include <QListView>
#include <QPainter>
#include <QSystemTrayIcon>
#include <QTest>
#include <functional>
#include <memory>

#include "tests/support/fakeclock.h"
#include "ui/alarmlist.h"
#include "ui/icons.h"
#include "ui/traytip.h"
#include "ui/velkform.h"

using namespace velk;
using velk::test::at;

namespace {

const QColor highlight(0, 0, 200);
const QColor white(255, 255, 255);
const QColor black(0, 0, 0);
const QColor grey(0x80, 0x80, 0x80);
const QColor lightgrey(0xA0, 0xA0, 0xA0);
constexpr int rowwidth = 523;
constexpr int textx = 17; // 5 + the bell's 7 + 5

QPalette listpalette() {
    QPalette p;
    p.setColor(QPalette::Highlight, highlight);
    p.setColor(QPalette::HighlightedText, white);
    p.setColor(QPalette::Base, white);
    p.setColor(QPalette::Text, black);
    return p;
}

// Text drawn without smoothing, so every inked pixel has exactly the text colour.
QFont rowfont() {
    QFont f = TVELKForm::windowfont();
    f.setStyleStrategy(QFont::NoAntialias);
    return f;
}

struct painted {
    QImage image;
    QColor background;

    QColor at(int x, int y) const { return image.pixelColor(x, y); }
    // Columns from x0 up to x1 (excluded) that hold a pixel other than the background.
    std::vector<int> inkcolumns(int x0, int x1) const {
        std::vector<int> cols;
        for (int x = x0; x < x1; ++x)
            for (int y = 0; y < image.height(); ++y)
                if (at(x, y) != background) {
                    cols.push_back(x);
                    break;
                }
        return cols;
    }
    bool onlycolours(int x0, int x1, const QColor& ink) const {
        for (int x = x0; x < x1; ++x)
            for (int y = 0; y < image.height(); ++y)
                if (at(x, y) != background && at(x, y) != ink) return false;
        return true;
    }
};

} // namespace

class alarmlisttest : public QObject {
    Q_OBJECT

    std::unique_ptr<test::fakeclock> clock;
    book alarms;
    QImage bell = icons::imbell(), bellinv;

    velk::event& add(const std::string& name, const std::string& time, bool active) {
        velk::event& e = alarms.append(std::make_unique<velk::event>());
        e.name = name;
        e.time = time;
        if (active)
            e.activate();
        else
            e.recompute();
        alarms.sortbook();
        return e;
    }
    int rowof(const velk::event& e) const {
        for (int r = 0; r < alarms.evcount(); ++r)
            if (alarms.evs(alarms.evorder(r)) == &e) return r;
        return -1;
    }
    painted paint(const velk::event& e, bool selected) {
        alarmdelegate d(alarms, bell, bellinv);
        painted p{QImage(rowwidth, alarmdelegate::rowheight, QImage::Format_RGB32),
                  selected ? highlight : white};
        p.image.fill(Qt::magenta);
        QPainter painter(&p.image);
        d.lbeventsDrawItem(painter, rowof(e), p.image.rect(), selected, rowfont(), listpalette());
        return p;
    }

  private slots:
    void init() {
        clock = std::make_unique<test::fakeclock>(at("2026-12-07 09:00:30"));
        alarms.clear();
        icons::invertbell(bell, bellinv, highlight);
    }
    // Before the next init: a clock replaced in place would put the system clock back.
    void cleanup() { clock.reset(); }

    void invertedbell() {
        QCOMPARE(bellinv.size(), QSize(7, 13));
        for (int y = 0; y < 13; ++y)
            for (int x = 0; x < 7; ++x)
                QCOMPARE(bellinv.pixelColor(x, y),
                         bell.pixelColor(x, y) == black ? white : highlight);
        // The bell itself: its clapper at the bottom, its rim across the eleventh row.
        QCOMPARE(bell.pixelColor(3, 12), black);
        for (int x = 0; x < 7; ++x)
            QCOMPARE(bell.pixelColor(x, 10), black);
        QCOMPARE(bell.pixelColor(3, 0), white);
    }

    void rows_data() {
        QTest::addColumn<bool>("active");
        QTest::addColumn<bool>("selected");
        QTest::addColumn<QColor>("ink");
        QTest::newRow("active") << true << false << black;
        QTest::newRow("active, selected") << true << true << white;
        QTest::newRow("inactive") << false << false << grey;
        QTest::newRow("inactive, selected") << false << true << lightgrey;
    }
    void rows() {
        QFETCH(bool, active);
        QFETCH(bool, selected);
        QFETCH(QColor, ink);
        const velk::event& e = add("Meeting", "tue thu 17:00", active);
        const painted p = paint(e, selected);
        // The whole row is filled; nothing of the canvas shows through.
        QVERIFY(p.onlycolours(0, rowwidth, ink));
        for (int x = 0; x < rowwidth; ++x)
            QCOMPARE(p.at(x, 0), p.background);
        // The bell at (5, 1): the black one, the inverted one on selected rows, none inactive.
        const QImage& shown = selected ? bellinv : bell;
        for (int y = 0; y < 13; ++y)
            for (int x = 0; x < 7; ++x)
                QCOMPARE(p.at(5 + x, 1 + y), active ? shown.pixelColor(x, y) : p.background);

        // Columns: date at 17, countdown ending at the template widths, name 10 further on.
        const QFontMetrics fm(rowfont());
        const int end = textx + fm.horizontalAdvance("0000-00-00 00:00 mon") +
                        fm.horizontalAdvance("(+000d 00:00)") + 10;
        const auto date = p.inkcolumns(textx, textx + fm.horizontalAdvance("0000-00-00 00:00 mon"));
        QVERIFY(!date.empty());
        QVERIFY(date.front() <= textx + 1);
        const auto count = p.inkcolumns(date.back() + 2, end + 5);
        QVERIFY(!count.empty());
        QVERIFY2(
            count.back() <= end && count.back() >= end - 3,
            qPrintable(QString("countdown ends at %1, expected %2").arg(count.back()).arg(end)));
        const auto name = p.inkcolumns(end + 1, rowwidth);
        QVERIFY(!name.empty());
        QVERIFY(name.front() >= end + 10 && name.front() <= end + 11);
        QVERIFY(name.back() - name.front() <= fm.horizontalAdvance("Meeting"));
    }

    void nonextandnoname() {
        const velk::event& e = add("", "today 7:30", true);
        QVERIFY(isnovalue(e.next));
        const painted p = paint(e, false);
        const QFontMetrics fm(rowfont());
        const int end = textx + fm.horizontalAdvance("0000-00-00 00:00 mon") +
                        fm.horizontalAdvance("(+000d 00:00)") + 10;
        // "-" in the date column and "-" ending at the countdown's edge.
        const auto date = p.inkcolumns(textx, end - fm.horizontalAdvance("(+000d 00:00)"));
        QVERIFY(!date.empty());
        QVERIFY(date.back() - date.front() < fm.horizontalAdvance("-"));
        const auto count = p.inkcolumns(end - fm.horizontalAdvance("(+000d 00:00)"), end + 1);
        QVERIFY(!count.empty());
        QVERIFY(count.back() - count.front() < fm.horizontalAdvance("-"));
        QVERIFY(count.back() >= end - fm.horizontalAdvance("-"));
        // An empty name reads "<ALARM>".
        const auto name = p.inkcolumns(end + 1, rowwidth);
        QVERIFY(!name.empty());
        const int inked = name.back() - name.front() + 1, advance = fm.horizontalAdvance("<ALARM>");
        // The advance includes the blank bearings at both ends.
        QVERIFY(inked <= advance && inked >= advance - 6);
    }

    void longcountdown() {
        // 1000 days and more run into the date column; nothing clips them.
        velk::event& e = add("Far", "2030-1-1 12:00", true);
        QVERIFY(!isnovalue(e.next));
        const painted p = paint(e, false);
        QVERIFY(!p.inkcolumns(textx, rowwidth).empty());
    }

    void throughthewindow() {
        TVELKForm form(QDir::temp().filePath("velk-alarmlist-test-none/Alarms.data").toStdString(),
                       "");
        for (const char* n : {"a", "b", "c"})
            form.alarms().append(std::make_unique<velk::event>()).name = n;
        form.refreshlist(tickhost::shownone);
        QCOMPARE(form.lbevents()->model()->rowCount(), 3);
        QCOMPARE(form.lbevents()->sizeHintForRow(0), 15);
        QCOMPARE(form.selectedrow(), -1);
        QCOMPARE(form.trayicon()->toolTip(), QString("[Orlimbo]\nNo Alarm is due."));
    }

    // The tray icon names the soonest active alarm, as the list shows its time.
    void traytip() {
        add("Tea", "17:00", true);
        add("Gone", "today 7:30", true);
        add("Off", "9:10", false);
        add("", "9:30", true);
        QCOMPARE(velk::traytip(alarms, now(), "[O]"),
                 "[O]\nNext: <ALARM>\n2026-12-07 09:30 mon  (+00:29)");
    }
};

QTEST_MAIN(alarmlisttest)
#include "alarmlist_test.moc"
