// `velk --agenda 7` over a full book of 1000 active alarms: the whole process (start, load,
// search, print, exit) as a shell script sees it, and the agenda's search alone.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

#include "alarms/alarmfile.h"
#include "control/commands.h"
#include "timespec/clock.h"

extern char** environ;

namespace {

using namespace velk;
namespace fs = std::filesystem;

const char* const times[] = {
    "8:00",
    "mon tue 08:00 | d[^mon;tue;sun] 09:00",
    "d[mon..fri] [8..16]:00",
    "tue thu 17:00",
    "this wednesday 13:[00;10;20;30;40;50]",
    "d[sat;sun] [10;14]:30",
    "N-[1..12]-1 6:00",
    "fri 16:45 | N-12-24 18:00",
    "[0..23]:[0;30]",
};

std::string fullbook() {
    std::string text;
    for (int i = 0; i < book::capacity; ++i) {
        event e;
        e.name = "Alarm " + std::to_string(i);
        e.time = times[static_cast<std::size_t>(i) % std::size(times)];
        e.active = true;
        e.action = {"#bln " + e.name};
        text += eventtext(e);
    }
    return text;
}

// A copy of the program in a folder of its own: its alarm file lies beside it, and no window
// runs for it.
class scratch {
  public:
    scratch() {
        std::string pattern = (fs::temp_directory_path() / "velk-bench-XXXXXX").string();
        dir_ = mkdtemp(pattern.data());
        fs::copy_file(VELK_EXE, dir_ / "velk");
        std::ofstream(dir_ / "Alarms.data", std::ios::binary) << fullbook();
        fs::create_directory(dir_ / "run");
        fs::permissions(dir_ / "run", fs::perms::owner_all);
        setenv("XDG_RUNTIME_DIR", (dir_ / "run").c_str(), 1);
    }
    ~scratch() { fs::remove_all(dir_); }
    fs::path exe() const { return dir_ / "velk"; }

  private:
    fs::path dir_;
};

void BM_AgendaProcess(benchmark::State& state) {
    scratch s;
    const std::string exe = s.exe().string();
    char* argv[] = {const_cast<char*>(exe.c_str()), const_cast<char*>("--agenda"),
                    const_cast<char*>("7"), nullptr};
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    for (auto _ : state) {
        pid_t pid = 0;
        if (posix_spawn(&pid, exe.c_str(), &actions, nullptr, argv, environ) != 0) {
            state.SkipWithError("could not start velk");
            break;
        }
        int status = 0;
        waitpid(pid, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            state.SkipWithError("velk --agenda failed");
            break;
        }
    }
    posix_spawn_file_actions_destroy(&actions);
}
BENCHMARK(BM_AgendaProcess)->Unit(benchmark::kMillisecond)->UseRealTime()->MinTime(1.0);

void BM_AgendaText(benchmark::State& state) {
    std::deque<std::string> lines = splitlines(fullbook());
    book b;
    readevents(lines, b);
    b.sortbook();
    const datetime t = now();
    for (auto _ : state)
        benchmark::DoNotOptimize(control::agendatext(b, t, 7));
}
BENCHMARK(BM_AgendaText)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
