// The alarm file reader: bytes, lines, a book. A book that loads must save to a text that loads
// to the same book, and saving that again must give the same text.
#include <algorithm>
#include <memory>
#include <string>

#include "alarms/alarmfile.h"
#include "alarms/book.h"
#include "tests/fuzz/fuzzsupport.h"
#include "timespec/error.h"

namespace {

using namespace velk;

// Loads text into a fresh book; null when the reader reports damage.
std::unique_ptr<book> load(std::string_view text, std::string* error) {
    auto b = std::make_unique<book>();
    std::deque<std::string> lines = splitlines(text);
    try {
        readevents(lines, *b);
    } catch (const velkerror& e) {
        if (error) *error = e.text;
        return nullptr;
    }
    FUZZ_CHECK(lines.empty() || std::all_of(lines.begin(), lines.end(), [](const std::string& l) {
                   return std::all_of(l.begin(), l.end(),
                                      [](char c) { return static_cast<unsigned char>(c) <= 32; });
               }));
    b->sortbook();
    return b;
}

std::string save(const book& b) {
    std::string text;
    for (int i = 0; i < b.evcount(); ++i)
        text += eventtext(*b.evs(i));
    return text;
}

void checkbook(const book& b) {
    FUZZ_CHECK(b.evcount() >= 0 && b.evcount() <= book::capacity);
    std::vector<bool> seen(static_cast<size_t>(b.evcount()));
    for (int i = 0; i < b.evcount(); ++i) {
        const event& e = *b.evs(i);
        // An alarm whose time does not parse is loaded inactive.
        if (e.active) FUZZ_CHECK(e.parsed != nullptr);
        FUZZ_CHECK(!isnovalue(e.created));
        const int k = b.evorder(static_cast<size_t>(i));
        FUZZ_CHECK(k >= 0 && k < b.evcount() && !seen[static_cast<size_t>(k)]);
        seen[static_cast<size_t>(k)] = true;
    }
}

bool sameevent(const event& a, const event& b) {
    return a.name == b.name && a.time == b.time && a.action == b.action && a.active == b.active &&
           timetofile(a.created) == timetofile(b.created) &&
           timetofile(a.last) == timetofile(b.last);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size) {
    static test::fakeclock clock(46362.375);
    static test::fakedesktop desk;
    desk.calls.clear();

    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::string error;
    const auto first = load(input, &error);
    if (!first) {
        FUZZ_CHECK(!error.empty() && error.starts_with("Incorrect Alarm description ("));
        return 0;
    }
    checkbook(*first);

    const std::string saved = save(*first);
    if (first->evcount() == 0) FUZZ_CHECK(saved.empty());
    std::string again;
    const auto second = load(saved, &again);
    if (!second) velk::fuzz::failed(again.c_str(), __FILE__, __LINE__);
    checkbook(*second);
    FUZZ_CHECK(second->evcount() == first->evcount());
    for (int i = 0; i < first->evcount(); ++i)
        FUZZ_CHECK(sameevent(*first->evs(i), *second->evs(i)));
    FUZZ_CHECK(save(*second) == saved);
    // Loading touches no desktop: the messages are the caller's.
    FUZZ_CHECK(desk.calls.empty());
    return 0;
}
