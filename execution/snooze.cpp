#include "execution/snooze.h"

#include <cstdio>

#include "alarms/displaytime.h"

namespace velk {

namespace {
snoozeoffer* active = nullptr;
} // namespace

snoozeoffer* activesnooze() {
    return active;
}

snoozescope::snoozescope(snoozeoffer* offer) : saved_(active) {
    active = offer;
}

snoozescope::~snoozescope() {
    active = saved_;
}

std::string stalesnoozequestion(const event& alarm, datetime until) {
    const datefields f = decode(until);
    char at[8];
    std::snprintf(at, sizeof at, "%02d:%02d", f.hour, f.minute);
    return displaytime(until) + "\r\n\r\n" + (alarm.name.empty() ? "<ALARM>" : alarm.name) +
           " was snoozed until " + at +
           ", but VELK could not run it then.\r\nDo you want the Action to be executed now?";
}

} // namespace velk
