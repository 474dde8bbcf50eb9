#include "app/cli.h"

#include <algorithm>
#include <string_view>

#include "alarms/futuredates.h"
#include "app/autostart.h"
#include "app/listcommand.h"
#include "app/wakecommand.h"
#include "control/dispatch.h"
#include "control/instance.h"
#include "timespec/clock.h"
#include "timespec/error.h"
#include "timespec/explain.h"
#include "timespec/text.h"
#include "timespec/timedesc.h"

namespace velk {

namespace {

int usage(std::ostream& err, const std::string& problem) {
    err << "velk: " << problem << "\n" << helptext();
    return 2;
}

// Exactly n digits (n > 0) from text[pos]; false otherwise.
bool digits(const std::string& text, size_t& pos, size_t n, int& out) {
    out = 0;
    for (size_t i = 0; i < n; ++i, ++pos) {
        if (pos >= text.size() || text[pos] < '0' || text[pos] > '9') return false;
        out = out * 10 + (text[pos] - '0');
    }
    return true;
}

bool literal(const std::string& text, size_t& pos, char c) {
    if (pos >= text.size() || text[pos] != c) return false;
    ++pos;
    return true;
}

// A non-negative decimal count that fits an int.
bool readcount(const std::string& text, int& out) {
    const int32_t n = readnumber(text);
    if (n == novalue || n < 0) return false;
    out = n;
    return true;
}

// Options the window's toolkit reads itself: "-session ID" when the session manager starts VELK
// again, "-platform xcb", ... Those with a value take the next word, or have it after "=".
struct toolkitoption {
    std::string_view name;
    bool value;
};
constexpr toolkitoption toolkitoptions[] = {
    {"-platform", true},        {"-platformpluginpath", true},
    {"-platformtheme", true},   {"-plugin", true},
    {"-qwindowgeometry", true}, {"-qwindowicon", true},
    {"-qwindowtitle", true},    {"-session", true},
    {"-display", true},         {"-geometry", true},
    {"-style", true},           {"-stylesheet", true},
    {"-reverse", false},        {"-widgetcount", false},
    {"-nograb", false},         {"-dograb", false},
    {"-sync", false},
};

// The first word that is an option of neither VELK nor the toolkit, or nothing. A lone "-" is a
// word, not an option.
const std::string* unknownoption(const std::vector<std::string>& args) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& word = args[i];
        if (word.size() < 2 || word[0] != '-') continue;
        const std::string_view name = std::string_view(word).substr(0, word.find('='));
        const auto known = std::find_if(std::begin(toolkitoptions), std::end(toolkitoptions),
                                        [name](const toolkitoption& o) { return o.name == name; });
        if (known == std::end(toolkitoptions) || (name.size() < word.size() && !known->value))
            return &word;
        if (known->value && name.size() == word.size()) ++i;
    }
    return nullptr;
}

} // namespace

bool startswindow(const std::vector<std::string>& args) {
    return args.empty() || (args[0].rfind("--", 0) != 0 && !unknownoption(args));
}

std::string helptext() {
    return "Usage: velk [tray]\n"
           "       velk --next SPEC [--from \"YYYY-MM-DD HH:MM[:SS]\"]"
           " [--ref \"YYYY-MM-DD HH:MM[:SS]\"] [--count N]\n"
           "       velk --explain SPEC [--from \"YYYY-MM-DD HH:MM[:SS]\"]\n"
           "       velk --list [FILE]\n"
           "       velk --add [--inactive] NAME TIME [LINE...]\n"
           "       velk --enable NAME | --disable NAME | --remove NAME\n"
           "       velk --agenda [DAYS]\n"
           "       velk --snooze NAME [MINUTES] | --unsnooze NAME\n"
           "       velk --autostart on|off\n"
           "       velk --wake [on|off]\n"
           "       velk --help | --version\n"
           "\n"
           "  tray         start with the window hidden in the tray\n"
           "  --next SPEC  list the coming moments of the time specification SPEC\n"
           "               --from   search from this moment (default: now)\n"
           "               --ref    reference moment for today, tomorrow, this and once\n"
           "                        (default: the --from moment)\n"
           "               --count  list at most N moments (default: 100)\n"
           "  --explain    read SPEC back in plain English, then list its next five\n"
           "               moments as --next does; --from as for --next, and also the\n"
           "               reference moment\n"
           "  --list       list the alarms of FILE (default: the alarm file)\n"
           "  --add        add an alarm started now, active unless --inactive, with the\n"
           "               action LINEs; prints it as --list does\n"
           "  --enable     switch on the alarm named exactly NAME\n"
           "  --disable    switch off the alarm named exactly NAME\n"
           "  --remove     delete the alarm named exactly NAME\n"
           "  --agenda     every moment an active alarm is due in the next DAYS days\n"
           "               (default: 7), in time order\n"
           "  --snooze     run the alarm named exactly NAME again in MINUTES (1 to 1440;\n"
           "               default: the length last chosen for it, else 10)\n"
           "  --unsnooze   cancel the snoozed run of the alarm named exactly NAME\n"
           "               These commands go to the running VELK when there is one;\n"
           "               else they change the alarm file themselves.\n"
           "  --autostart  on: start VELK in the tray at login; off: no longer\n"
           "  --wake       on: wake the computer from sleep for the soonest alarm due\n"
           "               within 24 hours; off: no longer; alone: how it stands\n"
           "  --help       show this text\n"
           "  --version    show the version\n"
           "\n"
           "Examples:\n"
           "  velk --add Tea \"once 17:00\" \"#msg The tea is ready\"\n"
           "  velk --add --inactive Standup \"mon tue wed thu fri 09:45\" \"#bln Standup\"\n"
           "  velk --disable Standup\n"
           "  velk --agenda 1\n"
           "  velk --explain \"N-11-[15..21] thu morning\"\n"
           "\n"
           "Alarm file: " +
           control::datapath() + "\n";
}

