#pragma once
#include "timespec/clock.h"

namespace velk::test {

// A clock the test sets; installed for its own lifetime.
class fakeclock : public clocksource {
  public:
    explicit fakeclock(datetime t = 46362.375) : t_(t) { setclock(this); }
    ~fakeclock() override { setclock(nullptr); }
    fakeclock(const fakeclock&) = delete;
    fakeclock& operator=(const fakeclock&) = delete;

    datetime now() const override { return t_; }
    void set(datetime t) { t_ = t; }
    void advanceseconds(double s) { t_ += s / 86400.0; }

  private:
    datetime t_;
};

// A fake clock whose wall clock is its local time shifted by offsetms: moving the offset is a
// new time zone, or the clock set, under the same local times.
class fakewallclock : public fakeclock {
  public:
    using fakeclock::fakeclock;
    long long wallms(datetime local) const override;
    long long offsetms = 0;
};

// "YYYY-MM-DD HH:MM[:SS]" as a date-time value; throws std::invalid_argument when not a moment.
datetime at(const char* text);

} // namespace velk::test
