#include "control/commands.h"

#include <algorithm>
#include <memory>
#include <queue>

#include "alarms/alarmfile.h"
#include "alarms/displaytime.h"
#include "timespec/error.h"
#include "timespec/text.h"
#include "timespec/timedesc.h"

namespace velk::control {

namespace {

// Longest agenda a command may ask for: a century.
constexpr int maxdays = 36525;

reply& usage(reply& r, const std::string& problem) {
    r.status = 2;
    r.err = "velk: " + problem + "\n";
    return r;
}

reply& failure(reply& r, const std::string& message) {
    r.status = 1;
    r.err = message + "\n";
    return r;
}

bool oneline(const std::string& s) {
    return s.find_first_of("\r\n") == std::string::npos;
}

// The parser's message for a time text, or "" when it parses.
std::string timeproblem(const std::string& time, datetime ref) {
    try {
        timedesc parsed(time, ref);
    } catch (const velkerror& e) {
        return e.text;
    }
    return "";
}

event* addalarm(book& b, const command& c, datetime now, reply& r) {
    if (trimmed(c.name).empty()) return failure(r, emptyname()), nullptr;
    if (!oneline(c.name) || !oneline(c.time))
        return failure(r, "The name and the time must be one line each!"), nullptr;
    if (b.full()) return failure(r, std::string(bookfullmessage)), nullptr;
    if (std::string problem = timeproblem(c.time, now); !problem.empty())
        return failure(r, problem), nullptr;
    auto e = std::make_unique<event>();
    e->created = now;
    e->name = c.name;
    e->time = c.time;
    // An argument holding line breaks is the lines it shows, as in the editor's action box.
    for (const auto& line : c.lines) {
        std::size_t start = 0;
        for (std::size_t i = 0; i <= line.size(); ++i) {
            if (i < line.size() && line[i] != '\r' && line[i] != '\n') continue;
            e->action.push_back(line.substr(start, i - start));
            if (i + 1 < line.size() && line[i] == '\r' && line[i + 1] == '\n') ++i;
            start = i + 1;
        }
    }
    if (c.inactive)
        e->recompute();
    else
        e->activate();
    event& added = b.append(std::move(e));
    b.sortbook();
    r.out = listrow(added, now) + "\n";
    return &added;
}

event* switchalarm(book& b, const command& c, datetime now, reply& r) {
    if (c.name.empty()) return failure(r, emptyname()), nullptr;
    const std::vector<int> found = b.named(c.name);
    if (found.empty()) return failure(r, notfound(c.name)), nullptr;
    if (found.size() > 1)
        return failure(r, ambiguous(c.name, static_cast<int>(found.size()))), nullptr;
    const int i = found.front();
    event& e = *b.evs(i);
    // A running alarm's pass (or its open dialog) holds it: it changes when that has ended.
    if (e.busy) return failure(r, busyalarm(c.name)), nullptr;
    if (c.what == command::remove) {
        r.out = "Removed: " + listrow(e, now) + "\n";
        b.remove(i);
        b.sortbook();
        return nullptr;
    }
    event* enabled = nullptr;
    if (c.what == command::enable && !e.active) {
        if (std::string problem = timeproblem(e.time, e.created); !problem.empty())
            return failure(r, problem), nullptr;
        e.activate();
        enabled = &e;
    } else if (c.what == command::disable) {
        e.deactivate();
    }
    b.sortbook();
    r.out = listrow(e, now) + "\n";
    return enabled;
}

// The one alarm named c.name; nullptr with the failure in r.
event* onenamed(book& b, const command& c, reply& r) {
    if (c.name.empty()) return failure(r, emptyname()), nullptr;
    const std::vector<int> found = b.named(c.name);
    if (found.empty()) return failure(r, notfound(c.name)), nullptr;
    if (found.size() > 1)
        return failure(r, ambiguous(c.name, static_cast<int>(found.size()))), nullptr;
    event* e = b.evs(found.front());
    if (e->busy) return failure(r, busyalarm(c.name)), nullptr;
    return e;
}

void snoozealarm(book& b, snoozes& putoff, const command& c, datetime now, reply& r) {
    event* e = onenamed(b, c, r);
    if (!e) return;
    if (!e->active)
        return void(failure(r, "The Alarm '" + c.name + "' is switched off; nothing to snooze."));
    const int minutes = c.minutes > 0 ? c.minutes : putoff.minutes(*e);
    const datetime until = now + minutes * oneminute;
    if (!isnovalue(e->next) && e->next <= until)
        return void(failure(r, "The Alarm '" + c.name + "' is due at " + displaytime(e->next) +
                                   ", before the snooze would end; nothing was changed."));
    putoff.snooze(*e, until, minutes);
    r.out = listrow(*e, now, until) + "\n";
}

void unsnoozealarm(book& b, snoozes& putoff, const command& c, datetime now, reply& r) {
    event* e = onenamed(b, c, r);
    if (!e) return;
    if (!putoff.cancel(*e)) return void(failure(r, notsnoozed(c.name)));
    r.out = listrow(*e, now) + "\n";
}

} // namespace

std::string notsnoozed(const std::string& name) {
    return "The Alarm '" + name + "' is not snoozed!";
}

std::string emptyname() {
    return "The name of an Alarm must not be empty!";
}

std::string notfound(const std::string& name) {
    return "No Alarm is named '" + name + "'!";
}

std::string ambiguous(const std::string& name, int count) {
    return std::to_string(count) + " Alarms are named '" + name +
           "'! Nothing was changed; rename them in the window to tell them apart.";
}

std::string busyalarm(const std::string& name) {
    return "The Alarm '" + name + "' is running now; try again when it has finished.";
}

bool iscommand(const std::string& word) {
    return word == "--add" || word == "--enable" || word == "--disable" || word == "--remove" ||
           word == "--agenda" || word == "--snooze" || word == "--unsnooze";
}

bool snoozing(const command& c) {
    return c.what == command::snooze || c.what == command::unsnooze;
}

bool writes(const command& c) {
    return c.what != command::none && c.what != command::agenda;
}

command parsecommand(const std::vector<std::string>& args, reply& r) {
    command c;
    if (args.empty() || !iscommand(args[0])) {
        usage(r, "a command is expected");
        return c;
    }
    // The window would refuse it unread; refused here, it is refused the same with no window.
    if (encode(request{args, 0}).empty()) {
        usage(r, "the command is longer than 1 MB");
        return c;
    }
    const std::string& word = args[0];
    std::vector<std::string> rest(args.begin() + 1, args.end());
    if (word == "--add") {
        std::size_t at = 0;
        bool inactive = false;
        if (at < rest.size() && rest[at] == "--inactive") {
            inactive = true;
            ++at;
        }
        if (rest.size() < at + 2) {
            usage(r, "--add needs a NAME and a TIME");
            return c;
        }
        c.inactive = inactive;
        c.name = rest[at];
        c.time = rest[at + 1];
        c.lines.assign(rest.begin() + static_cast<std::ptrdiff_t>(at + 2), rest.end());
        c.what = command::add;
        return c;
    }
    if (word == "--agenda") {
        if (rest.size() > 1) {
            usage(r, "--agenda takes one number of DAYS at most");
            return c;
        }
        if (!rest.empty()) {
            const std::string& d = rest[0];
            const int32_t days = readnumber(d);
            if (days == novalue || days < 0 || days > maxdays) {
                usage(r, "--agenda needs a whole number of DAYS from 0 to " +
                             std::to_string(maxdays) + ", not '" + d + "'");
                return c;
            }
            c.days = days;
        }
        c.what = command::agenda;
        return c;
    }
    if (word == "--snooze") {
        if (rest.empty() || rest.size() > 2) {
            usage(r, "--snooze needs a NAME and at most a number of MINUTES");
            return c;
        }
        if (rest.size() == 2) {
            const int32_t minutes = readnumber(rest[1]);
            if (minutes == novalue || minutes < 1 || minutes > maxsnoozeminutes) {
                usage(r, "--snooze needs a whole number of MINUTES from 1 to " +
                             std::to_string(maxsnoozeminutes) + ", not '" + rest[1] + "'");
                return c;
            }
            c.minutes = minutes;
        }
        c.name = rest[0];
        c.what = command::snooze;
        return c;
    }
    if (rest.size() != 1) {
        usage(r, word + " needs exactly one NAME");
        return c;
    }
    if (word == "--unsnooze") {
        c.name = rest[0];
        c.what = command::unsnooze;
        return c;
    }
    c.name = rest[0];
    c.what = word == "--enable"    ? command::enable
             : word == "--disable" ? command::disable
                                   : command::remove;
    return c;
}

event* applycommand(book& b, const command& c, datetime now, reply& r) {
    r = reply{};
    switch (c.what) {
    case command::add:
        return addalarm(b, c, now, r);
    case command::enable:
    case command::disable:
    case command::remove:
        return switchalarm(b, c, now, r);
    case command::agenda:
        r.out = agendatext(b, now, c.days);
        return nullptr;
    case command::snooze:
    case command::unsnooze:
    case command::none:
        break;
    }
    usage(r, "a command is expected");
    return nullptr;
}

event* applycommand(book& b, snoozes& putoff, const command& c, datetime now, reply& r) {
    r = reply{};
    event* enabled = nullptr;
    if (c.what == command::snooze)
        snoozealarm(b, putoff, c, now, r);
    else if (c.what == command::unsnooze)
        unsnoozealarm(b, putoff, c, now, r);
    else if (c.what == command::agenda)
        r.out = agendatext(b, &putoff, now, c.days);
    else
        enabled = applycommand(b, c, now, r);
    // A removed, renamed or switched-off alarm takes its put-off run with it.
    if (r.status == 0 && writes(c)) putoff.prune(b);
    return enabled;
}

std::string listrow(const event& e, datetime now) {
    const bool hasnext = !isnovalue(e.next);
    std::string row = e.active ? "*" : " ";
    row += "  " + (hasnext ? displaytime(e.next) : "-");
    row += "  " + (hasnext ? "(+" + countdowntext(now, e.next) + ")" : std::string("-"));
    // Shown as the window shows it, also when the file is not UTF-8.
    row += "  " + (e.name.empty() ? std::string("<ALARM>") : readabletext(e.name));
    return row;
}

std::string listrow(const event& e, datetime now, datetime until) {
    if (isnovalue(until)) return listrow(e, now);
    return std::string(e.active ? "*" : " ") + "  " + displaytime(until) + "  (+" +
           countdowntext(now, until) + ")  " +
           (e.name.empty() ? std::string("<ALARM>") : readabletext(e.name)) + "  (snoozed)";
}

std::string agendatext(const book& b, datetime now, int days) {
    return agendatext(b, nullptr, now, days);
}

std::string agendatext(const book& b, const snoozes* putoff, datetime now, int days) {
    const datetime end = now + days;
    // The earliest pending moment of every alarm; the smallest is taken and replaced by that
    // alarm's following one, so only the lines printed are ever searched. Ties keep the
    // display order.
    struct pending {
        datetime at;
        int row;
        bool snoozed = false;
        bool operator>(const pending& o) const { return at != o.at ? at > o.at : row > o.row; }
    };
    std::priority_queue<pending, std::vector<pending>, std::greater<>> queue;
    for (int r = 0; r < b.evcount(); ++r) {
        const event& e = *b.inrow(r);
        if (e.active && e.parsed && !isnovalue(e.next) && e.next < end) queue.push({e.next, r});
        const datetime until = putoff ? putoff->until(e) : novalue;
        if (!isnovalue(until) && until < end) queue.push({until, r, true});
    }
    std::string text;
    for (int lines = 0; !queue.empty(); ++lines) {
        if (lines == agendalimit) {
            text += "...\n";
            break;
        }
        const pending p = queue.top();
        queue.pop();
        const event& e = *b.inrow(p.row);
        text += displaytime(p.at) + "  (+" + countdowntext(now, p.at) + ")  " +
                (e.name.empty() ? std::string("<ALARM>") : readabletext(e.name)) +
                (p.snoozed ? "  (snoozed)\n" : "\n");
        if (p.snoozed) continue;
        // A moment already due is listed once; the ones after it count from now.
        const datetime following = nextfrom(*e.parsed, std::max(p.at + oneminute, now));
        if (!isnovalue(following) && following > p.at && following < end)
            queue.push({following, p.row});
    }
    return text;
}

} // namespace velk::control
