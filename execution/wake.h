#pragma once
#include <memory>
#include <string>

#include "alarms/book.h"
#include "alarms/snoozes.h"
#include "timespec/datetime.h"

namespace velk {

// How far ahead the computer is woken: the common PC clock chip takes no wake further out, and
// a wake armed further makes suspend fail.
inline constexpr long long wakehorizonms = 24LL * 60 * 60 * 1000;

// The alarm to wake the computer for: the active one whose next time comes soonest after now,
// within the horizon; its storage index, or -1.
int wakealarm(const book& alarms, datetime now);
// The moment to wake for: wakealarm's next time, or a put-off run coming sooner within the
// horizon; novalue when there is none.
datetime wakemoment(const book& alarms, datetime now, const snoozes* putoff = nullptr);

// A timer that wakes the computer from sleep at a wall-clock moment (milliseconds since
// 1970-01-01 UTC). One per OS; tests use a fake.
class waketimer {
  public:
    virtual ~waketimer() = default;
    // Replaces the moment armed before; the reason of a failure, "" when armed.
    virtual std::string arm(long long ms) = 0;
    virtual void disarm() = 0;
};

// Keeps exactly one wake armed for wakealarm, arming anew only when the moment changes.
class wakearmer {
  public:
    explicit wakearmer(waketimer& timer) : timer_(timer) {}

    // The book or the switch changed, or a tick passed. force: the clock was set or the machine
    // resumed, so the same local time may sit elsewhere on the wall clock, or the timer may be
    // spent: arm again even when the moment looks the same.
    void rearm(const book& alarms, datetime now, bool on, bool force = false,
               const snoozes* putoff = nullptr);
    // The moment armed, or -1.
    long long armedat() const { return armed_; }
    // Why the last arming failed, "" when it did not.
    const std::string& problem() const { return problem_; }

  private:
    waketimer& timer_;
    long long armed_ = -1;
    std::string problem_;
};

// How this computer can be woken, as probed now. One per OS.
struct wakeway {
    enum kind { none, kernel, helper, waitabletimer };
    kind how = none;
    // What the status names: the helper's path, or why none works.
    std::string detail;
    // Waking may not happen even though a timer is armed (no clock chip that wakes, a power plan
    // without wake timers); "" when nothing is known against it.
    std::string warning;
};
wakeway findwakeway();
// "kernel timer", "helper /usr/libexec/velk/velk-wake", "none (why)", ...
std::string describe(const wakeway& way);
// The timer of the way, nullptr for none.
std::unique_ptr<waketimer> openwaketimer(const wakeway& way);

} // namespace velk
