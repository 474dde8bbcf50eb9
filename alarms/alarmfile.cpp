#include "alarms/alarmfile.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <memory>

#include "alarms/safefile.h"
#include "timespec/error.h"
#include "timespec/text.h"

namespace velk {

namespace {

const char* const crlf = "\r\n";

// Numbers in the file may be padded with spaces, and only with spaces.
std::string_view trimspaces(std::string_view s) {
    return trimmed(s, [](char c) { return c == ' '; });
}

// A decimal integer with an optional sign that fits 32 bits, else novalue.
int32_t intfromfile(std::string_view s) {
    return readnumber(trimspaces(s));
}

std::string takeline(std::deque<std::string>& lines) {
    std::string line = std::move(lines.front());
    lines.pop_front();
    return line;
}

// A line break inside a one-line field would split the block and make the file unreadable.
std::string oneline(const std::string& s) {
    std::string out = s;
    for (char& c : out)
        if (c == '\r' || c == '\n') c = ' ';
    return out;
}

} // namespace

std::string timetofile(datetime t) {
    if (t == novalue) return "-";
    char buf[64];
    const auto res = std::to_chars(buf, buf + sizeof buf, t, std::chars_format::general, 15);
    std::string text(buf, res.ptr);
    // The general form has an exponent below 0.0001; the file has none from 0.00001 on.
    const auto e = text.find("e-05");
    if (e == std::string::npos) return text;
    const bool negative = text.front() == '-';
    std::string digits;
    for (size_t i = negative ? 1 : 0; i < e; ++i)
        if (text[i] != '.') digits += text[i];
    return (negative ? "-0.0000" : "0.0000") + digits;
}

datetime timefromfile(std::string_view s, datetime def) {
    return timefromfile(s, def, localedecimalseparator());
}

datetime timefromfile(std::string_view s, datetime def, char sep) {
    std::string text(trimspaces(s));
    // The file's "." stands for the locale's separator; the locale's own is read as well.
    if (const auto dot = text.find('.'); dot != std::string::npos) text[dot] = sep;
    // Checked by hand: sign, digits, separator, fraction, exponent and nothing else.
    std::string plain;
    size_t i = 0, digits = 0;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        if (text[i] == '-') plain += '-';
        ++i;
    }
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++digits)
        plain += text[i];
    if (i < text.size() && text[i] == sep) {
        plain += '.';
        for (++i; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++digits)
            plain += text[i];
    }
    if (digits == 0) return def;
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {
        plain += 'e';
        ++i;
        if (i < text.size() && (text[i] == '+' || text[i] == '-')) plain += text[i++];
        size_t expdigits = 0;
        for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i, ++expdigits)
            plain += text[i];
        if (expdigits == 0) return def;
    }
    if (i != text.size()) return def;
    double v = 0;
    const auto [end, ec] = std::from_chars(plain.data(), plain.data() + plain.size(), v);
    if (ec != std::errc() || end != plain.data() + plain.size()) return def;
    // Kept as it will be written (15 digits), so the next save cannot round it across a day
    // boundary (e.g. -11110.99999999999 to -11111) and make the file unreadable.
    const std::string written = timetofile(v);
    std::from_chars(written.data(), written.data() + written.size(), v);
    return v;
}

namespace {

// Length of the UTF-8 sequence at s[i], or 0 when none starts there: no overlong forms, no
// surrogates, nothing above U+10FFFF, as the toolkit's decoder demands.
size_t utf8length(std::string_view s, size_t i) {
    const auto byte = [&s](size_t k) { return static_cast<unsigned char>(s[k]); };
    const unsigned char c = byte(i);
    if (c < 0x80) return 1;
    size_t n = 0;
    unsigned char lo = 0x80, hi = 0xBF;
    if (c >= 0xC2 && c <= 0xDF) {
        n = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
        n = 3;
        if (c == 0xE0) lo = 0xA0;
        if (c == 0xED) hi = 0x9F;
    } else if (c >= 0xF0 && c <= 0xF4) {
        n = 4;
        if (c == 0xF0) lo = 0x90;
        if (c == 0xF4) hi = 0x8F;
    } else {
        return 0;
    }
    if (i + n > s.size() || byte(i + 1) < lo || byte(i + 1) > hi) return 0;
    for (size_t k = 2; k < n; ++k)
        if (byte(i + k) < 0x80 || byte(i + k) > 0xBF) return 0;
    return n;
}

bool isutf8(std::string_view s) {
    for (size_t i = 0; i < s.size();) {
        const size_t n = utf8length(s, i);
        if (n == 0) return false;
        i += n;
    }
    return true;
}

} // namespace

