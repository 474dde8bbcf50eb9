#include "ui/traytip.h"

#include "alarms/alarmfile.h"
#include "alarms/displaytime.h"

namespace velk {

std::string traytip(const book& b, datetime now, const std::string& caption) {
    const event* soonest = nullptr;
    // In storage order: the list's sort keeps that order among equal times.
    for (int i = 0; i < b.evcount(); ++i) {
        const event& e = *b.evs(i);
        if (e.active && isset(e.next) && (!soonest || e.next < soonest->next)) soonest = &e;
    }
    if (!soonest) return caption + "\nNo Alarm is due.";
    const std::string name = soonest->name.empty() ? "<ALARM>" : readabletext(soonest->name);
    return caption + "\nNext: " + name + "\n" + displaytime(soonest->next) + "  (+" +
           countdowntext(now, soonest->next) + ")";
}

} // namespace velk
