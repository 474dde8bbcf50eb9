#include "alarms/event.h"

#include "timespec/clock.h"
#include "timespec/error.h"

namespace velk {

event::event() : created(now()) {
    recompute();
}

event::event(duplicate_t, const event& src)
    : created(now()), time(src.time), name(src.name), action(src.action), active(src.active) {
    // The copy starts its own history: due from its own start time, not src's last run.
    if (active)
        activate();
    else
        recompute();
}

std::string event::recompute() {
    parsed.reset();
    next = novalue;
    try {
        parsed = std::make_unique<timedesc>(time, created);
    } catch (const velkerror& e) {
        return e.text;
    }
    // After a handled occurrence the search goes on from the minute after it, so the same
    // minute is never handled twice.
    const datetime origin = isset(last) ? last + oneminute : created;
    next = nextfrom(*parsed, origin);
    return "";
}

bool event::activate(std::string* why) {
    active = false;
    const std::string text = recompute();
    if (!text.empty()) {
        if (why) *why = text;
        return false;
    }
    active = true;
    return true;
}

bool event::deactivate() {
    active = false;
    return true;
}

bool event::toggle(std::string* why) {
    return active ? deactivate() : activate(why);
}

void event::startnow(std::string* why) {
    created = now();
    last = 0;
    if (active)
        activate(why);
    else
        recompute();
}

double sortkey(const event& e) {
    if (!e.active) return -e.created;
    if (isset(e.next)) return e.next;
    return farday + e.created;
}

} // namespace velk