std::string readabletext(std::string_view bytes) {
    if (isutf8(bytes)) return std::string(bytes);
    std::string out;
    out.reserve(bytes.size() * 2);
    for (const char c : bytes) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x80) {
            out += c;
        } else {
            out += static_cast<char>(0xC0 | (u >> 6));
            out += static_cast<char>(0x80 | (u & 0x3F));
        }
    }
    return out;
}

std::string eventtext(const event& e) {
    std::string actions;
    size_t count = 0;
    for (const auto& line : e.action) {
        // An action entry holding line breaks is written as the lines it shows.
        for (const auto& part : splitlines(line)) {
            actions += part;
            actions += crlf;
            ++count;
        }
        if (line.empty()) {
            actions += crlf;
            ++count;
        }
    }
    std::string out;
    out.reserve(actions.size() + e.name.size() + e.time.size() + 64);
    out += oneline(e.name) + crlf;
    out += oneline(e.time) + crlf;
    out += timetofile(e.created) + crlf;
    out += timetofile(e.last) + crlf;
    out += e.active ? "1" : "0";
    out += crlf;
    out += std::to_string(count) + crlf;
    out += actions;
    out += crlf;
    return out;
}

std::deque<std::string> splitlines(std::string_view text) {
    std::deque<std::string> lines;
    size_t start = 0;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c != '\r' && c != '\n') continue;
        lines.emplace_back(text.substr(start, i - start));
        if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) lines.emplace_back(text.substr(start));
    return lines;
}

event::event(std::deque<std::string>& lines, char sep) : created(0), last(0), next(0) {
    if (lines.size() < 7) throw velkerror{std::string(filemessage::numberoflines)};
    name = takeline(lines);
    time = takeline(lines);
    // Any number is a start or last time; one that is no date makes an alarm that is never due.
    created = timefromfile(takeline(lines), novalue, sep);
    if (isnovalue(created)) throw velkerror{std::string(filemessage::creationtime)};
    last = timefromfile(takeline(lines), novalue, sep);
    const int32_t activity = intfromfile(takeline(lines));
    if (activity == novalue) throw velkerror{std::string(filemessage::activity)};
    active = activity != 0;
    int32_t n = intfromfile(takeline(lines));
    if (n == novalue) throw velkerror{std::string(filemessage::actionlines)};
    if (n < 0) n = 0;
    if (static_cast<int64_t>(lines.size()) < static_cast<int64_t>(n) + 1)
        throw velkerror{std::string(filemessage::numberoflines)};
    action.reserve(static_cast<size_t>(n));
    for (int32_t k = 0; k < n; ++k)
        action.push_back(takeline(lines));
    if (!takeline(lines).empty()) throw velkerror{std::string(filemessage::emptyline)};
    // A time text that no longer parses leaves the alarm inactive, without a word. activate
    // recomputes itself: parsing twice would double the cost of loading.
    if (active)
        activate();
    else
        recompute();
}

void readevents(std::deque<std::string>& lines, book& b, char sep) {
    // Blank lines at the end of the file are no block; a blank line elsewhere is read as one.
    size_t trailing = 0;
    while (trailing < lines.size() && trimmed(lines[lines.size() - 1 - trailing]).empty())
        ++trailing;
    while (lines.size() > trailing) {
        if (b.full()) throw velkerror{std::string(filemessage::toomany)};
        b.append(std::make_unique<event>(lines, sep));
    }
}

std::string filemessage::couldnotread(const std::string& path) {
    return "Could not read Alarms from file '" + path + "'!\r\n" +
           "(You can try to fix the file, or delete it (all Alarms will be lost).)";
}

namespace {

std::string booktext(const book& b) {
    std::string text;
    for (int i = 0; i < b.evcount(); ++i)
        text += eventtext(*b.evs(i));
    return text;
}

} // namespace

