#include "execution/scheduler.h"

#include <cmath>
#include <cstdint>
#include <cstdio>

#include "alarms/desktop.h"
#include "alarms/displaytime.h"
#include "execution/flagscope.h"
#include "execution/script.h"
#include "execution/session.h"
#include "timespec/clock.h"

namespace velk {

namespace {

bool isdue(const event& alarm, datetime now) {
    return alarm.active && !alarm.busy && !isnovalue(alarm.next) && alarm.next <= now;
}

} // namespace

datetime wakeat(const book& alarms, datetime now, bool clockshown, const snoozes* putoff) {
    datetime soonest = novalue;
    const auto take = [&soonest, now](datetime t) {
        if (t > now && (isnovalue(soonest) || t < soonest)) soonest = t;
    };
    for (int i = 0; i < alarms.evcount(); ++i) {
        const event& alarm = *alarms.evs(i);
        if (alarm.active && !isnovalue(alarm.next)) take(alarm.next);
        if (putoff) take(putoff->until(alarm));
    }
    if (clockshown) {
        // A whole minute's day fraction may round below it: the one after still turns over.
        const double minute = std::floor(now * 1440.0);
        take((minute + 1) / 1440.0);
        take((minute + 2) / 1440.0);
    }
    return soonest;
}

std::string captionclock(datetime t) {
    const datefields f = decode(t);
    char text[40];
    std::snprintf(text, sizeof text, " %04d-%02d-%02d %02d:%02d", f.year, f.month, f.day, f.hour,
                  f.minute);
    return text;
}

std::string missedquestion(const event& alarm, bool first) {
    return displaytime(alarm.next) + "\r\n\r\n" + (alarm.name.empty() ? "<ALARM>" : alarm.name) +
           " " +
           (first ? "wants to execute its Action."
                  : "has just executed its Action, and wants to execute it again.") +
           "\r\nDo you want the Action to be executed?\r\n\r\n"
           "Yes\t\t- execute once and ask again if needed\r\n"
           "No\t\t- skip once and ask again if needed\r\n"
           "No to All\t- skip all executions up till now\r\n"
           "Yes to All\t- execute all";
}

void skipmissed(event& alarm, datetime upto) {
    if (isnovalue(alarm.next) || alarm.next > upto || !alarm.parsed) return;
    // The runs form the chain next, nextfrom(next + 1 min), ...; the last one not after upto is
    // the latest admitted minute in [next, upto]. nextfrom(s) <= upto holds for every s up to
    // that minute and for none after it, so a binary search over the minutes finds it.
    const timedesc& spec = *alarm.parsed;
    const auto minuteof = [](datetime t) { return static_cast<int64_t>(std::floor(t * 1440.0)); };
    int64_t lo = minuteof(alarm.next), hi = minuteof(upto);
    datetime found = alarm.next;
    while (lo < hi) {
        const int64_t mid = lo + (hi - lo + 1) / 2;
        const datetime t = nextfrom(spec, static_cast<double>(mid) / 1440.0);
        if (!isnovalue(t) && t <= upto) {
            found = t;
            lo = minuteof(t) >= mid ? minuteof(t) : mid;
        } else {
            hi = mid - 1;
        }
    }
    // Rounding of a minute's day fraction may leave the search one run short: step on as the
    // loop would, which also makes the result exactly the loop's.
    for (datetime t = nextfrom(spec, found + oneminute); !isnovalue(t) && t <= upto;
         t = nextfrom(spec, t + oneminute))
        found = t;
    alarm.last = found;
    alarm.recompute();
}

tickmay whattickmay(passstate s) {
    return s == passstate::idle || s == passstate::scriptdialog ? tickmay::full
                                                                : tickmay::captiononly;
}

passstate passstateof(bool ending, bool indialog, bool asking, bool inconfirm) {
    if (ending) return passstate::closing;
    if (indialog) return passstate::scriptdialog;
    if (asking) return passstate::missedquestion;
    return inconfirm ? passstate::duepass : passstate::idle;
}

passstate scheduler::state() const {
    return passstateof(sessionending(), indialog, asking, inconfirm);
}

bool scheduler::fireifdue(event& alarm, bool iscurrent, bool askfirst) {
    if (whattickmay(state()) != tickmay::full || !isdue(alarm, now())) return false;
    flagscope confirming(inconfirm);
    flagscope busy(alarm.busy);
    answer choice = answer::yes;
    bool first = true;
    while (!isnovalue(alarm.next) && alarm.next <= now()) {
        // The session ended: this run and the later ones stay unanswered for the next start.
        if (sessionending()) break;
        if (choice != answer::yestoall && choice != answer::notoall && (!first || askfirst)) {
            flagscope question(asking);
            choice = thedesktop().askfour(missedquestion(alarm, first),
                                          first ? answer::yes : answer::notoall);
            // Closed by the program at the session's end: nobody answered.
            if (sessionending()) break;
        }
        if (choice == answer::notoall) {
            // However long the absence, skipping takes a few searches, not one per run.
            skipmissed(alarm, now());
            if (iscurrent) host_.fillfields(alarm);
            break;
        }
        // A dialog closed by the user counts as No for this run and is asked again next turn.
        snoozeoffer offer;
        if (choice == answer::yes || choice == answer::yestoall) offer = runoffering(alarm);
        // Skipped, run or snoozed, this occurrence is passed over for good.
        alarm.last = alarm.next;
        alarm.recompute();
        if (iscurrent) host_.fillfields(alarm);
        first = false;
        // A snooze ends the pass; runs still missed are asked about at the next tick.
        if (offer.taken()) {
            keepsnooze(alarm, offer);
            break;
        }
    }
    return true;
}

snoozeoffer scheduler::runoffering(event& alarm) {
    snoozeoffer offer;
    if (putoff) offer.minutes = putoff->minutes(alarm);
    snoozescope scope(putoff ? &offer : nullptr);
    runaction(alarm);
    return offer;
}

void scheduler::keepsnooze(event& alarm, const snoozeoffer& offer) {
    if (!putoff) return;
    if (offer.taken()) putoff->snooze(alarm, offer.until, offer.chosen);
    // The next regular run may come first: then the alarm rings at that one instead.
    putoff->prune(alarms_);
    host_.snoozeschanged();
}

bool scheduler::firesnooze(event& alarm) {
    if (!putoff || alarm.busy || whattickmay(state()) != tickmay::full) return false;
    const datetime until = putoff->until(alarm);
    if (!snoozedue(until, now())) return false;
    flagscope confirming(inconfirm);
    flagscope busy(alarm.busy);
    // Taken before anything opens, so that a crash from here on does not ring it twice.
    putoff->cancel(alarm);
    host_.snoozeschanged();
    if (now() - until > stalesnooze) {
        snoozescope nooffer(nullptr);
        flagscope question(asking);
        const bool yes = thedesktop().askyesno(stalesnoozequestion(alarm, until));
        // Nobody answered: asked again at the next start.
        if (sessionending()) return keepsnooze(alarm, {0, until, putoff->minutes(alarm)}), true;
        if (!yes) return true;
    }
    keepsnooze(alarm, runoffering(alarm));
    return true;
}

void scheduler::tttimer() {
    host_.setinterval(busyinterval);
    host_.setcaption(basecaption + captionclock(now()));
    // A question is open: the user answers it before anything else runs.
    if (whattickmay(state()) != tickmay::full) return;
    host_.editchanged();
    bool ran = false;
    for (int r = 0; r < alarms_.evcount() && !ran; ++r) {
        event& alarm = *alarms_.inrow(r);
        ran = fireifdue(alarm, &alarm == host_.curevent(), false);
    }
    if (!ran && putoff)
        if (event* alarm = putoff->due(alarms_, now())) ran = firesnooze(*alarm);
    if (!ran) host_.setinterval(idleinterval);
    host_.refreshlist(host_.selectedalarm());
}

} // namespace velk
