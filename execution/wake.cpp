#include "execution/wake.h"

#include "timespec/clock.h"

namespace velk {

int wakealarm(const book& alarms, datetime now) {
    // On the wall clock: a day that loses or gains an hour to daylight saving still has 24 hours.
    const long long from = wallms(now);
    int soonest = -1;
    for (int i = 0; i < alarms.evcount(); ++i) {
        const event& alarm = *alarms.evs(i);
        // A due alarm runs with the tick; it is no reason to wake.
        if (!alarm.active || isnovalue(alarm.next) || alarm.next <= now) continue;
        if (wallms(alarm.next) - from > wakehorizonms) continue;
        if (soonest < 0 || alarm.next < alarms.evs(soonest)->next) soonest = i;
    }
    return soonest;
}

datetime wakemoment(const book& alarms, datetime now, const snoozes* putoff) {
    const int which = wakealarm(alarms, now);
    datetime at = which < 0 ? novalue : alarms.evs(which)->next;
    for (int i = 0; putoff && i < alarms.evcount(); ++i) {
        const datetime until = putoff->until(*alarms.evs(i));
        if (isnovalue(until) || until <= now || wallms(until) - wallms(now) > wakehorizonms)
            continue;
        if (isnovalue(at) || until < at) at = until;
    }
    return at;
}

void wakearmer::rearm(const book& alarms, datetime now, bool on, bool force,
                      const snoozes* putoff) {
    const datetime at = on ? wakemoment(alarms, now, putoff) : novalue;
    const long long ms = isnovalue(at) ? -1 : wallms(at);
    if (ms == armed_ && !force) return;
    problem_.clear();
    if (ms < 0) {
        if (armed_ >= 0 || force) timer_.disarm();
        armed_ = -1;
        return;
    }
    problem_ = timer_.arm(ms);
    armed_ = problem_.empty() ? ms : -1;
}

std::string describe(const wakeway& way) {
    switch (way.how) {
    case wakeway::kernel:
        return "kernel timer";
    case wakeway::helper:
        return "helper " + way.detail;
    case wakeway::waitabletimer:
        return "waitable timer";
    case wakeway::none:
        break;
    }
    return "none (" + way.detail + ")";
}

} // namespace velk
