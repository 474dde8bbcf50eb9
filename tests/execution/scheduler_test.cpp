#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <ostream>
#include <stdexcept>
#include <string>
#include <vector>

#include "execution/scheduler.h"
#include "execution/script.h"
#include "execution/session.h"
#include "tests/support/fakeclock.h"
#include "tests/support/fakedesktop.h"

namespace velk {
namespace {

using test::at;

// The window as the tick sees it: records what the tick asks of it.
class fakehost : public tickhost {
  public:
    explicit fakehost(book& alarms) : alarms_(alarms) {}

    void setcaption(const std::string& caption) override { log.push_back("caption" + caption); }
    void setinterval(int ms) override {
        interval = ms;
        log.push_back("interval " + std::to_string(ms));
    }
    void editchanged() override { log.push_back("editchanged"); }
    event* curevent() override { return current; }
    void fillfields(event& alarm) override { log.push_back("fillfields " + alarm.name); }
    int selectedalarm() override { return selected; }
    void refreshlist(int sel) override {
        alarms_.sortbook();
        log.push_back("refreshlist " + std::to_string(sel));
    }

    std::vector<std::string> log;
    int interval = 0;
    event* current = nullptr;
    int selected = -1;

  private:
    book& alarms_;
};

// A book, clock, desktop and window around one scheduler; alarms start at the clock's time.
class schedule : public testing::Test {
  protected:
    schedule() : clock(at("2026-12-07 08:05")), host(alarms), sched(alarms, host) {
        desk.clock = &clock;
        resetsession();
    }
    ~schedule() override { resetsession(); }

    event& add(const std::string& name, const std::string& time, std::vector<std::string> action,
               datetime created) {
        auto e = std::make_unique<event>();
        e->name = name;
        e->time = time;
        e->action = std::move(action);
        e->created = created;
        e->activate();
        event& added = alarms.append(std::move(e));
        alarms.sortbook();
        return added;
    }

    std::vector<std::string> balloons() const {
        std::vector<std::string> out;
        for (const auto& c : desk.of("balloon"))
            out.push_back(c.extra);
        return out;
    }

