#include "alarms/settings.h"

#include "alarms/datapath.h"
#include "alarms/safefile.h"

namespace velk::settings {

namespace {

constexpr const char* wakename = "wake";

// The lines of text, each with its end, the last one also when it has none.
template <typename F> void eachline(const std::string& text, F&& f) {
    for (size_t at = 0; at < text.size();) {
        const size_t end = text.find('\n', at);
        const size_t next = end == std::string::npos ? text.size() : end + 1;
        f(text.substr(at, next - at));
        at = next;
    }
}

std::string trimmed(std::string line) {
    while (!line.empty() && static_cast<unsigned char>(line.back()) <= ' ')
        line.pop_back();
    return line;
}

bool named(const std::string& line, const std::string& name) {
    return line.compare(0, name.size(), name) == 0 && line.size() > name.size() &&
           line[name.size()] == '=';
}

} // namespace

std::string value(const std::string& text, const std::string& name) {
    std::string found;
    eachline(text, [&](const std::string& line) {
        if (named(line, name)) found = trimmed(line.substr(name.size() + 1));
    });
    return found;
}

std::string withvalue(const std::string& text, const std::string& name, const std::string& v) {
    std::string out;
    bool done = false;
    eachline(text, [&](const std::string& line) {
        if (!named(line, name)) {
            out += line;
        } else if (!done) {
            out += name + "=" + v + "\n";
            done = true;
        }
    });
    if (!out.empty() && out.back() != '\n') out += '\n';
    if (!done) out += name + "=" + v + "\n";
    return out;
}

bool wake(const std::string& file) {
    std::string text, reason;
    if (datafile::readwhole(file, text, reason) != datafile::readresult::ok) return false;
    return value(text, wakename) == "on";
}

std::string setwake(bool on, const std::string& file) {
    std::string text, reason;
    if (datafile::readwhole(file, text, reason) == datafile::readresult::failed) return reason;
    const std::string folder = file.substr(0, file.find_last_of("/\\") + 1);
    if (!folder.empty() && !makeuserfolder(folder)) return "cannot make the folder " + folder;
    return datafile::replacewhole(file, withvalue(text, wakename, on ? "on" : "off"));
}

} // namespace velk::settings
