#include <gtest/gtest.h>

#include <random>

#include "alarms/alarmfile.h"
#include "alarms/book.h"
#include "alarms/displaytime.h"
#include "alarms/futuredates.h"
#include "alarms/retyping.h"
#include "tests/support/fakeclock.h"
#include "tests/support/fakedesktop.h"
#include "timespec/error.h"

namespace velk {
namespace {

using test::at;

struct eventfixture : ::testing::Test {
    test::fakeclock clock{at("2026-12-06 09:00")};
    test::fakedesktop desk;

    static std::unique_ptr<event> made(const std::string& time, bool activeon = false) {
        auto e = std::make_unique<event>();
        e->time = time;
        if (activeon)
            e->activate();
        else
            e->recompute();
        return e;
    }
};

TEST_F(eventfixture, NewAlarmIsInactiveWithoutTimes) {
    event e;
    EXPECT_EQ(e.created, at("2026-12-06 09:00"));
    EXPECT_EQ(e.last, novalue);
    EXPECT_EQ(e.next, novalue);
    EXPECT_EQ(e.parsed, nullptr);
    EXPECT_FALSE(e.active);
    EXPECT_FALSE(e.busy);
    EXPECT_TRUE(e.action.empty());
    EXPECT_TRUE(desk.calls.empty());
}

// Each row: start time, last time, time text, the next time recompute must find.
struct nextcase {
    const char* created;
    datetime last;
    const char* time;
    datetime next;
};

TEST_F(eventfixture, RecomputeSearchesFromStartOrFromTheMinuteAfterLast) {
    const nextcase cases[] = {
        // The whole minute of the start counts, though it began 45 s earlier.
        {"2026-12-06 08:00:45", novalue, "8:00", at("2026-12-06 08:00")},
        {"2026-12-06 08:00:45", 0, "8:00", at("2026-12-06 08:00")},
        {"2026-12-06 09:00", at("2026-12-10 17:00"), "tue thu 17:00", at("2026-12-15 17:00")},
        // As read back from the file, a few microseconds short of 17:00.
        {"2026-12-06 09:00", 46366.7083333333, "tue thu 17:00", at("2026-12-15 17:00")},
        {"2026-12-06 09:00", novalue, "today 7:30", novalue},
        {"2026-12-06 09:00", novalue, "tomorrow 7:30", at("2026-12-07 07:30")},
        {"2026-12-06 09:00", novalue, "once 22:00 | once 23:00", at("2026-12-06 22:00")},
        {"2026-12-06 09:00", at("2026-12-06 22:00"), "once 22:00 | once 23:00",
         at("2026-12-06 23:00")},
        {"2026-12-06 09:00", at("2026-12-06 23:00"), "once 22:00 | once 23:00", novalue},
    };
    for (const auto& c : cases) {
        event e;
        e.created = at(c.created);
        e.last = c.last;
        e.time = c.time;
        EXPECT_EQ(e.recompute(), "") << c.time;
        EXPECT_NE(e.parsed, nullptr) << c.time;
        EXPECT_EQ(e.next, c.next) << c.time << " from " << c.created;
    }
}

// Each row: a start and a last time as a hand-edited file may hold them, and a time text. Such
// an alarm is never due, shows "-" for what is no date and saves unchanged.
TEST_F(eventfixture, StartOrLastTimesThatAreNoDateGiveNoNextTime) {
    const struct {
        datetime created, last;
        const char* time;
    } rows[] = {
        {3000000, novalue, "8:00"}, // the year 10113
        {at("2026-12-06 09:00"), 3000000, "8:00"},
        {at("2026-12-06 09:00"), 2958466, "N:N"},  // 10000-01-01
        {at("2026-12-06 09:00"), -700000, "8:00"}, // the year -17
        {1e300, -1e300, "N:N"},
        {-1e300, novalue, "once 8:00 | this 9:00"},
        {3000000, novalue, "today 7:30"},
        {1e300, novalue, "tomorrow 7:30"},
    };
    for (const auto& r : rows) {
        event e;
        e.created = r.created;
        e.last = r.last;
        e.time = r.time;
        e.activate();
        EXPECT_EQ(e.next, novalue) << r.created << " " << r.last << " " << r.time;
        if (!indaterange(r.created)) {
            EXPECT_EQ(displaytime(e.created), "-");
        }
        if (!indaterange(r.last)) {
            EXPECT_EQ(displaytime(e.last), "-");
        }
        // The time test lists from now, with the start time as the reference of the text.
        if (e.active && !indaterange(r.created)) {
            EXPECT_EQ(futuredates(e), "No future dates.\r\n");
        }
        // Written and read back: the same lines, and still never due.
        std::deque<std::string> lines = splitlines(eventtext(e));
        const event back(lines, '.');
        EXPECT_EQ(eventtext(back), eventtext(e));
        EXPECT_EQ(back.next, novalue);
    }
}

TEST_F(eventfixture, RecomputeReturnsTheParserMessageAndDropsTheOldParse) {
    auto e = made("8:00");
    ASSERT_NE(e->parsed, nullptr);
    e->time = "8:00 9:00";
    EXPECT_EQ(e->recompute(), "Hour and minute specified more than once!");
    EXPECT_EQ(e->parsed, nullptr);
    EXPECT_EQ(e->next, novalue);
}

TEST_F(eventfixture, ActivateReturnsTheParserMessageAndShowsNothing) {
    auto e = made("mon mon 25:00");
    EXPECT_FALSE(e->activate());
    std::string why;
    EXPECT_FALSE(e->activate(&why));
    EXPECT_FALSE(e->active);
    EXPECT_EQ(why, "Value 25 is outside the allowed range [0..23]!");
    EXPECT_TRUE(desk.calls.empty());

    // A text that parses but admits nothing still activates.
    e->time = "today 7:30";
    EXPECT_TRUE(e->activate(&why));
    EXPECT_TRUE(e->active);
    EXPECT_EQ(e->next, novalue);
}

TEST_F(eventfixture, ToggleAndDeactivateKeepTheNextTime) {
    auto e = made("tomorrow 7:30");
    EXPECT_TRUE(e->toggle());
    EXPECT_TRUE(e->active);
    EXPECT_TRUE(e->toggle());
    EXPECT_FALSE(e->active);
    EXPECT_EQ(e->next, at("2026-12-07 07:30"));

    e->time = "";
    std::string why;
    EXPECT_FALSE(e->toggle(&why));
    EXPECT_FALSE(e->active);
    EXPECT_FALSE(why.empty());
}

// Each row: the alarm's state at the start, then keystrokes in the time field ("" leaves it).
struct retypecase {
    bool active;
    std::vector<std::string> steps;
    bool endsactive;
};

TEST_F(eventfixture, RetypingSwitchesOnAgainOnlyWhileTheTypingGoesOn) {
    const retypecase cases[] = {
        {true, {"9:", "9:3", "9:30"}, true},
        {true, {"9:", "", "9:30"}, false},
        {true, {"9:", "9:30", "9:"}, false},
        {false, {"9:", "9:30"}, false},
    };
    for (const auto& c : cases) {
        auto e = made("9:00", c.active);
        retyping typing;
        for (const auto& text : c.steps) {
            if (text.empty()) {
                typing.end();
                continue;
            }
            const bool wasactive = e->active;
            e->time = text;
            if (e->active)
                e->activate();
            else
                e->recompute();
            typing.typed(e.get(), wasactive);
        }
        EXPECT_EQ(e->active, c.endsactive) << c.steps.size();
    }
}

TEST_F(eventfixture, StartnowForgetsTheLastRun) {
    auto e = made("tue thu 17:00", true);
    e->last = at("2026-12-10 17:00");
    e->recompute();
    clock.set(at("2026-12-20 10:00:30"));
    e->startnow();
    EXPECT_EQ(e->created, at("2026-12-20 10:00:30"));
    EXPECT_EQ(e->last, 0);
    EXPECT_TRUE(e->active);
    EXPECT_EQ(e->next, at("2026-12-22 17:00"));
}

TEST_F(eventfixture, DuplicateStartsItsOwnHistory) {
    auto src = made("tue thu 17:00", true);
    src->name = "Meeting";
    src->action = {"#msg hi", "", "#beep"};
    src->last = at("2026-12-10 17:00");
    src->recompute();
    clock.set(at("2026-12-08 18:00:10"));

    event copy(event::duplicate_t{}, *src);
    EXPECT_EQ(copy.created, at("2026-12-08 18:00:10"));
    EXPECT_EQ(copy.last, novalue);
    EXPECT_EQ(copy.name, "Meeting");
    EXPECT_EQ(copy.time, "tue thu 17:00");
    EXPECT_EQ(copy.action, src->action);
    EXPECT_TRUE(copy.active);
    EXPECT_EQ(copy.next, at("2026-12-10 17:00"));

    // An active source whose text no longer parses gives a silent, inactive copy.
    src->time = "x";
    event broken(event::duplicate_t{}, *src);
    EXPECT_FALSE(broken.active);
    EXPECT_TRUE(desk.calls.empty());
}

TEST_F(eventfixture, FuturedatesOfAnAlarmListsFromNowAndRefreshesItsNextTime) {
    auto e = made("2026-12-06 [10..12]:00");
    e->next = 0;
    EXPECT_EQ(futuredates(*e), "2026-12-06 10:00 sun\r\n2026-12-06 11:00 sun\r\n"
                               "2026-12-06 12:00 sun\r\n");
    EXPECT_EQ(e->next, at("2026-12-06 10:00"));

    e->time = "today 7:30";
    EXPECT_EQ(futuredates(*e), "No future dates.\r\n");

    e->time = "N:N";
    const std::string every = futuredates(*e);
    EXPECT_EQ(every.substr(0, 22), "2026-12-06 09:00 sun\r\n");
    EXPECT_EQ(every.substr(every.size() - 27), "2026-12-06 10:39 sun\r\n...\r\n");

    e->time = "8:00 9:00";
    try {
        futuredates(*e);
        FAIL() << "listed a text that does not parse";
    } catch (const velkerror& err) {
        EXPECT_EQ(err.text, "Hour and minute specified more than once!");
    }
    EXPECT_EQ(e->next, novalue);
    EXPECT_TRUE(desk.calls.empty());
}

// Each row: active, start time, next time. The expected display order is the rows' numbering.
struct sortrow {
    bool active;
    datetime created, next;
};

TEST(sortbook, InactiveNewestFirstThenActiveBySoonestThenActiveWithoutNext) {
    const sortrow rows[] = {
        {false, 46362.5, novalue}, // inactive, started today
        {false, 46361.5, 46400},   // inactive, started yesterday
        {false, 46360.5, 46363},   // inactive, two days ago
        {true, 46300, 46362.9},    // active, soonest
        {true, 46350, 46370},      // active, same next time as the next row: storage order
        {true, 46340, 46370},      //
        {true, 46200, novalue},    // active without next time, oldest start first
        {true, 46300, novalue},    //
    };
    // Stored in a shuffled order; keys decide the display order.
    const int storage[] = {6, 2, 4, 0, 7, 5, 3, 1};
    book b;
    for (const int row : storage) {
        auto e = std::make_unique<event>();
        e->active = rows[row].active;
        e->created = rows[row].created;
        e->next = rows[row].next;
        e->name = std::to_string(row);
        b.append(std::move(e));
    }
    b.sortbook();
    for (int r = 0; r < b.evcount(); ++r)
        EXPECT_EQ(b.evs(b.evorder(r))->name, std::to_string(r));
}

TEST(sortbook, EmptyAndSingle) {
    test::fakeclock clock;
    book b;
    b.sortbook();
    EXPECT_EQ(b.evcount(), 0);
    b.append(std::make_unique<event>());
    b.sortbook();
    EXPECT_EQ(b.evorder(0), 0);
}

// The order of repeatedly taking the first smallest key not yet taken.
std::vector<int> selectionorder(const std::vector<double>& keys) {
    const int n = static_cast<int>(keys.size());
    std::vector<bool> taken(static_cast<size_t>(n));
    std::vector<int> order;
    for (int r = 0; r < n; ++r) {
        int best = 0;
        for (int j = 1; j < n; ++j)
            if (!taken[j] && (taken[best] || keys[j] < keys[best])) best = j;
        taken[best] = true;
        order.push_back(best);
    }
    return order;
}

TEST(sortbook, SameOrderAsTakingTheFirstSmallestKeyWithManyTies) {
    test::fakeclock clock;
    std::mt19937 rng(7);
    for (int round = 0; round < 20; ++round) {
        book b;
        std::vector<double> keys;
        const int n = 1 + static_cast<int>(rng() % book::capacity);
        for (int i = 0; i < n; ++i) {
            auto e = std::make_unique<event>();
            e->active = rng() % 2;
            e->created = 46000 + rng() % 5;
            e->next = rng() % 3 == 0 ? novalue : 46000 + rng() % 5;
            keys.push_back(sortkey(*e));
            b.append(std::move(e));
        }
        b.sortbook();
        std::vector<int> order;
        for (int r = 0; r < n; ++r)
            order.push_back(b.evorder(r));
        EXPECT_EQ(order, selectionorder(keys));
    }
}

TEST(book, RefusesTheThousandAndFirstAlarm) {
    test::fakeclock clock;
    book b;
    for (int i = 0; i < book::capacity; ++i)
        b.append(std::make_unique<event>());
    EXPECT_TRUE(b.full());
    try {
        b.append(std::make_unique<event>());
        FAIL() << "appended to a full book";
    } catch (const velkerror& e) {
        EXPECT_EQ(e.text, "The Alarm list is full (1000 Alarms)!");
    }
    EXPECT_EQ(b.evcount(), book::capacity);
}

TEST(book, RemoveMovesTheLastIntoTheHoleAndClearEmpties) {
    test::fakeclock clock;
    book b;
    std::vector<const event*> made;
    for (int i = 0; i < 4; ++i)
        made.push_back(&b.append(std::make_unique<event>()));
    b.remove(1);
    EXPECT_EQ(b.evcount(), 3);
    EXPECT_EQ(b.evs(1), made[3]);
    EXPECT_EQ(b.indexof(made[3]), 1);
    EXPECT_EQ(b.indexof(made[2]), 2);
    b.remove(2); // the last one: nothing moves
    EXPECT_EQ(b.evcount(), 2);
    EXPECT_EQ(b.indexof(made[0]), 0);
    b.remove(5); // out of range: ignored
    b.remove(-1);
    EXPECT_EQ(b.evcount(), 2);
    EXPECT_EQ(b.indexof(nullptr), -1);
    b.clear();
    EXPECT_EQ(b.evcount(), 0);
    EXPECT_EQ(b.evs(0), nullptr);
}

} // namespace
} // namespace velk
