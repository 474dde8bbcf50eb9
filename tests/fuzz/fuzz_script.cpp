// The action-script interpreter on a recording desktop (nothing sleeps, sounds or opens).
// Input: the first line holds the answers to the script's questions, one character each, 'y'
// for Yes and anything else for No, used in turn; the rest is the script.
//
// The interpreter keeps its open blocks on an explicit stack; it is compared here with the plain
// recursive reading of the language, effect by effect.
#include <string>
#include <vector>

#include "alarms/event.h"
#include "execution/script.h"
#include "tests/fuzz/fuzzsupport.h"
#include "timespec/error.h"
#include "timespec/text.h"

namespace {

using namespace velk;

[[noreturn]] void fail(std::string text) {
    throw velkerror{std::move(text)};
}

// Built with append: GCC 12 at -O3 warns falsely (-Wrestrict) on "literal" + std::string&&.
std::string quoted(std::string_view text) {
    return std::string("'").append(text).append("'!");
}

// The recursive interpreter: one call per block, as the language is described.
class reference {
  public:
    reference(const std::vector<std::string>& script, std::string title)
        : script_(script), title_(std::move(title)) {}

    bool run() {
        try {
            lines(0, false, true);
        } catch (const velkerror& e) {
            thedesktop().showmessage(e.text);
            return false;
        }
        return true;
    }

  private:
    std::string_view at(std::size_t i) const { return trimmed(script_[i]); }

    std::size_t lines(std::size_t i, bool elseallowed, bool execute) {
        for (; i < script_.size(); ++i) {
            const std::string_view line = at(i);
            if (line == "#end") return i;
            if (line == "#else") {
                if (elseallowed) return i;
                fail("Unexpected #else!");
            }
            if (line.empty()) continue;
            if (line.front() != '#') {
                if (execute) shell(line);
                continue;
            }
            const auto p = line.find(' ');
            const std::string_view word =
                trimmed(p == std::string_view::npos ? line.substr(1) : line.substr(1, p - 1));
            const std::string_view arg =
                p == std::string_view::npos ? std::string_view() : trimmed(line.substr(p + 1));
            if (word == "ask") {
                bool yes = false;
                if (execute) {
                    thedesktop().armbringer();
                    yes = thedesktop().askyesno(arg.empty() ? title_ : std::string(arg));
                }
                i = lines(i + 1, true, execute && yes);
                if (i >= script_.size()) fail("Missing #end!");
                // An else-block that runs out ends every block around it too.
                if (at(i) == "#else") i = lines(i + 1, false, execute && !yes);
            } else if (word == "msg") {
                if (execute) {
                    thedesktop().armbringer();
                    thedesktop().showmessage(arg.empty() ? title_ : std::string(arg));
                }
            } else if (word == "bln") {
                if (execute)
                    thedesktop().balloon(title_, arg == "-"    ? std::string()
                                                 : arg.empty() ? title_
                                                               : std::string(arg));
            } else if (word == "wait") {
                if (execute) wait(arg);
            } else if (word == "beep") {
                if (execute) beep(arg);
            } else {
                fail("Incorrect command: '#" + std::string(word) + "'!");
            }
        }
        return i;
    }

    static void wait(std::string_view arg) {
        const int32_t ms = arg.empty() ? 1000 : readnumber(arg);
        if (ms == novalue || ms < 0) fail("Incorrect argument for #wait: " + quoted(arg));
        if (ms > maxblockms) fail("Time for #wait must not exceed 30s.");
        thedesktop().sleepms(ms);
    }

    static void beep(std::string_view arg) {
        if (arg.empty()) {
            thedesktop().beep();
            return;
        }
        const auto q = arg.find(' ');
        if (q == std::string_view::npos)
            fail("Incorrect number of argument for #beep (should be 0 or 2, separated with "
                 "space)!");
        const std::string_view first = trimmed(arg.substr(0, q));
        const std::string_view second = trimmed(arg.substr(q + 1));
        const int32_t frequency = readnumber(first);
        if (frequency == novalue) fail("Incorrect argument1 for #beep: " + quoted(first));
        const int32_t ms = readnumber(second);
        if (ms == novalue || ms < 0) fail("Incorrect argument1 for #beep: " + quoted(second));
        if (ms > maxblockms) fail("Time for #beep must not exceed 30s.");
        thedesktop().tone(frequency, ms);
    }

    static std::string directory(const std::string& file) {
        const auto p = file.find_last_of("\\:/");
        return p == std::string::npos ? std::string() : file.substr(0, p + 1);
    }

