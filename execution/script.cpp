#include "execution/script.h"

#include <algorithm>

#include "alarms/desktop.h"
#include "execution/flagscope.h"
#include "execution/session.h"
#include "execution/snooze.h"
#include "timespec/error.h"
#include "timespec/text.h"

namespace velk {

bool indialog = false;

namespace {

std::string quoted(std::string_view text) {
    std::string out;
    out.reserve(text.size() + 3);
    out += '\'';
    out.append(text);
    out += "'!";
    return out;
}

[[noreturn]] void fail(std::string text) {
    throw velkerror{std::move(text)};
}

int32_t waitms(std::string_view arg) {
    const int32_t ms = arg.empty() ? 1000 : readnumber(arg);
    // A negative time would reach the platform as a huge unsigned pause.
    if (ms == novalue || ms < 0) fail("Incorrect argument for #wait: " + quoted(arg));
    if (ms > maxblockms) fail("Time for #wait must not exceed 30s.");
    return ms;
}

struct tonecall {
    int32_t frequency;
    int32_t ms;
};

// The tone of a "#beep" with an argument.
tonecall beeptone(std::string_view arg) {
    const auto q = arg.find(' ');
    if (q == std::string_view::npos)
        fail("Incorrect number of argument for #beep (should be 0 or 2, separated with space)!");
    const auto first = trimmed(arg.substr(0, q));
    const auto second = trimmed(arg.substr(q + 1));
    // Any frequency is taken: one the platform cannot sound is a silence of the same length.
    const int32_t frequency = readnumber(first);
    if (frequency == novalue) fail("Incorrect argument1 for #beep: " + quoted(first));
    const int32_t ms = readnumber(second);
    if (ms == novalue || ms < 0) fail("Incorrect argument1 for #beep: " + quoted(second));
    if (ms > maxblockms) fail("Time for #beep must not exceed 30s.");
    return {frequency, ms};
}

void runbeep(desktop& d, std::string_view arg) {
    if (arg.empty()) {
        d.beep();
        return;
    }
    const tonecall t = beeptone(arg);
    d.tone(t.frequency, t.ms);
}

// Thrown when the session ends while a script runs, or a box of it was snoozed: the run stops
// without a message.
struct scriptstopped {};

void stopifsnoozed() {
    if (const snoozeoffer* offer = activesnooze(); offer && offer->taken()) throw scriptstopped{};
}

void runmsg(desktop& d, std::string_view arg, const std::string& title) {
    flagscope dialog(indialog);
    d.armbringer();
    d.showmessage(arg.empty() ? title : std::string(arg));
    stopifsnoozed();
}

bool runask(desktop& d, std::string_view arg, const std::string& title) {
    flagscope dialog(indialog);
    d.armbringer();
    const bool yes = d.askyesno(arg.empty() ? title : std::string(arg));
    stopifsnoozed();
    return yes;
}

void runballoon(desktop& d, std::string_view arg, const std::string& title) {
    const std::string text = arg == "-" ? std::string() : arg.empty() ? title : std::string(arg);
    d.balloon(title, text);
}

// Moves the first word of params to the end of file, as the next attempt at a path with blanks.
void growfile(std::string& file, std::string_view& params) {
    const auto q = params.find(' ');
    const auto word = params.substr(0, q);
    params = q == std::string_view::npos ? std::string_view() : trimmed(params.substr(q + 1));
    file += ' ';
    file += word;
    while (!file.empty() && isblank(file.back()))
        file.pop_back();
}

// One attempt at a shell line: its file is the first filelength characters of the whole text.
struct openattempt {
    std::size_t filelength;
    std::string_view params;
};

// The attempts at a shell line, at most maxopenattempts; call.file grows into the whole text,
// which every attempt's file begins with, so a long line is not copied per attempt.
std::vector<openattempt> openattempts(shellcall& call) {
    std::vector<openattempt> attempts;
    std::string_view params = call.params;
    attempts.push_back({call.file.size(), params});
    while (!params.empty()) {
        growfile(call.file, params);
        if (attempts.size() < static_cast<std::size_t>(maxopenattempts))
            attempts.push_back({call.file.size(), params});
    }
    return attempts;
}

void runshell(desktop& d, std::string_view line) {
    shellcall call = splitshellline(line);
    const std::vector<openattempt> attempts = openattempts(call);
    const auto open = [&call, &d](const openattempt& a) {
        const std::string file = call.file.substr(0, a.filelength);
        return d.shellopen(file, std::string(a.params), extractfilepath(file));
    };
    std::vector<std::string_view> files;
    for (const openattempt& a : attempts)
        files.push_back(std::string_view(call.file).substr(0, a.filelength));
    // A desktop that can tell which attempt names something opens that one alone, so a target
    // the opener refuses is asked about once, not once per word.
    if (const auto pick = d.pickopen(files)) {
        if (*pick < attempts.size() && open(attempts[*pick])) return;
    } else if (std::any_of(attempts.begin(), attempts.end(), open)) {
        return;
    }
    // The whole text is quoted, as the last attempt would have it.
    fail("Error while executing " + quoted(call.file));
}

// One open "#ask": what its yes-block or else-block runs under.
struct block {
    bool outerexecute; // execute of the lines around the "#ask"
    bool outerelse;    // elseallowed of the lines around the "#ask"
    bool yes;          // the answer (false when not asked)
    bool inelse;       // past its "#else"
    std::size_t line;  // where the "#ask" stands
};

// The interpreter. With check set nothing runs at all: every block is walked and the arguments
// of "#wait" and "#beep" are read as if they ran. at follows the line being read, so a fault
// can be placed.
std::size_t walk(desktop& d, const std::vector<std::string>& script, const std::string& title,
                 std::size_t index, bool elseallowed, bool execute, bool check, std::size_t& at) {
    // Open "#ask" blocks live on this stack rather than in nested calls, so a deep nesting
    // cannot exhaust the call stack.
    std::vector<block> open;
    for (; index < script.size(); ++index) {
        at = index;
        // A closed dialog's answer was given by nobody: nothing after it runs.
        if (!check && sessionending()) throw scriptstopped{};
        const std::string_view line = trimmed(script[index]);
        if (line == "#end") {
            if (open.empty()) {
                // Running, this ends the script quietly; a check points out the lines lost.
                if (check && !std::all_of(script.begin() + static_cast<std::ptrdiff_t>(index) + 1,
                                          script.end(),
                                          [](const std::string& l) { return trimmed(l).empty(); }))
                    fail("Unexpected #end: the lines after it never run.");
                return index;
            }
            execute = open.back().outerexecute;
            elseallowed = open.back().outerelse;
            open.pop_back();
            continue;
        }
        if (line == "#else") {
            if (!elseallowed) fail("Unexpected #else!");
            if (open.empty()) return index;
            execute = open.back().outerexecute && !open.back().yes;
            elseallowed = false;
            open.back().inelse = true;
            continue;
        }
        if (line.empty()) continue;
        if (line.front() != '#') {
            if (execute) runshell(d, line);
            continue;
        }
        const auto p = line.find(' ');
        const auto word = trimmed(line.substr(1, p == std::string_view::npos ? p : p - 1));
        const auto arg =
            p == std::string_view::npos ? std::string_view() : trimmed(line.substr(p + 1));
        if (word == "ask") {
            const bool yes = execute && runask(d, arg, title);
            open.push_back({execute, elseallowed, yes, false, index});
            execute = execute && yes;
            elseallowed = true;
        } else if (word == "msg") {
            if (execute) runmsg(d, arg, title);
        } else if (word == "bln") {
            if (execute) runballoon(d, arg, title);
        } else if (word == "wait") {
            if (execute)
                d.sleepms(waitms(arg));
            else if (check)
                waitms(arg);
        } else if (word == "beep") {
            if (execute)
                runbeep(d, arg);
            else if (check && !arg.empty())
                beeptone(arg);
        } else {
            fail("Incorrect command: '#" + std::string(word) + "'!");
        }
    }
    // An else-block that runs out simply ends the script with it. A yes-block still open
    // here would next look for its "#else" past the last line: that is reported, at its "#ask".
    for (const block& b : open) {
        at = b.line;
        if (!b.inelse) fail("Missing #end!");
    }
    return index;
}

// "scheme:" at the start: letters, digits, '+', '-' or '.' up to the first colon.
bool beginswithscheme(std::string_view line) {
    const auto colon = line.find(':');
    if (colon == 0 || colon == std::string_view::npos) return false;
    return std::all_of(line.begin(), line.begin() + static_cast<std::ptrdiff_t>(colon), [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
               c == '+' || c == '-' || c == '.';
    });
}

} // namespace

std::string extractfilepath(std::string_view file) {
    const auto p = file.find_last_of("\\:/");
    return p == std::string_view::npos ? std::string() : std::string(file.substr(0, p + 1));
}

shellcall splitshellline(std::string_view line) {
    shellcall call;
    const auto at = line.find('@');
    // Only a bare address is mail; "mailto:a@b.c" or "https://host/@user" has its scheme already.
    if (line.find(' ') == std::string_view::npos && line.find('"') == std::string_view::npos &&
        at != std::string_view::npos && line.find('.', at + 1) != std::string_view::npos &&
        !beginswithscheme(line)) {
        call.file = "mailto:" + std::string(line);
        return call;
    }
    if (!line.empty() && line.front() == '"') {
        const auto e = line.find('"', 1);
        if (e == std::string_view::npos) {
            call.file = line;
        } else {
            // The character right after the closing quote is the separator, whatever it is.
            call.file = line.substr(0, e + 1);
            if (e + 2 < line.size()) call.params = trimmed(line.substr(e + 2));
        }
    } else {
        const auto q = line.find(' ');
        call.file = trimmed(line.substr(0, q));
        if (q != std::string_view::npos) call.params = trimmed(line.substr(q + 1));
    }
    call.dir = extractfilepath(call.file);
    return call;
}

std::size_t runlines(const std::vector<std::string>& script, const std::string& title,
                     std::size_t index, bool elseallowed, bool execute, desktop& d) {
    std::size_t at = index;
    return walk(d, script, title, index, elseallowed, execute, false, at);
}

scriptfault checkscript(const std::vector<std::string>& script) {
    std::size_t at = 0;
    try {
        // Nothing runs while checking; no desktop is reached.
        quietdesktop none;
        walk(none, script, "", 0, false, false, true, at);
    } catch (const velkerror& e) {
        return {at + 1, e.text};
    }
    return {};
}

bool runaction(event& alarm, desktop& d) {
    const std::string title = alarm.name.empty() ? "<ALARM>" : alarm.name;
    try {
        runlines(alarm.action, title, 0, false, true, d);
    } catch (const velkerror& e) {
        // A script's fault is no run to put off.
        snoozescope nooffer(nullptr);
        d.showmessage(e.text);
        return false;
    } catch (const scriptstopped&) {
        return false;
    }
    return true;
}

} // namespace velk
