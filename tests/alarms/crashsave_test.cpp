#include <gtest/gtest.h>

#include <csignal>
#include <random>
#include <sys/wait.h>
#include <unistd.h>

#include "alarms/alarmfile.h"
#include "tests/alarms/tempdir.h"
#include "tests/support/fakeclock.h"
#include "tests/support/fakedesktop.h"
#include "timespec/error.h"

namespace velk {
namespace {

const char* const texts[] = {"8:00", "mon tue 08:00 | d[^mon;tue;sun] 09:00", "tue thu 17:00",
                             "d[mon..fri] [8..16]:00", "N-11-[15..21] thu morning"};

std::string nameof(int i, long generation) {
    return "alarm " + std::to_string(i) + " gen " + std::to_string(generation);
}

// A process that saves a full book over and over is killed at random moments; after every kill
// the file must still load whole, every alarm of one and the same save.
TEST(crashsave, KilledWhileSavingLeavesAWholeFile) {
    test::fakeclock clock(test::at("2026-12-06 09:00"));
    test::fakedesktop desk;
    test::tempdir dir;
    const std::string path = dir.file("Alarms.data");

    book b;
    for (int i = 0; i < book::capacity; ++i) {
        auto e = std::make_unique<event>();
        e->name = nameof(i, 0);
        e->time = texts[i % 5];
        e->action = {"#msg " + std::to_string(i), "#beep"};
        e->activate();
        b.append(std::move(e));
    }
    alarmfile(path).save(b);

    std::mt19937 rng(5);
    constexpr int kills = 200;
    long lastgeneration = 0;
    for (int k = 0; k < kills; ++k) {
        const long firstgeneration = lastgeneration + 1;
        int ready[2];
        ASSERT_EQ(pipe(ready), 0);
        const pid_t pid = fork();
        ASSERT_GE(pid, 0);
        if (pid == 0) {
            alarmfile file(path);
            for (long g = firstgeneration;; ++g) {
                for (int i = 0; i < b.evcount(); ++i)
                    b.evs(i)->name = nameof(i, g);
                // The kill comes while the saves run, wherever they are.
                if (g == firstgeneration && write(ready[1], "s", 1) != 1) _exit(4);
                try {
                    file.save(b);
                } catch (...) {
                    _exit(3);
                }
            }
        }
        close(ready[1]);
        char byte = 0;
        const bool started = read(ready[0], &byte, 1) == 1;
        close(ready[0]);
        usleep(rng() % 20000);
        kill(pid, SIGKILL);
        int status = 0;
        waitpid(pid, &status, 0);
        ASSERT_TRUE(started && WIFSIGNALED(status)) << "the saving process ended by itself";

        book back;
        try {
            alarmfile(path).load(back);
        } catch (const velkerror& e) {
            FAIL() << "after kill " << k << ": " << e.text;
        }
        ASSERT_EQ(back.evcount(), book::capacity) << "after kill " << k;
        const std::string& first = back.evs(0)->name;
        lastgeneration = std::stol(first.substr(first.rfind(' ') + 1));
        for (int i = 0; i < back.evcount(); ++i) {
            ASSERT_EQ(back.evs(i)->name, nameof(i, lastgeneration)) << "after kill " << k;
            ASSERT_EQ(back.evs(i)->time, texts[i % 5]);
            ASSERT_EQ(back.evs(i)->action.size(), 2u);
        }
    }
    // Temporaries left by kills during a write show that kills did land inside saves.
    int temporaries = 0;
    for (const auto& f : std::filesystem::directory_iterator(dir.path()))
        if (f.path().filename() != "Alarms.data") ++temporaries;
    EXPECT_GT(temporaries, 0);
    std::cout << kills << " kills, " << temporaries << " interrupted saves, last generation "
              << lastgeneration << "\n";
}

} // namespace
} // namespace velk
