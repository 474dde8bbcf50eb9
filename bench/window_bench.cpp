// The main window with a full book of 1000 alarms: a keystroke in the time field (commit,
// re-sort, list redraw), a scheduler tick, and the painting of the visible rows.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QListView>
#include <QPainter>
#include <QTemporaryDir>
#include <memory>
#include <string>

#include "alarms/desktop.h"
#include "timespec/clock.h"
#include "ui/alarmlist.h"
#include "ui/velkform.h"

namespace {

class fixedclock : public velk::clocksource {
  public:
    velk::datetime now() const override { return 46363.375; } // 2026-12-07 09:00
};

// A window holding 1000 alarms of assorted kinds, shown, with one alarm in the editor.
struct fullwindow {
    QTemporaryDir dir;
    std::unique_ptr<velk::TVELKForm> form;

    fullwindow() {
        static const char* const times[] = {"mon tue 08:00 | d[^mon;tue;sun] 09:00",
                                            "N-11-[15..21] thu morning",
                                            "d[mon..fri] [8..16]:00",
                                            "tue thu 17:00",
                                            "[^..2010]-1-1",
                                            "N-N-13 friday",
                                            "once 22:00 | once 23:00",
                                            "this wednesday 13:[00;10;20;30;40;50]"};
        form = std::make_unique<velk::TVELKForm>(dir.filePath("Alarms.data").toStdString(), "");
        form->FormCreate();
        for (int i = 0; i < velk::book::capacity; ++i) {
            velk::event& e = form->alarms().append(std::make_unique<velk::event>());
            e.name = "Alarm " + std::to_string(i);
            e.time = times[i % std::size(times)];
            e.action = {"#msg " + e.name};
            if (i % 3)
                e.activate();
            else
                e.recompute();
        }
        form->refreshlist(0);
        form->show();
        QApplication::processEvents();
    }
};

fullwindow& window() {
    static fullwindow w;
    return w;
}

// One key typed and taken back again in the time field, with the list redrawn each time.
void BM_keystroke(benchmark::State& state) {
    fullwindow& w = window();
    QLineEdit* ctime = w.form->ctime();
    ctime->setCursorPosition(ctime->text().size());
    bool typed = false;
    for (auto _ : state) {
        if (typed)
            ctime->backspace();
        else
            ctime->insert(QStringLiteral(" "));
        typed = !typed;
        w.form->lbevents()->viewport()->repaint();
    }
}
BENCHMARK(BM_keystroke)->Unit(benchmark::kMillisecond);

void BM_tick(benchmark::State& state) {
    fullwindow& w = window();
    for (auto _ : state) {
        w.form->ttTimer();
        w.form->lbevents()->viewport()->repaint();
    }
}
BENCHMARK(BM_tick)->Unit(benchmark::kMillisecond);

void BM_sortbook(benchmark::State& state) {
    fullwindow& w = window();
    for (auto _ : state)
        w.form->alarms().sortbook();
}
BENCHMARK(BM_sortbook)->Unit(benchmark::kMicrosecond);

// The rows a list of 328 pixels shows.
void BM_paintrows(benchmark::State& state) {
    fullwindow& w = window();
    QImage canvas(523, 328, QImage::Format_RGB32);
    const QFont font = velk::TVELKForm::windowfont();
    const QPalette palette = w.form->lbevents()->palette();
    for (auto _ : state) {
        QPainter p(&canvas);
        for (int r = 0; r < 22; ++r)
            w.form->delegate()->lbeventsDrawItem(p, r, QRect(0, r * 15, 523, 15), r == 3, font,
                                                 palette);
    }
}
BENCHMARK(BM_paintrows)->Unit(benchmark::kMicrosecond);

} // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", QByteArrayLiteral("offscreen"));
    QApplication app(argc, argv);
    fixedclock clock;
    velk::setclock(&clock);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    velk::setclock(nullptr);
    return 0;
}
