// Loading and saving the alarm file with a full book.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <unistd.h>

#include "alarms/alarmfile.h"
#include "alarms/snoozes.h"
#include "timespec/clock.h"

namespace {

using namespace velk;

// 2026-12-06 09:00, so every run searches the same stretch of calendar.
class fixedclock : public clocksource {
  public:
    datetime now() const override { return 46362.375; }
};
const fixedclock fixed;

const char* const realistic[] = {
    "8:00",
    "mon tue 08:00 | d[^mon;tue;sun] 09:00",
    "N-11-[15..21] thu morning",
    "d[mon..fri] [8..16]:00",
    "tue thu 17:00",
    "N-N-13 friday",
    "this wednesday 13:[00;10;20;30;40;50]",
    "once 22:00 | once 23:00",
    "[^..2010]-1-1",
    "N-N-31 12:00",
    "N-2-29 08:00",
    "tomorrow 7:30",
    "2027-3-15 9:45",
    "d[sat;sun] [10;14]:30",
    "N-[1..12]-1 6:00",
    "fri 16:45 | N-12-24 18:00",
};

// Each admits nothing from now until the end of 2500.
const char* const pathological[] = {
    "d[^sun..sat]",
    "N-N-N d[^0;1;2;3;4;5;6] N:N",
    "N-2-30",
    "N-N-31 d[^0..6] [0..23]:[0..59]",
    "[1980..2500]-[1..12]-[1..31] d[^0..6] 12:00",
    "N-4-31 | N-6-31 | N-9-31 | N-11-31 | N-2-[30;31]",
    "N-2-29 d[^0..6] N:N",
    "d[^0..6] 8:00 | d[^0..6] 9:00 | N-2-30 10:00",
};

// A file of 1000 alarms whose time texts cycle through texts.
template <size_t n> std::string makefile(const char* const (&texts)[n], const std::string& name) {
    setclock(&fixed);
    // A folder of our own: the alarm file refuses one that others may write, as /tmp is.
    const auto folder =
        std::filesystem::temp_directory_path() / ("velk-bench-" + std::to_string(getpid()));
    std::filesystem::create_directory(folder);
    std::filesystem::permissions(folder, std::filesystem::perms::owner_all);
    const std::string path = (folder / name).string();
    book b;
    for (int i = 0; i < book::capacity; ++i) {
        auto e = std::make_unique<event>();
        e->name = "Alarm number " + std::to_string(i);
        e->time = texts[static_cast<size_t>(i) % n];
        e->action = {"#msg Time for alarm " + std::to_string(i), "#beep 880 200",
                     "https://example.org/agenda"};
        e->created -= i * 0.37;
        if (i % 3 == 0) e->last = e->created + 0.5;
        e->activate();
        b.append(std::move(e));
    }
    alarmfile(path).save(b);
    return path;
}

void loadbook(benchmark::State& state, const std::string& path) {
    alarmfile file(path);
    for (auto _ : state) {
        book b;
        file.load(b);
        benchmark::DoNotOptimize(b.evcount());
        if (b.evcount() != book::capacity) state.SkipWithError("not every alarm loaded");
    }
    std::filesystem::remove(path);
}

void BM_load_realistic(benchmark::State& state) {
    loadbook(state, makefile(realistic, "real"));
}
BENCHMARK(BM_load_realistic)->Unit(benchmark::kMillisecond);

void BM_load_pathological(benchmark::State& state) {
    loadbook(state, makefile(pathological, "patho"));
}
BENCHMARK(BM_load_pathological)->Unit(benchmark::kMillisecond);

// The whole save: text, temporary file, flush to the disk, rename.
void BM_save_realistic(benchmark::State& state) {
    const std::string path = makefile(realistic, "save");
    alarmfile file(path);
    book b;
    file.load(b);
    for (auto _ : state)
        file.save(b);
    std::filesystem::remove(path);
}
BENCHMARK(BM_save_realistic)->Unit(benchmark::kMillisecond);

// The text alone, without the disk.
void BM_eventtext_realistic(benchmark::State& state) {
    const std::string path = makefile(realistic, "text");
    alarmfile file(path);
    book b;
    file.load(b);
    for (auto _ : state) {
        std::string text;
        for (int i = 0; i < b.evcount(); ++i)
            text += eventtext(*b.evs(i));
        benchmark::DoNotOptimize(text.data());
    }
    std::filesystem::remove(path);
}
BENCHMARK(BM_eventtext_realistic)->Unit(benchmark::kMillisecond);

// What a start adds with every alarm snoozed: the snooze file read, matched to the book and
// checked against each alarm's next regular run, and one list's worth of look-ups.
void BM_snoozes_at_start(benchmark::State& state) {
    const std::string path = makefile(realistic, "snooze");
    book b;
    alarmfile(path).load(b);
    snoozes all;
    for (int i = 0; i < b.evcount(); ++i)
        all.snooze(*b.evs(i), 46362.375 + 1e-4, 10);
    const std::string text = all.text();
    for (auto _ : state) {
        snoozes s;
        s.parse(text);
        s.prune(b);
        int snoozed = 0;
        for (int i = 0; i < b.evcount(); ++i)
            snoozed += !isnovalue(s.until(*b.evs(i)));
        benchmark::DoNotOptimize(snoozed);
    }
    std::filesystem::remove(path);
}
BENCHMARK(BM_snoozes_at_start)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
