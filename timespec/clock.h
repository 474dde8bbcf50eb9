#pragma once
#include "timespec/datetime.h"

namespace velk {

// Every read of "now" in the program goes through here so tests can set the time.
class clocksource {
  public:
    virtual ~clocksource() = default;
    virtual datetime now() const = 0;
    // The wall-clock moment (milliseconds since 1970-01-01 UTC) of a local time: where timers
    // that follow the wall clock are set. This one counts from now(), as if this clock ran at
    // the real clock's pace.
    virtual long long wallms(datetime local) const;
};

// The system's local wall-clock time.
class systemclock : public clocksource {
  public:
    datetime now() const override;
    // Through the time zone's rules, daylight saving included.
    long long wallms(datetime local) const override;
};

datetime now();
// wallms of the clock in use.
long long wallms(datetime local);
// nullptr restores the system clock. The caller keeps ownership.
void setclock(const clocksource* source);

} // namespace velk
