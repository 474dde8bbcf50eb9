#pragma once
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "timespec/datetime.h"
#include "timespec/timedesc.h"

namespace velk {

// One alarm: name, time text, action lines, its three times and its flags.
class event {
  public:
    // A new alarm: created now, never run, inactive, empty texts.
    event();
    // Reads one block of the alarm file from the front of lines, removing what it read; the
    // time lines may use decimalseparator instead of ".". Throws velkerror with the
    // read-failure message.
    event(std::deque<std::string>& lines, char decimalseparator);
    // A duplicate of src: started now, never run, due independently of src's history.
    struct duplicate_t {};
    event(duplicate_t, const event& src);

    event(const event&) = delete;
    event& operator=(const event&) = delete;

    // Rebuilds parsed and next; "" on success, else the parser's message.
    std::string recompute();
    // Switches on when the time text parses; otherwise why, when given, gets the parser's
    // message for the caller to show.
    bool activate(std::string* why = nullptr);
    bool deactivate();
    bool toggle(std::string* why = nullptr);
    // Start time now, last run forgotten (0). why: as for activate.
    void startnow(std::string* why = nullptr);

    datetime created = 0;
    datetime last = novalue;
    datetime next = novalue;
    std::string time;
    std::string name;
    std::vector<std::string> action;
    bool active = false;
    bool busy = false;
    std::unique_ptr<timedesc> parsed;
};

// Day number of 2501-01-01, after every possible next time.
inline constexpr double farday = 219513;
double sortkey(const event& e);

} // namespace velk
