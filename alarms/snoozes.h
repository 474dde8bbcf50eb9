#pragma once
#include <map>
#include <string>
#include <string_view>
#include <utility>

#include "alarms/book.h"
#include "timespec/datetime.h"

namespace velk {

// The length of a snooze when none was chosen for the alarm yet, in minutes.
inline constexpr int defaultsnoozeminutes = 10;
// The longest snooze: a day.
inline constexpr int maxsnoozeminutes = 1440;
// A put-off run found later than this (VELK was not running, the machine slept) is asked
// about instead of rung unannounced.
inline constexpr double stalesnooze = 2.0 / 1440;

// Whether a put-off run at until is due at now. The wall-clock wake fires on a whole
// millisecond, which may fall a hair short of the moment: within a millisecond is due.
inline bool snoozedue(datetime until, datetime now) {
    return !isnovalue(until) && until - now < 0.001 / 86400;
}

// One alarm's put-off run and the snooze length last chosen for it. The alarm is named by its
// name and its start time as the alarm file writes them, so that an alarm renamed or removed
// in the file loses its snooze instead of passing it to another.
struct snoozeentry {
    int minutes = 0;
    datetime until = novalue;
    bool operator==(const snoozeentry&) const = default;
};
// The alarm's name and its start time as the alarm file writes it.
using snoozekey = std::pair<std::string, std::string>;

// The snoozes of one alarm file, kept in a file of their own beside it ("Alarms.snooze"), so
// the alarm file keeps the format other programs read.
class snoozes {
  public:
    // The snooze file that belongs to the alarm file alarmpath.
    static std::string pathfor(const std::string& alarmpath);

    // Reads path; a missing file holds no snooze. A file that must not be used or does not
    // read is taken as empty and its reason returned: snoozes are a convenience, the alarms
    // themselves are in the alarm file.
    std::string load(const std::string& path);
    // Replaces path in one step; returns the reason of a failure.
    std::string save(const std::string& path) const;
    std::string text() const;
    void parse(std::string_view text);

    // The moment the alarm's put-off run is due, novalue when it has none.
    datetime until(const event& e) const;
    // The length to offer: the one last chosen for the alarm, else the default.
    int minutes(const event& e) const;
    void snooze(const event& e, datetime until, int minutes);
    // Drops the alarm's put-off run; its length stays remembered. True when there was one.
    bool cancel(const event& e);
    // Drops what no longer applies: entries of alarms b does not hold, and put-off runs of
    // alarms that are switched off or whose next regular run comes first (the alarm rings
    // then anyway). True when anything was dropped.
    bool prune(const book& b);
    // The alarm with the soonest put-off run due at or before now, or nullptr.
    event* due(book& b, datetime now) const;

    // Looked up once per alarm shown, so a list of many snoozed alarms stays quick.
    std::map<snoozekey, snoozeentry> entries;

  private:
    const snoozeentry* find(const event& e) const;
};

// "Snoozed until 09:40", with the date when it is not the day of now.
std::string snoozedtext(datetime until, datetime now);

} // namespace velk
