#include "alarms/snoozes.h"

#include <algorithm>
#include <charconv>
#include <cstdio>

#include "alarms/alarmfile.h"
#include "alarms/displaytime.h"
#include "alarms/safefile.h"
#include "timespec/text.h"

namespace velk {

namespace {

// The put-off moment exactly as it is, so that it reads back to the same countdown: the
// shortest digits that give the same double, "-" for none.
std::string momenttext(datetime t) {
    if (isnovalue(t)) return "-";
    char text[32];
    const auto r = std::to_chars(text, text + sizeof text, t);
    return std::string(text, r.ptr);
}

datetime momentfrom(std::string_view text) {
    datetime t = novalue;
    const auto r = std::from_chars(text.data(), text.data() + text.size(), t);
    return r.ec == std::errc() && r.ptr == text.data() + text.size() ? t : novalue;
}

snoozekey keyof(const event& e) {
    return {e.name, timetofile(e.created)};
}

} // namespace

std::string snoozes::pathfor(const std::string& alarmpath) {
    const auto slash = alarmpath.find_last_of("/\\");
    return alarmpath.substr(0, slash == std::string::npos ? 0 : slash + 1) + "Alarms.snooze";
}

std::string snoozes::load(const std::string& path) {
    entries.clear();
    std::string text, reason = datafile::fileproblem(path);
    if (!reason.empty()) return reason;
    if (datafile::readwhole(path, text, reason) == datafile::readresult::failed) return reason;
    parse(text);
    return "";
}

std::string snoozes::save(const std::string& path) const {
    if (std::string reason = datafile::fileproblem(path); !reason.empty()) return reason;
    return datafile::replacewhole(path, text());
}

// One line an alarm: minutes, the put-off moment ("-" for none), the alarm's start time and
// its name, separated by tabs; the name last, as the only field that may hold a tab.
std::string snoozes::text() const {
    std::string text;
    for (const auto& [key, s] : entries)
        text += std::to_string(s.minutes) + '\t' + momenttext(s.until) + '\t' + key.second + '\t' +
                key.first + "\r\n";
    return text;
}

void snoozes::parse(std::string_view text) {
    entries.clear();
    for (const std::string& line : splitlines(text)) {
        std::size_t at[3], from = 0;
        bool whole = true;
        for (auto& p : at) {
            p = line.find('\t', from);
            whole = whole && p != std::string::npos;
            if (!whole) break;
            from = p + 1;
        }
        if (!whole) continue;
        snoozeentry s;
        s.minutes = readnumber(std::string_view(line).substr(0, at[0]));
        s.until = momentfrom(std::string_view(line).substr(at[0] + 1, at[1] - at[0] - 1));
        // A hand-edited line that does not read is passed over, not guessed at.
        if (s.minutes < 1 || s.minutes > maxsnoozeminutes) continue;
        entries[{line.substr(at[2] + 1), line.substr(at[1] + 1, at[2] - at[1] - 1)}] = s;
    }
}

const snoozeentry* snoozes::find(const event& e) const {
    const auto it = entries.find(keyof(e));
    return it == entries.end() ? nullptr : &it->second;
}

datetime snoozes::until(const event& e) const {
    const snoozeentry* s = find(e);
    return s ? s->until : novalue;
}

int snoozes::minutes(const event& e) const {
    const snoozeentry* s = find(e);
    return s ? s->minutes : defaultsnoozeminutes;
}

void snoozes::snooze(const event& e, datetime until, int minutes) {
    snoozeentry& s = entries[keyof(e)];
    s.until = until;
    s.minutes = std::clamp(minutes, 1, maxsnoozeminutes);
}

bool snoozes::cancel(const event& e) {
    const auto it = entries.find(keyof(e));
    if (it == entries.end() || isnovalue(it->second.until)) return false;
    it->second.until = novalue;
    return true;
}

bool snoozes::prune(const book& b) {
    if (entries.empty()) return false;
    std::map<snoozekey, snoozeentry> kept;
    bool dropped = false;
    for (int i = 0; i < b.evcount(); ++i) {
        const event& alarm = *b.evs(i);
        const auto it = entries.find(keyof(alarm));
        if (it == entries.end()) continue;
        snoozeentry s = it->second;
        const bool regularfirst = !isnovalue(alarm.next) && alarm.next <= s.until;
        if (!isnovalue(s.until) && (!alarm.active || regularfirst)) {
            s.until = novalue;
            dropped = true;
        }
        kept[it->first] = s;
    }
    dropped = dropped || kept.size() != entries.size();
    entries = std::move(kept);
    return dropped;
}

event* snoozes::due(book& b, datetime now) const {
    event* soonest = nullptr;
    datetime at = novalue;
    for (int i = 0; i < b.evcount(); ++i) {
        const datetime t = until(*b.evs(i));
        if (snoozedue(t, now) && (!soonest || t < at)) {
            soonest = b.evs(i);
            at = t;
        }
    }
    return soonest;
}

std::string snoozedtext(datetime until, datetime now) {
    const datefields u = decode(until), n = decode(now);
    char text[40];
    if (u.year == n.year && u.month == n.month && u.day == n.day)
        std::snprintf(text, sizeof text, "%02d:%02d", u.hour, u.minute);
    else
        std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", u.year, u.month, u.day, u.hour,
                      u.minute);
    return std::string("Snoozed until ") + text;
}

} // namespace velk