    test::fakeclock clock;
    test::fakedesktop desk;
    book alarms;
    fakehost host;
    scheduler sched;
};

TEST_F(schedule, idletick) {
    add("later", "09:00", {"#bln"}, at("2026-12-07 08:00"));
    host.selected = 0;
    sched.tttimer();
    EXPECT_EQ(host.log,
              (std::vector<std::string>{"interval 2000", "caption[Orlimbo] 2026-12-07 08:05",
                                        "editchanged", "interval 20000", "refreshlist 0"}));
    EXPECT_TRUE(desk.calls.empty());
}

TEST_F(schedule, onedueruntakesnoquestion) {
    event& e = add("tea", "08:05", {"#bln"}, at("2026-12-07 08:04:30"));
    ASSERT_EQ(e.next, at("2026-12-07 08:05"));
    host.current = &e;
    sched.tttimer();
    EXPECT_EQ(balloons(), (std::vector<std::string>{"tea"}));
    EXPECT_TRUE(desk.of("four").empty());
    EXPECT_EQ(e.last, at("2026-12-07 08:05"));
    EXPECT_EQ(e.next, at("2026-12-08 08:05"));
    EXPECT_EQ(host.interval, 2000);
    EXPECT_EQ(host.log,
              (std::vector<std::string>{"interval 2000", "caption[Orlimbo] 2026-12-07 08:05",
                                        "editchanged", "fillfields tea", "refreshlist -1"}));
    EXPECT_FALSE(sched.inconfirm);
    EXPECT_FALSE(e.busy);
}

TEST_F(schedule, duemeansnotlaterthannowtothesecond) {
    event& e = add("x", "08:06", {"#bln"}, at("2026-12-07 08:05"));
    clock.set(at("2026-12-07 08:05:59"));
    EXPECT_FALSE(sched.fireifdue(e, false, false));
    clock.set(at("2026-12-07 08:06"));
    EXPECT_TRUE(sched.fireifdue(e, false, false));
    EXPECT_EQ(balloons().size(), 1u);
}

TEST_F(schedule, inactiveorwithoutnexttimeisneverhandled) {
    event& off = add("off", "08:00", {"#bln"}, at("2026-11-01 07:00"));
    off.deactivate();
    event& gone = add("gone", "2020-1-1 08:00", {"#bln"}, at("2026-11-01 09:00"));
    ASSERT_TRUE(gone.active);
    ASSERT_TRUE(isnovalue(gone.next));
    sched.tttimer();
    EXPECT_FALSE(sched.fireifdue(off, false, true));
    EXPECT_TRUE(desk.calls.empty());
    EXPECT_EQ(host.interval, 20000);
}

// The wake: the soonest next time after now (due ones are the period's), the minute when shown.
TEST_F(schedule, wakeat) {
    add("tea", "08:30", {}, at("2026-12-07 08:00"));
    add("due", "08:05", {}, at("2026-12-07 08:04"));
    add("off", "08:10", {}, at("2026-12-07 08:00")).deactivate();
    const struct {
        const char *now, *expect;
        bool shown;
    } rows[] = {{"2026-12-07 08:05", "2026-12-07 08:30", false},
                {"2026-12-07 08:05", "2026-12-07 08:06", true},
                {"2026-12-07 08:05:59", "2026-12-07 08:06", true},
                {"2026-12-07 08:29:30", "2026-12-07 08:30", true},
                {"2026-12-07 08:00", "2026-12-07 08:01", true},
                {"2026-12-07 08:04:01", "2026-12-07 08:05", false}};
    for (const auto& r : rows)
        EXPECT_EQ(wakeat(alarms, at(r.now), r.shown), at(r.expect)) << r.now << r.shown;
    EXPECT_TRUE(isnovalue(wakeat(alarms, at("2026-12-07 08:30"), false)));
}

const std::string asktail = "\r\nDo you want the Action to be executed?\r\n\r\n"
                            "Yes\t\t- execute once and ask again if needed\r\n"
                            "No\t\t- skip once and ask again if needed\r\n"
                            "No to All\t- skip all executions up till now\r\n"
                            "Yes to All\t- execute all";

struct missedcase {
    const char* what;
    std::deque<answer> answers;
    int runs;
    int questions;
};

void PrintTo(const missedcase& c, std::ostream* os) {
    *os << c.what;
}

class missedweek : public schedule, public testing::WithParamInterface<missedcase> {};

// Daily at 08:00 since 2026-11-30, now 2026-12-07 08:05: eight due runs in one pass.
TEST_P(missedweek, answers) {
    const auto& c = GetParam();
    event& e = add("tea", "08:00", {"#bln"}, at("2026-11-30 07:00"));
    desk.fouranswers = c.answers;
    sched.tttimer();
    EXPECT_EQ(static_cast<int>(balloons().size()), c.runs) << c.what;
    const auto questions = desk.of("four");
    ASSERT_EQ(static_cast<int>(questions.size()), c.questions) << c.what;
    for (const auto& q : questions)
        EXPECT_EQ(q.defaultbutton, answer::notoall);
    EXPECT_EQ(questions[0].text, "2026-12-01 08:00 tue\r\n\r\ntea has just executed its Action, "
                                 "and wants to execute it again." +
                                     asktail);
    EXPECT_EQ(e.last, at("2026-12-07 08:00"));
    EXPECT_EQ(e.next, at("2026-12-08 08:00"));
    EXPECT_FALSE(sched.inconfirm);
    EXPECT_FALSE(e.busy);
}

using a = answer;
INSTANTIATE_TEST_SUITE_P(
    turns, missedweek,
    testing::Values(
        missedcase{
            "yes every time", {a::yes, a::yes, a::yes, a::yes, a::yes, a::yes, a::yes}, 8, 7},
        missedcase{"no every time", {a::no, a::no, a::no, a::no, a::no, a::no, a::no}, 1, 7},
        missedcase{"closed every time", {}, 1, 7}, missedcase{"no to all", {a::notoall}, 1, 1},
        missedcase{"yes to all", {a::yestoall}, 8, 1},
        missedcase{"mixed", {a::yes, a::no, a::none, a::yestoall}, 6, 4},
        missedcase{"no then no to all", {a::no, a::notoall}, 1, 2}));

TEST_F(schedule, activebuttonasksfirst) {
    event& e = add("", "08:00", {"#bln"}, at("2026-12-06 07:00"));
    desk.fouranswers = {a::no, a::no};
    EXPECT_TRUE(sched.fireifdue(e, true, true));
    const auto questions = desk.of("four");
    ASSERT_EQ(questions.size(), 2u);
    EXPECT_EQ(questions[0].defaultbutton, answer::yes);
    EXPECT_EQ(questions[0].text,
              "2026-12-06 08:00 sun\r\n\r\n<ALARM> wants to execute its Action." + asktail);
    EXPECT_EQ(questions[1].defaultbutton, answer::notoall);
    EXPECT_NE(questions[1].text.find("<ALARM> has just executed its Action, and wants"),
              std::string::npos);
    EXPECT_TRUE(balloons().empty());
    EXPECT_EQ(host.log, (std::vector<std::string>{"fillfields ", "fillfields "}));
}

TEST_F(schedule, nowisreadagainoneveryturn) {
    // Every minute; the action takes 90 s, so two more minutes have come by its end.
    event& e =
        add("m", "N:N", {"#wait 30000", "#wait 30000", "#wait 30000"}, at("2026-12-07 08:04:30"));
    clock.set(at("2026-12-07 08:05"));
    desk.fouranswers = {a::notoall};
    EXPECT_TRUE(sched.fireifdue(e, false, false));
    EXPECT_EQ(desk.of("sleep").size(), 3u);
    EXPECT_EQ(desk.of("four").size(), 1u);
    EXPECT_EQ(e.last, at("2026-12-07 08:06"));
    EXPECT_EQ(e.next, at("2026-12-07 08:07"));
}

TEST_F(schedule, twoduealarmsgotwosecondsapartindisplayorder) {
    add("first", "08:00", {"#bln"}, at("2026-12-07 07:00"));
    add("second", "07:59", {"#bln"}, at("2026-12-07 07:00"));
    add("third", "08:00", {"#bln"}, at("2026-12-07 07:00"));
    std::vector<int> intervals;
    for (int tick = 0; tick < 4; ++tick) {
        sched.tttimer();
        intervals.push_back(host.interval);
        clock.advanceseconds(host.interval / 1000.0);
    }
    EXPECT_EQ(balloons(), (std::vector<std::string>{"second", "first", "third"}));
    EXPECT_EQ(intervals, (std::vector<int>{2000, 2000, 2000, 20000}));
}

TEST_F(schedule, atickduringaquestiononlysetsthecaption) {
    add("a", "08:00", {"#bln"}, at("2026-12-06 07:00"));
    add("b", "08:01", {"#bln"}, at("2026-12-07 07:00"));
    desk.fouranswers = {a::no};
    std::vector<std::string> inside;
    desk.whilemodal = [&] {
        host.log.clear();
        clock.advanceseconds(2);
        sched.tttimer();
        inside = host.log;
    };
    sched.tttimer();
    EXPECT_EQ(inside,
              (std::vector<std::string>{"interval 2000", "caption[Orlimbo] 2026-12-07 08:05"}));
    EXPECT_EQ(balloons(), (std::vector<std::string>{"a"}));
    desk.whilemodal = nullptr;
    sched.tttimer();
    EXPECT_EQ(balloons(), (std::vector<std::string>{"a", "b"}));
}

TEST_F(schedule, atickduringamessagerunsanotheralarminsideit) {
    // a has one missed run after its message; b falls due while the message is open.
    event& ea = add("a", "N:00", {"#msg hold"}, at("2026-12-07 06:30"));
    event& eb = add("b", "08:06", {"#bln"}, at("2026-12-07 08:00"));
    clock.set(at("2026-12-07 07:30"));
    ASSERT_EQ(ea.next, at("2026-12-07 07:00"));
    bool nested = false;
    std::vector<std::string> seen;
    desk.whilemodal = [&] {
        if (nested) {
            sched.tttimer();
            seen.push_back(sched.inconfirm ? "question gated" : "question open to ticks");
            return;
        }
        nested = true;
        clock.set(at("2026-12-07 08:06"));
        sched.tttimer();
        seen.push_back(std::string(eb.busy ? "b busy" : "b done") +
                       (sched.inconfirm ? ", pass open" : ", pass closed") +
                       (indialog ? ", in dialog" : ", no dialog"));
    };
    desk.fouranswers = {a::no};
    sched.tttimer();
    EXPECT_EQ(balloons(), (std::vector<std::string>{"b"}));
    EXPECT_EQ(eb.last, at("2026-12-07 08:06"));
    // After b's nested pass the outer pass and its message are still open, so a's question
    // that follows keeps other alarms waiting.
    EXPECT_EQ(seen, (std::vector<std::string>{"b done, pass open, in dialog", "question gated"}));
    EXPECT_EQ(desk.of("four").size(), 1u);
    EXPECT_EQ(ea.last, at("2026-12-07 08:00"));
    EXPECT_FALSE(sched.inconfirm);
    EXPECT_FALSE(ea.busy || eb.busy || indialog);
}

// What a re-entered tick may do, by the flags that are set when it comes.
TEST(passstate, whatatickmaydo) {
    const struct {
        bool ending, indialog, asking, inconfirm;
        passstate state;
        tickmay may;
    } rows[] = {
        {false, false, false, false, passstate::idle, tickmay::full},
        {false, false, false, true, passstate::duepass, tickmay::captiononly},
        {false, false, true, true, passstate::missedquestion, tickmay::captiononly},
        {false, true, false, true, passstate::scriptdialog, tickmay::full},
        {false, true, false, false, passstate::scriptdialog, tickmay::full},
        {true, true, true, true, passstate::closing, tickmay::captiononly},
    };
    for (const auto& r : rows) {
        const passstate s = passstateof(r.ending, r.indialog, r.asking, r.inconfirm);
        EXPECT_EQ(s, r.state);
        EXPECT_EQ(whattickmay(s), r.may);
    }
}

TEST_F(schedule, busykeepsapassfromrunningtwice) {
    event& e = add("a", "08:00", {"#msg hold"}, at("2026-12-07 07:00"));
    std::vector<bool> again;
    desk.whilemodal = [&] {
        again.push_back(sched.fireifdue(e, false, false));
        sched.tttimer();
    };
    sched.tttimer();
    EXPECT_EQ(again, (std::vector<bool>{false}));
    EXPECT_EQ(desk.messages().size(), 1u);
}

TEST_F(schedule, scripterrorsdonotstopthepass) {
    event& e = add("bad", "08:00", {"#Bad"}, at("2026-12-05 07:00"));
    desk.fouranswers = {a::yestoall};
    sched.tttimer();
    EXPECT_EQ(desk.messages(), (std::vector<std::string>(3, "Incorrect command: '#Bad'!")));
    EXPECT_EQ(e.next, at("2026-12-08 08:00"));
}

TEST_F(schedule, anopenblockendsinamessageandleavesnoflag) {
    event& e = add("open", "08:00", {"#ask", "#bln"}, at("2026-12-07 07:00"));
    desk.yesnoanswers = {true};
    sched.tttimer();
    EXPECT_EQ(desk.messages(), (std::vector<std::string>{"Missing #end!"}));
    EXPECT_FALSE(sched.inconfirm || e.busy || indialog);
}

TEST_F(schedule, afailureescapingthepassleavesnoflag) {
    event& e = add("a", "08:00", {"#msg"}, at("2026-12-07 07:00"));
    desk.whilemodal = [] { throw std::runtime_error("display lost"); };
    EXPECT_THROW(sched.tttimer(), std::runtime_error);
    EXPECT_FALSE(sched.inconfirm || e.busy || indialog);
    // The pass did not finish, so the next tick offers the same run again.
    desk.whilemodal = nullptr;
    sched.tttimer();
    EXPECT_EQ(desk.messages().size(), 2u);
    EXPECT_EQ(e.last, at("2026-12-07 08:00"));
}

// The session ends (a signal, a logout, Exit) while the pass of an every-minute alarm, two
// hours behind, shows its modal'th dialog; the program closes that dialog itself.
struct endcase {
    const char* what;
    std::vector<std::string> action;
    std::deque<answer> answers;
    int endat; // 0: ended before the tick
    std::vector<std::string> effects;
    const char* last; // the last handled run afterwards; "" for none
};

void PrintTo(const endcase& c, std::ostream* os) {
    *os << c.what;
}

class sessionend : public schedule, public testing::WithParamInterface<endcase> {};

TEST_P(sessionend, leavestherestunanswered) {
    const auto& c = GetParam();
    event& e = add("x", "N:N", c.action, at("2026-12-07 06:05"));
    desk.fouranswers = c.answers;
    desk.yesnoanswers = {true, true};
    int modal = 0;
    desk.whilemodal = [&] {
        if (++modal == c.endat) endsession();
    };
    if (c.endat == 0) endsession();
    sched.tttimer();
    std::vector<std::string> effects;
    for (const auto& call : desk.calls)
        effects.push_back(call.kind + (call.kind == "balloon" ? " " + call.extra : ""));
    EXPECT_EQ(effects, c.effects);
    if (*c.last) {
        EXPECT_EQ(e.last, at(c.last));
        EXPECT_EQ(e.next, e.last + oneminute);
    } else {
        EXPECT_TRUE(isnovalue(e.last));
        EXPECT_EQ(e.next, at("2026-12-07 06:05"));
    }
    EXPECT_FALSE(sched.inconfirm || e.busy || indialog);
    // Nothing more happens in this session.
    desk.calls.clear();
    sched.tttimer();
    EXPECT_TRUE(desk.calls.empty());
}

INSTANTIATE_TEST_SUITE_P(
    table, sessionend,
    testing::Values(endcase{"before the first tick", {"#msg x"}, {}, 0, {}, ""},
                    // The first run needs no answer: it ran, and only it counts as handled.
                    endcase{"during the first run's message",
                            {"#msg x", "#bln after"},
                            {},
                            1,
                            {"bringer", "message"},
                            "2026-12-07 06:05"},
                    endcase{"during the question",
                            {"#bln"},
                            {a::yes},
                            1,
                            {"balloon x", "four"},
                            "2026-12-07 06:05"},
                    endcase{"during an answered run's message",
                            {"#msg x"},
                            {a::yes, a::yes},
                            3,
                            {"bringer", "message", "four", "bringer", "message"},
                            "2026-12-07 06:06"},
                    // The closed "#ask" is no No: neither block runs.
                    endcase{"during #ask",
                            {"#ask go?", "#bln yes", "#else", "#bln no", "#end"},
                            {},
                            1,
                            {"bringer", "yesno"},
                            "2026-12-07 06:05"},
                    endcase{
                        "during yes to all",
                        {"#msg x"},
                        {a::yestoall},
                        4,
                        {"bringer", "message", "four", "bringer", "message", "bringer", "message"},
                        "2026-12-07 06:07"}));

// "No to All" jumps over the missed runs; the result must be the run-by-run loop's, exactly.
struct skipcase {
    const char* time;
    const char* created;
    const char* now;
};

void PrintTo(const skipcase& c, std::ostream* os) {
    *os << c.time << " from " << c.created << " at " << c.now;
}

class skipping : public testing::TestWithParam<skipcase> {};

TEST_P(skipping, equalsthelooponebyone) {
    const auto& c = GetParam();
    test::fakeclock clock(at(c.created));
    event byloop, fast;
    for (event* e : {&byloop, &fast}) {
        e->time = c.time;
        e->created = at(c.created);
        ASSERT_TRUE(e->activate()) << c.time;
    }
    const datetime now = at(c.now);
    while (!isnovalue(byloop.next) && byloop.next <= now) {
        byloop.last = byloop.next;
        byloop.recompute();
    }
    skipmissed(fast, now);
    EXPECT_EQ(fast.last, byloop.last);
    EXPECT_EQ(fast.next, byloop.next);
}

INSTANTIATE_TEST_SUITE_P(
    table, skipping,
    testing::Values(
        skipcase{"N:N", "2026-11-20 10:00:30", "2026-12-07 08:05:59"},
        skipcase{"N:N", "2026-12-07 08:05", "2026-12-07 08:05"},
        skipcase{"[8..16]:00", "2025-12-07 08:00", "2026-12-07 12:30"},
        skipcase{"[8..16]:00", "2025-12-07 08:00", "2026-12-07 16:00"},
        skipcase{"d[mon..fri] 13:[00;10;20;30;40;50]", "2024-01-01 00:00", "2026-12-07 13:09:59"},
        skipcase{"N-11-[15..21] thu morning", "1990-05-05 12:00", "2026-12-07 08:05"},
        skipcase{"N-2-29 12:00", "1981-01-01 00:00", "2026-12-07 08:05"},
        skipcase{"once 22:00 | once 23:00", "2026-12-01 22:30", "2026-12-07 08:05"},
        skipcase{"this wednesday 13:[00;30]", "2026-12-01 09:00", "2026-12-07 08:05"},
        skipcase{"mon tue 08:00 | d[^mon;tue;sun] 09:00", "2020-02-29 09:00", "2026-12-07 08:00"},
        skipcase{"2026-12-07 08:04", "2026-12-01 00:00", "2026-12-07 08:05"},
        skipcase{"[^..2010]-1-1", "1985-01-01 00:00", "2026-12-07 08:05"}));

TEST_F(schedule, notoallafteraverylongabsenceisquick) {
    // Every minute since 1980: some 24 million missed runs.
    event& e = add("old", "N:N", {"#bln"}, at("1925-06-01 00:00"));
    ASSERT_EQ(e.next, at("1980-01-01 00:00"));
    desk.fouranswers = {a::notoall};
    const auto start = std::chrono::steady_clock::now();
    sched.tttimer();
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_LT(took, std::chrono::milliseconds(50));
    EXPECT_EQ(desk.of("four").size(), 1u);
    EXPECT_EQ(e.last, at("2026-12-07 08:05"));
    EXPECT_EQ(e.next, at("2026-12-07 08:06"));
}

} // namespace
} // namespace velk