alarmfile::alarmfile(std::string path) : path_(std::move(path)) {}

void alarmfile::fail(book& b, const std::string& detail) {
    // Damaged before anything is shown: the message's loop runs timers and commands.
    b.clear();
    b.sortbook();
    damaged_ = true;
    failedload_ = true;
    synced_.clear();
    detail_ = detail;
    throw velkerror{filemessage::couldnotread(path_)};
}

datafile::readresult alarmfile::readnow(std::string& text, std::string& reason) const {
    text.clear();
    reason = datafile::fileproblem(path_);
    if (!reason.empty()) return datafile::readresult::failed;
    return datafile::readwhole(path_, text, reason);
}

void alarmfile::load(book& b) {
    b.clear();
    detail_.clear();
    std::string text, reason;
    const datafile::readresult kind = readnow(text, reason);
    seen_ = snapshot{kind, text};
    expected_ = seen_;
    switch (kind) {
    case datafile::readresult::missing:
        damaged_ = false;
        failedload_ = false;
        ondisk_ = std::string();
        synced_.clear();
        b.sortbook();
        return;
    case datafile::readresult::failed:
        ondisk_.reset();
        fail(b, "Could not open file '" + path_ + "': " + reason);
    case datafile::readresult::ok:
        break;
    }
    std::deque<std::string> lines = splitlines(text);
    ondisk_ = std::move(text);
    try {
        readevents(lines, b);
    } catch (const velkerror& e) {
        ondisk_.reset();
        fail(b, e.text);
    }
    damaged_ = false;
    failedload_ = false;
    b.sortbook();
    synced_ = booktext(b);
}

std::string alarmfile::freename(const std::string& suffix) const {
    for (int k = 0; k < 10000; ++k) {
        std::string aside = path_ + suffix;
        if (k > 0) aside.append(".").append(std::to_string(k));
        if (!datafile::exists(aside)) return aside;
    }
    return "";
}

std::string alarmfile::nextasidepath() const {
    return freename(".damaged");
}

bool alarmfile::unresolved(const book& b) const {
    return damaged_ || (failedload_ && !changedinside(b));
}

bool alarmfile::changedoutside() const {
    if (!seen_) return false;
    snapshot now;
    std::string reason;
    now.kind = readnow(now.text, reason);
    return !(now == *seen_);
}

bool alarmfile::changedinside(const book& b) const {
    return booktext(b) != synced_;
}

std::string alarmfile::keptalready(const std::string& text) const {
    for (int k = 0; k < 10000; ++k) {
        std::string name = path_ + ".external";
        if (k > 0) name.append(".").append(std::to_string(k));
        std::string held, reason;
        const datafile::readresult kind = datafile::readwhole(name, held, reason);
        if (kind == datafile::readresult::missing) return "";
        if (kind == datafile::readresult::ok && held == text) return name;
    }
    return "";
}

std::string alarmfile::keepcopy(const std::string& text) {
    // A run of conflicts with the same edit keeps it once.
    if (!keptalready(text).empty()) return "";
    const std::string kept = freename(".external");
    if (kept.empty())
        throw velkerror{"Could not save Alarms to file '" + path_ +
                        "': the changed file could not be kept (too many kept files)"};
    if (std::string reason = datafile::replacewhole(kept, text); !reason.empty())
        throw velkerror{"Could not save Alarms to file '" + path_ +
                        "': the changed file could not be kept (" + reason + ")"};
    return kept;
}

std::string alarmfile::keepexternal() {
    std::string text, reason;
    const datafile::readresult kind = readnow(text, reason);
    if (kind == datafile::readresult::missing) return "";
    // A copy keeps the file's own permissions for the save; one that cannot be read is moved.
    std::string kept;
    if (kind == datafile::readresult::ok) {
        kept = keepcopy(text);
    } else {
        kept = freename(".external");
        reason = kept.empty() ? "too many kept files" : datafile::renamefile(path_, kept);
        if (!reason.empty())
            throw velkerror{"Could not save Alarms to file '" + path_ +
                            "': the changed file could not be kept (" + reason + ")"};
    }
    // What the save replaces is kept whole now, damaged or not.
    damaged_ = false;
    return kept;
}

