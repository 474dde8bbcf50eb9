#include "ui/traytip.h"

#include "alarms/alarmfile.h"
#include "alarms/displaytime.h"

namespace velk {

std::string traytip(const book& b, datetime now, const std::string& caption,
                    const snoozes* putoff) {
    const event* soonest = nullptr;
    datetime at = novalue;
    bool snoozed = false;
    const auto take = [&](const event& e, datetime t, bool put) {
        if (isset(t) && (!soonest || t < at)) soonest = &e, at = t, snoozed = put;
    };
    // In storage order: the list's sort keeps that order among equal times.
    for (int i = 0; i < b.evcount(); ++i) {
        const event& e = *b.evs(i);
        if (e.active) take(e, e.next, false);
        if (putoff) take(e, putoff->until(e), true);
    }
    if (!soonest) return caption + "\nNo Alarm is due.";
    const std::string name = soonest->name.empty() ? "<ALARM>" : readabletext(soonest->name);
    return caption + "\nNext: " + name + (snoozed ? " (" + snoozedtext(at, now) + ")" : "") + "\n" +
           displaytime(at) + "  (+" + countdowntext(now, at) + ")";
}

} // namespace velk