namespace velk {
namespace {

// Snooze, step by step: a step sets the clock, maybe renames the alarm, answers the first box
// with Snooze of some minutes and a stale question with yes or no, then ticks. Each row gives
// the boxes shown and the put-off moment left after every step ("-" for none).
struct snoozestep {
    const char* clock;
    int snoozeminutes = 0; // pressed in the first box; 0: none
    bool rename = false;
    bool yes = false;
    std::vector<std::string> boxes;
    const char* until;
};
struct snoozerow {
    const char* what;
    const char* time;
    std::vector<snoozestep> steps;
};

// Names the row in test listings, which would otherwise show its bytes (addresses among them).
void PrintTo(const snoozerow& r, std::ostream* os) {
    *os << r.what;
}

class snoozing : public schedule, public testing::WithParamInterface<snoozerow> {};

TEST_P(snoozing, runsagainonlywhenitshould) {
    event& e = add("tea", GetParam().time, {"#msg one", "#msg two"}, at("2026-12-07 08:00"));
    snoozes putoff;
    sched.putoff = &putoff;
    int saves = 0;
    for (const snoozestep& s : GetParam().steps) {
        clock.set(at(s.clock));
        if (s.rename) e.name = "coffee", putoff.prune(alarms);
        int press = s.snoozeminutes;
        desk.whilemodal = [&] {
            if (snoozeoffer* o = activesnooze(); o && press > 0)
                o->take(now() + press * oneminute, press), press = 0;
            // What the window saves at once must already hold the snooze.
            saves = static_cast<int>(putoff.entries.size());
        };
        desk.yesnoanswers = {s.yes};
        desk.calls.clear();
        sched.tttimer();
        std::vector<std::string> boxes;
        for (const auto& c : desk.calls)
            if (c.kind == "message" || c.kind == "yesno") boxes.push_back(c.text);
        EXPECT_EQ(boxes, s.boxes) << GetParam().what << " at " << s.clock;
        const datetime until = putoff.until(e);
        EXPECT_EQ(isnovalue(until) ? "-" : captionclock(until).substr(12), std::string(s.until))
            << GetParam().what << " at " << s.clock;
    }
    EXPECT_FALSE(sched.inconfirm);
    EXPECT_LE(saves, 1);
}

const std::string stale = "2026-12-07 08:15 mon\r\n\r\ntea was snoozed until 08:15, but VELK "
                          "could not run it then.\r\nDo you want the Action to be executed now?";

INSTANTIATE_TEST_SUITE_P(
    rows, snoozing,
    testing::Values(snoozerow{"the lines after the box wait; the whole action comes again",
                              "08:05",
                              {{"2026-12-07 08:05", 10, false, false, {"one"}, "08:15"},
                               {"2026-12-07 08:14:59", 0, false, false, {}, "08:15"},
                               {"2026-12-07 08:15", 0, false, false, {"one", "two"}, "-"}}},
                    snoozerow{"snoozed again and again",
                              "08:05",
                              {{"2026-12-07 08:05", 5, false, false, {"one"}, "08:10"},
                               {"2026-12-07 08:10", 60, false, false, {"one"}, "09:10"}}},
                    snoozerow{"the next regular run comes first",
                              "08:05 | 08:10",
                              {{"2026-12-07 08:05", 10, false, false, {"one"}, "-"},
                               {"2026-12-07 08:10", 0, false, false, {"one", "two"}, "-"}}},
                    snoozerow{"found late after a restart: asked, and No runs nothing",
                              "08:05",
                              {{"2026-12-07 08:05", 10, false, false, {"one"}, "08:15"},
                               {"2026-12-07 11:00", 0, false, false, {stale}, "-"}}},
                    snoozerow{
                        "found late: Yes runs it",
                        "08:05",
                        {{"2026-12-07 08:05", 10, false, false, {"one"}, "08:15"},
                         {"2026-12-07 08:17:01", 0, false, true, {stale, "one", "two"}, "-"}}},
                    snoozerow{"two minutes late still rings unasked",
                              "08:05",
                              {{"2026-12-07 08:05", 10, false, false, {"one"}, "08:15"},
                               {"2026-12-07 08:17", 0, false, false, {"one", "two"}, "-"}}},
                    snoozerow{"a renamed alarm drops its snooze",
                              "08:05",
                              {{"2026-12-07 08:05", 10, false, false, {"one"}, "08:15"},
                               {"2026-12-07 08:15", 0, true, false, {}, "-"}}}));

// The text of the snooze file reads back as it was; lines that do not read are passed over.
TEST(snoozefile, readsbackandskipsdamage) {
    snoozes s;
    s.entries = {{{"tea\tfor two", "46363.3368055556"}, {15, 46363.34375}},
                 {{"", "46362.5"}, {5, novalue}}};
    snoozes back;
    back.parse(s.text() + "x\t-\t1\n0\t-\t46362\tzero\n" + "1441\t-\t46362\ttoo long\n");
    EXPECT_EQ(back.entries, s.entries);
    // The wake fires on a whole millisecond, which may fall a hair short of the moment.
    EXPECT_TRUE(snoozedue(46363.34375, 46363.34375 - 0.0004 / 86400));
    EXPECT_FALSE(snoozedue(46363.34375, 46363.34375 - 0.01 / 86400));
}

} // namespace
} // namespace velk
