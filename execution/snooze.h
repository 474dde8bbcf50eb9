#pragma once
#include <string>

#include "alarms/event.h"
#include "alarms/snoozes.h"

namespace velk {

// What the boxes of one alarm's run offer, and the put-off a box was left with.
struct snoozeoffer {
    // The length the Snooze button offers first, in minutes.
    int minutes = defaultsnoozeminutes;
    // Set by the box whose Snooze was chosen: when the run comes again, and the length chosen.
    datetime until = novalue;
    int chosen = 0;
    bool taken() const { return !isnovalue(until); }
    void take(datetime at, int length) {
        until = at;
        chosen = length;
    }
};

// The offer of the alarm run whose boxes open now; nullptr outside one (the editor's Test
// button, a script error's box), where no box offers Snooze.
snoozeoffer* activesnooze();

// Makes offer the active one for its lifetime; a run nested in a box of another puts the
// outer run's offer back when it ends.
class snoozescope {
  public:
    explicit snoozescope(snoozeoffer* offer);
    ~snoozescope();
    snoozescope(const snoozescope&) = delete;
    snoozescope& operator=(const snoozescope&) = delete;

  private:
    snoozeoffer* saved_;
};

// The question about a put-off run found more than a little late.
std::string stalesnoozequestion(const event& alarm, datetime until);

} // namespace velk
