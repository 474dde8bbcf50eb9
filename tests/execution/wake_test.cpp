#include <gtest/gtest.h>

#include <functional>

#include "alarms/settings.h"
#include "execution/wake.h"
#include "tests/alarms/tempdir.h"
#include "tests/support/fakeclock.h"
#include "tests/support/fakewake.h"

namespace velk {
namespace {

using test::at;

class wake : public testing::Test {
  protected:
    wake() : clock(at("2026-12-07 08:05")) {
        add("tea", "08:30");
        add("off", "08:10").deactivate();
        add("weekly", "wed 07:00");
    }
    event& add(const std::string& name, const std::string& time) {
        auto e = std::make_unique<event>();
        e->name = name;
        e->time = time;
        e->created = clock.now();
        e->activate();
        return alarms.append(std::move(e));
    }
    std::string woken(const char* now) {
        const int i = wakealarm(alarms, at(now));
        return i < 0 ? "" : alarms.evs(i)->name;
    }

    test::fakewallclock clock;
    book alarms;
    test::fakewaketimer timer;
};

// Soonest active alarm after now, up to a day ahead on the wall clock; due ones run anyway.
TEST_F(wake, thealarmtowakefor) {
    const struct {
        const char *now, *expect;
    } rows[] = {{"2026-12-07 08:05", "tea"},    {"2026-12-07 08:30", ""},
                {"2026-12-07 08:30:30", ""},    {"2026-12-08 06:59", ""},
                {"2026-12-08 07:00", "weekly"}, {"2026-12-08 07:10", "weekly"}};
    for (const auto& r : rows)
        EXPECT_EQ(woken(r.now), r.expect) << r.now;
}

// A put-off run wakes too when it comes first, within the same day.
TEST_F(wake, asnoozedrunthatcomesfirst) {
    snoozes putoff;
    event& tea = *alarms.evs(0);
    for (const auto& [until, expect] : {std::pair{"2026-12-07 08:20", "2026-12-07 08:20"},
                                        std::pair{"2026-12-09 08:20", "2026-12-07 08:30"}}) {
        putoff.snooze(tea, at(until), 15);
        EXPECT_EQ(wakemoment(alarms, clock.now(), &putoff), at(expect)) << until;
    }
}

TEST_F(wake, armsonlywhenthemomentmoves) {
    wakearmer armer(timer);
    event& tea = *alarms.evs(0);
    const auto none = [] {};
    const long long teams = clock.wallms(tea.next);
    const auto arm = [](long long ms) { return "arm " + std::to_string(ms); };
    const struct {
        const char* what;
        std::function<void()> change;
        bool on, force;
        std::vector<std::string> log;
    } steps[] = {{"off: nothing armed", none, false, false, {}},
                 {"on", none, true, false, {arm(teams)}},
                 {"a tick, nothing new", none, true, false, {}},
                 {"a new time zone",
                  [this] { clock.offsetms = 3600000; },
                  true,
                  true,
                  {arm(teams + 3600000)}},
                 {"resumed: the timer may be spent", none, true, true, {arm(teams + 3600000)}},
                 {"tea switched off", [&tea] { tea.deactivate(); }, true, false, {"disarm"}},
                 {"switched off, nothing armed", none, false, false, {}}};
    for (const auto& s : steps) {
        timer.log.clear();
        s.change();
        armer.rearm(alarms, clock.now(), s.on, s.force);
        EXPECT_EQ(timer.log, s.log) << s.what;
    }
}

TEST_F(wake, afailedarmistriedagain) {
    wakearmer armer(timer);
    timer.failwith = "helper ended";
    armer.rearm(alarms, clock.now(), true);
    EXPECT_EQ(armer.problem(), "helper ended");
    timer.failwith.clear();
    armer.rearm(alarms, clock.now(), true);
    EXPECT_EQ(timer.log.size(), 2u);
    EXPECT_EQ(armer.armedat(), clock.wallms(alarms.evs(0)->next));
}

// Off unless the file says on; setting keeps the other lines.
TEST(settingsfile, wakeswitch) {
    test::tempdir dir;
    const std::string file = dir.file("velk/settings");
    EXPECT_FALSE(settings::wake(file));
    ASSERT_EQ(settings::setwake(true, file), "");
    EXPECT_TRUE(settings::wake(file));
    EXPECT_EQ(settings::withvalue("x=1\nwake=on\ny=2", "wake", "off"), "x=1\nwake=off\ny=2\n");
    EXPECT_EQ(settings::value("wakeup=on\nwake=on \r\n", "wake"), "on");
}

} // namespace
} // namespace velk
