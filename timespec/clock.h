#pragma once
#include "timespec/datetime.h"

namespace velk {

// Every read of "now" in the program goes through here so tests can set the time.
class clocksource {
public:
    virtual ~clocksource() = default;
    virtual datetime now() const = 0;
};

// The system's local wall-clock time.
class systemclock : public clocksource {
public:
    datetime now() const override;
};

datetime now();
// nullptr restores the system clock. The caller keeps ownership.
void setclock(const clocksource* source);

} // namespace velk