std::string alarmfile::keepownbeforeload(const book& b) {
    if (b.evcount() == 0) return "";
    std::string text, reason;
    if (readnow(text, reason) == datafile::readresult::ok) {
        std::deque<std::string> lines = splitlines(text);
        book outside;
        try {
            readevents(lines, outside);
            if (outside.evcount() > 0) return "";
        } catch (const velkerror&) {
        }
    }
    return keepcopy(booktext(b));
}

void alarmfile::setaside() {
    if (!datafile::exists(path_)) {
        damaged_ = false;
        return;
    }
    const std::string aside = nextasidepath();
    if (aside.empty())
        throw velkerror{"Could not save Alarms to file '" + path_ +
                        "': the damaged file could not be set aside (too many damaged files)"};
    const std::string reason = datafile::renamefile(path_, aside);
    if (!reason.empty())
        throw velkerror{"Could not save Alarms to file '" + path_ +
                        "': the damaged file could not be set aside (" + reason + ")"};
    damaged_ = false;
    setaside_ = aside;
    // Whatever a save finds in the file's place from now on, someone else put there.
    expected_ = snapshot{};
}

void alarmfile::keepdisplaced(const std::string& displaced, const std::string& written,
                              bool replaced) {
    // The old file is out of its place and the new one did not get in: it goes back.
    if (!replaced && !datafile::exists(path_) && datafile::renamefile(displaced, path_).empty())
        return;
    std::string text, reason;
    const bool read = datafile::readwhole(displaced, text, reason) == datafile::readresult::ok;
    // Never looked at before (a plain overwrite): nothing to tell it by.
    const bool ours =
        !expected_ ||
        (read && (text == written || *expected_ == snapshot{datafile::readresult::ok, text}));
    if (ours || (read && !keptalready(text).empty())) {
        datafile::thefileops().remove(displaced);
        return;
    }
    const std::string kept = freename(".external");
    // Where it cannot be renamed, it stays under its temporary name, and is told there.
    keptbysave_ = !kept.empty() && datafile::renamefile(displaced, kept).empty() ? kept : displaced;
}

void alarmfile::write(std::string text) {
    // Nothing is made or moved where others could swap or read it.
    if (std::string why = datafile::folderproblem(path_); !why.empty())
        throw velkerror{"Could not save Alarms to file '" + path_ + "': " + why};
    keptbysave_.clear();
    // A file that failed to load may still hold the user's alarms: keep it.
    if (damaged_) setaside();
    // Unknown until this save has succeeded: a failed one may have left either content.
    ondisk_.reset();
    seen_.reset();
    // Whatever stood in the file's place at the instant of the replace comes back: when it is
    // not what this process last read or wrote, someone else wrote it after the last look.
    std::string displaced;
    const std::string reason = datafile::replacekeeping(path_, text, displaced);
    if (!displaced.empty()) keepdisplaced(displaced, text, reason.empty());
    if (!reason.empty())
        throw velkerror{"Could not save Alarms to file '" + path_ + "': " + reason};
    // A change of the user's own, saved: the failed load is dealt with.
    if (text != synced_) failedload_ = false;
    synced_ = text;
    seen_ = snapshot{datafile::readresult::ok, text};
    expected_ = seen_;
    ondisk_ = std::move(text);
}

std::string keptmessage(const std::string& path, const std::string& kept) {
    return "The alarm file '" + path +
           "' was changed outside VELK while VELK had changes of its own.\r\nThe changed file "
           "was kept as '" +
           kept + "'; VELK saved its own Alarms.";
}

std::string keptownmessage(const std::string& path, const std::string& kept) {
    return "The alarm file '" + path +
           "' was replaced outside VELK by one that holds no Alarms or is damaged.\r\nVELK's "
           "Alarms as they were before were kept as '" +
           kept + "'.";
}

void alarmfile::save(const book& b) {
    write(booktext(b));
}

bool alarmfile::savechanged(const book& b) {
    std::string text = booktext(b);
    if (!damaged_ && ondisk_ && *ondisk_ == text) return false;
    write(std::move(text));
    return true;
}

} // namespace velk
