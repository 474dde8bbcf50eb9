#include "execution/scheduler.h"

#include <cstdio>

#include "alarms/desktop.h"
#include "alarms/displaytime.h"
#include "execution/flagscope.h"
#include "execution/script.h"
#include "timespec/clock.h"

namespace velk {

namespace {

bool isdue(const event& alarm, datetime now) {
    return alarm.active && !alarm.busy && !isnovalue(alarm.next) && alarm.next <= now;
}

} // namespace

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

bool scheduler::fireifdue(event& alarm, bool iscurrent, bool askfirst) {
    if (inconfirm && !indialog) return false;
    if (!isdue(alarm, now())) return false;
    flagscope confirming(inconfirm);
    flagscope busy(alarm.busy);
    answer choice = answer::yes;
    bool first = true;
    while (!isnovalue(alarm.next) && alarm.next <= now()) {
        if (choice != answer::yestoall && choice != answer::notoall && (!first || askfirst))
            choice = thedesktop().askfour(missedquestion(alarm, first),
                                          first ? answer::yes : answer::notoall);
        // A closed dialog counts as No for this run and is asked again next turn.
        if (choice == answer::yes || choice == answer::yestoall) runaction(alarm);
        // Skipped or run, this occurrence is passed over for good.
        alarm.last = alarm.next;
        alarm.recompute();
        if (iscurrent) host_.fillfields(alarm);
        first = false;
    }
    return true;
}

void scheduler::tttimer() {
    host_.setinterval(busyinterval);
    host_.setcaption(basecaption + captionclock(now()));
    // A question is open: the user answers it before anything else runs.
    if (inconfirm && !indialog) return;
    host_.editchanged();
    bool ran = false;
    for (int r = 0; r < alarms_.evcount && !ran; ++r) {
        event& alarm = *alarms_.evs[alarms_.evorder[r]];
        ran = fireifdue(alarm, &alarm == host_.curevent(), false);
    }
    if (!ran) host_.setinterval(idleinterval);
    host_.refreshlist(host_.selectedalarm());
}

} // namespace velk
