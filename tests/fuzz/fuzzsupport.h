#pragma once
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "tests/support/fakeclock.h"
#include "tests/support/fakedesktop.h"

// Shared by the fuzz targets and the corpus replay. Nothing here links GoogleTest, so the
// targets build with libFuzzer alone.
namespace velk::fuzz {

// A broken property ends the run at once: libFuzzer keeps the input, ctest sees the crash.
[[noreturn]] void failed(const char* what, const char* file, int line);
#define FUZZ_CHECK(cond)                                                                           \
    do {                                                                                           \
        if (!(cond)) ::velk::fuzz::failed(#cond, __FILE__, __LINE__);                              \
    } while (0)

// Answers the yes/no questions from answers, round and round, and opens a file when its text
// has a length divisible by 3, so both outcomes occur without any real program. Nothing sleeps,
// sounds or shows: the fake desktop only records.
void answerwith(test::fakedesktop& desk, const std::vector<bool>& answers);

// The input up to the first line end, and the rest after it (empty when there is none).
std::pair<std::string_view, std::string_view> firstline(std::string_view input);

} // namespace velk::fuzz

// libFuzzer's entry point; the replay driver calls the same function.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size);