    // Letters, digits, "+", "-" and "." before a ":": an address of its own, never mail.
    static bool scheme(std::string_view line) {
        const auto colon = line.find(':');
        return colon != 0 && colon != std::string_view::npos &&
               line.substr(0, colon).find_first_not_of(
                   "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789+-.") ==
                   std::string_view::npos;
    }

    static void shell(std::string_view line) {
        std::string file, params;
        const auto atsign = line.find('@');
        if (!scheme(line) && line.find(' ') == std::string_view::npos &&
            line.find('"') == std::string_view::npos && atsign != std::string_view::npos &&
            line.find('.', atsign + 1) != std::string_view::npos) {
            file = "mailto:" + std::string(line);
        } else if (line.front() == '"' && line.find('"', 1) != std::string_view::npos) {
            const auto e = line.find('"', 1);
            file = line.substr(0, e + 1);
            if (e + 2 < line.size()) params = trimmed(line.substr(e + 2));
        } else if (line.front() == '"' || line.find(' ') == std::string_view::npos) {
            file = line;
        } else {
            const auto q = line.find(' ');
            file = trimmed(line.substr(0, q));
            params = trimmed(line.substr(q + 1));
        }
        for (int attempt = 1;; ++attempt) {
            if (thedesktop().shellopen(file, params, directory(file))) return;
            if (params.empty()) break;
            // The next attempt takes one more word into the file.
            const auto q = params.find(' ');
            file = std::string(trimmed(file + " " + params.substr(0, q)));
            params =
                q == std::string::npos ? std::string() : std::string(trimmed(params.substr(q + 1)));
            if (attempt >= maxopenattempts) {
                while (!params.empty()) {
                    const auto r = params.find(' ');
                    file = std::string(trimmed(file + " " + params.substr(0, r)));
                    params = r == std::string::npos ? std::string()
                                                    : std::string(trimmed(params.substr(r + 1)));
                }
                break;
            }
        }
        fail("Error while executing " + quoted(file));
    }

    const std::vector<std::string>& script_;
    std::string title_;
};

std::vector<std::string> scriptlines(std::string_view text) {
    std::vector<std::string> out;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= text.size(); ++i)
        if (i == text.size() || text[i] == '\n') {
            out.emplace_back(text.substr(start, i - start));
            start = i + 1;
        }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    static test::fakeclock clock(46362.375);
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    const auto [head, body] = velk::fuzz::firstline(input);
    std::vector<bool> answers;
    for (const char c : head)
        answers.push_back(c == 'y');

    event alarm;
    alarm.action = scriptlines(body);
    // A name taken from the answers line now and then, so titles vary too.
    if (head.size() % 2 == 1) alarm.name = std::string(head);
    const std::string title = alarm.name.empty() ? "<ALARM>" : alarm.name;

    test::fakedesktop actual;
    velk::fuzz::answerwith(actual, answers);
    bool ok = false;
    try {
        ok = runaction(alarm);
    } catch (...) {
        velk::fuzz::failed("runaction let an exception out", __FILE__, __LINE__);
    }
    FUZZ_CHECK(!indialog);
    const auto effects = std::move(actual.calls);

    bool refok = false;
    std::vector<test::fakedesktop::call> expected;
    {
        test::fakedesktop desk;
        velk::fuzz::answerwith(desk, answers);
        refok = reference(alarm.action, title).run();
        expected = std::move(desk.calls);
    }
    FUZZ_CHECK(ok == refok);
    FUZZ_CHECK(effects == expected);

    for (const auto& c : effects) {
        if (c.kind == "sleep") FUZZ_CHECK(c.a >= 0 && c.a <= maxblockms);
        if (c.kind == "tone") FUZZ_CHECK(c.b >= 0 && c.b <= maxblockms);
    }

    // Walking the lines without executing them shows, sounds and opens nothing, and a script
    // that is ill-formed on every path cannot run to its end.
    test::fakedesktop walk;
    velk::fuzz::answerwith(walk, answers);
    bool walked = true;
    try {
        runlines(alarm.action, title, 0, false, false);
    } catch (const velkerror&) {
        walked = false;
    }
    FUZZ_CHECK(walk.calls.empty());
    if (!walked) FUZZ_CHECK(!ok);
    // The editor's check runs nothing either, finds at least what the walk finds, and places
    // its fault on a line of the script.
    const scriptfault f = checkscript(alarm.action);
    FUZZ_CHECK(walk.calls.empty() && (walked || !f.text.empty()));
    FUZZ_CHECK(f.text.empty() == (f.line == 0) && f.line <= alarm.action.size());
    return 0;
}