bool readmoment(const std::string& text, datetime& out) {
    size_t pos = 0;
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    if (!digits(text, pos, 4, y) || !literal(text, pos, '-') || !digits(text, pos, 2, mo) ||
        !literal(text, pos, '-') || !digits(text, pos, 2, d) || !literal(text, pos, ' ') ||
        !digits(text, pos, 2, h) || !literal(text, pos, ':') || !digits(text, pos, 2, mi))
        return false;
    if (pos < text.size() && (!literal(text, pos, ':') || !digits(text, pos, 2, s))) return false;
    if (pos != text.size() || h > 23 || mi > 59 || s > 59) return false;
    datetime day = 0;
    if (!encodedate(y, mo, d, day)) return false;
    out = day + encodetime(h, mi, s);
    return true;
}

int runnext(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.empty()) return usage(err, "--next needs a time specification");
    const std::string& spec = args[0];
    bool hasfrom = false, hasref = false;
    datetime from = 0, ref = 0;
    int count = 100;
    for (size_t i = 1; i < args.size(); i += 2) {
        const std::string& option = args[i];
        if (option != "--from" && option != "--ref" && option != "--count")
            return usage(err, "unknown option '" + option + "'");
        if (i + 1 >= args.size()) return usage(err, option + " needs a value");
        const std::string& value = args[i + 1];
        if (option == "--count") {
            if (!readcount(value, count))
                return usage(err, "--count needs a whole number 0 or more, not '" + value + "'");
            continue;
        }
        datetime t = 0;
        if (!readmoment(value, t))
            return usage(err, option + " needs a real moment \"YYYY-MM-DD HH:MM[:SS]\", not '" +
                                  value + "'");
        (option == "--from" ? from : ref) = t;
        (option == "--from" ? hasfrom : hasref) = true;
    }
    if (!hasfrom) from = now();
    if (!hasref) ref = from;
    try {
        const timedesc parsed(spec, ref);
        // Each moment is written as it is found: a count of millions needs no more memory than
        // one, and a reader that stops (| head) ends the search at once.
        futuredates(parsed, from, count, [&out](const std::string& line) {
            out << line << '\n';
            return static_cast<bool>(out);
        });
        if (!(out << std::flush)) {
            err << "velk: the list could not be written\n";
            return 1;
        }
        return 0;
    } catch (const velkerror& e) {
        err << e.text << "\n";
        return 1;
    }
}

int runexplain(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.empty()) return usage(err, "--explain needs a time specification");
    if (args.size() == 2 && args[1] == "--from") return usage(err, "--from needs a value");
    if (args.size() != 1 && (args.size() != 3 || args[1] != "--from"))
        return usage(err, "unknown option '" + args[1] + "'");
    datetime from = now();
    if (args.size() == 3 && !readmoment(args[2], from))
        return usage(err,
                     "--from needs a real moment \"YYYY-MM-DD HH:MM[:SS]\", not '" + args[2] + "'");
    try {
        const timedesc parsed(args[0], from);
        // Read for the one who asks: days as seen from now, and said to be over once passed.
        out << explain(parsed, from, now()) << "\n";
        for (const char c : futuredates(parsed, from, 5))
            if (c != '\r') out << c;
        return 0;
    } catch (const velkerror& e) {
        err << e.text << "\n";
        return 1;
    }
}

int runcontrol(const std::vector<std::string>& args, const std::string& path, std::ostream& out,
               std::ostream& err) {
    control::reply r;
    if (control::parsecommand(args, r).what == control::command::none) {
        err << r.err << helptext();
        return r.status;
    }
    r = control::runcommand(args, path);
    out << r.out;
    err << r.err;
    return r.status;
}

std::optional<int> runcli(const std::vector<std::string>& args, std::ostream& out,
                          std::ostream& err) {
    if (args.empty()) return std::nullopt;
    const std::string& command = args[0];
    const std::vector<std::string> rest(args.begin() + 1, args.end());
    if (command == "--help") {
        out << helptext();
        return 0;
    }
    if (command == "--version") {
        out << "velk " VELK_VERSION "\n";
        return 0;
    }
    if (command == "--next") return runnext(rest, out, err);
    if (command == "--explain") return runexplain(rest, out, err);
    if (command == "--list") return runlist(rest, out, err);
    if (command == "--autostart") return runautostart(rest, out, err);
    if (command == "--wake") return runwake(rest, out, err);
    if (control::iscommand(command)) return runcontrol(args, control::datapath(), out, err);
    if (const std::string* unknown = unknownoption(args))
        return usage(err, "unknown option '" + *unknown + "'");
    return std::nullopt;
}

} // namespace velk
