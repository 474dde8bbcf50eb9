// Parse and search costs of time specifications: the editor re-parses on every keystroke and
// start-up parses up to a thousand alarms, so both must stay far below a frame.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "timespec/error.h"
#include "timespec/timedesc.h"

using namespace velk;

namespace {

// Sunday 2026-12-06 09:00.
const datetime ref = 46362 + 9.0 / 24;

const std::vector<std::string> templates = {
    "N-11-[15..21] thu morning",
    "d[mon..fri] [8..16]:00",
    "mon tue 08:00 | d[^mon;tue;sun] 09:00",
    "N-N-13 friday",
    "this wednesday 13:[00;10;20;30;40;50]",
    "once 22:00 | once 23:00",
    "tue thu 17:00",
    "[^..2010]-1-1",
};

// The pieces one after the other (appending keeps a false -Wrestrict of GCC 12 quiet).
std::string joined(std::initializer_list<std::string> pieces, const std::string& between = "") {
    std::string s;
    for (const auto& piece : pieces) {
        if (!s.empty()) s.append(between);
        s.append(piece);
    }
    return s;
}

std::string repeated(const std::string& alternative, int n) {
    std::string s = alternative;
    for (int i = 1; i < n; ++i)
        s.append(" | ").append(alternative);
    return s;
}

// "[first;first;...]" with n items.
std::string list(int first, int n) {
    std::string s = "[";
    for (int i = 0; i < n; ++i) {
        if (i) s.append(";");
        s.append(std::to_string(first));
    }
    s.append("]");
    return s;
}

// Specifications that admit nothing (or nearly nothing) until the end of 2500.
const std::vector<std::string> worst = {
    "d[^..]",
    "N:[^..]",
    "[^..]:N",
    "N-2-30",
    "2027-N-N d[^..]",
    "N-2-30 mon",
    "N-N-31 mon",
    // Leap days that fall on a Sunday, all excluded: every year to 2500 is looked at.
    "[^2032;2060;2088;2128;2156;2184;2224;2252;2280;2320;2348;2376;2404;2432;2460;2488]-2-29 sun",
    repeated("[^2032;2060;2088;2128;2156;2184;2224;2252;2280;2320;2348;2376;2404;2432;2460;2488]"
             "-2-29 sun",
             100),
    repeated("d[^..] [0..23]:[0..59]", 100),
    // The longest lists in every field of every alternative.
    repeated(joined({joined({list(1980, 100), list(1, 100), list(1, 100)}, "-"),
                     joined({"d", list(0, 100)}), joined({list(0, 100), list(0, 100)}, ":")},
                    " "),
             100),
};

void parseandfirst(benchmark::State& state, const std::string& text) {
    for (auto _ : state) {
        const timedesc spec(text, ref);
        benchmark::DoNotOptimize(nextfrom(spec, ref));
    }
}

// A text that fails: the time it takes to say so.
void parsefailure(benchmark::State& state, const std::string& text) {
    for (auto _ : state) {
        try {
            const timedesc spec(text, ref);
            benchmark::DoNotOptimize(spec.never);
        } catch (const velkerror& e) {
            benchmark::DoNotOptimize(e.text.size());
        }
    }
}

// Each further moment, as the time-test window and the scheduler ask for them.
void further(benchmark::State& state, const std::string& text) {
    const timedesc spec(text, ref);
    datetime t = ref;
    for (auto _ : state) {
        t = nextfrom(spec, t);
        if (isnovalue(t))
            t = ref;
        else
            t += oneminute;
        benchmark::DoNotOptimize(t);
    }
}

void registerall() {
    for (size_t i = 0; i < templates.size(); ++i) {
        const std::string number = std::to_string(i + 1);
        benchmark::RegisterBenchmark(joined({"parse+first/template", number}).c_str(),
                                     parseandfirst, templates[i]);
        benchmark::RegisterBenchmark(joined({"further/template", number}).c_str(), further,
                                     templates[i]);
    }
    for (size_t i = 0; i < worst.size(); ++i)
        benchmark::RegisterBenchmark(joined({"parse+first/worst", std::to_string(i + 1)}).c_str(),
                                     parseandfirst, worst[i]);
    benchmark::RegisterBenchmark("parse/100000 chars", parsefailure, std::string(100000, 'a'));
    std::string items = "8:[";
    for (int i = 0; i < 200; ++i)
        items.append("1;");
    items.append("1]");
    benchmark::RegisterBenchmark("parse/200 list items", parsefailure, items);
    benchmark::RegisterBenchmark("further/every minute", further, std::string("N:N"));
}

} // namespace

int main(int argc, char** argv) {
    registerall();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
