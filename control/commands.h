#pragma once
#include <string>
#include <vector>

#include "alarms/book.h"
#include "alarms/snoozes.h"
#include "control/message.h"
#include "timespec/datetime.h"

namespace velk::control {

// The commands that change the alarm book or read its agenda. Every one of them is applied by
// exactly one writer: the running window, or (when none runs) the command itself under the
// instance lock.
struct command {
    enum kind { none, add, enable, disable, remove, agenda, snooze, unsnooze };
    kind what = none;
    std::string name, time;
    std::vector<std::string> lines;
    bool inactive = false;
    int days = 7;
    // The length of a snooze; 0 for the one last chosen for the alarm.
    int minutes = 0;
};

// The option word of each command, e.g. "--add".
bool iscommand(const std::string& word);
// Reads a command line that starts with a command word. Wrong usage gives status 2 in r and the
// message in r.err; the command is then none.
command parsecommand(const std::vector<std::string>& args, reply& r);
// Changes or reads b as the command says. On failure r.status is 1, r.err holds the message and
// b is untouched. Returns the alarm the command added or enabled (or nullptr).
event* applycommand(book& b, const command& c, datetime now, reply& r);
// The same with the book's put-off runs, which --snooze and --unsnooze change and --list and
// --agenda show.
event* applycommand(book& b, snoozes& putoff, const command& c, datetime now, reply& r);
// True when the command changes the put-off runs.
bool snoozing(const command& c);
// True when the command changes the book.
bool writes(const command& c);

// One row as `velk --list` prints it: active mark, next time, countdown, name.
std::string listrow(const event& e, datetime now);
// The row of an alarm whose put-off run is due at until: that moment, marked "snoozed".
std::string listrow(const event& e, datetime now, datetime until);
// Every moment an active alarm of b is due from now to now + days, in time order, one line
// each; at most agendalimit lines, then "...".
inline constexpr int agendalimit = 1000;
std::string agendatext(const book& b, datetime now, int days);
std::string agendatext(const book& b, const snoozes* putoff, datetime now, int days);

// Messages of the commands.
std::string emptyname();
std::string notfound(const std::string& name);
std::string ambiguous(const std::string& name, int count);
std::string busyalarm(const std::string& name);
std::string notsnoozed(const std::string& name);

} // namespace velk::control
