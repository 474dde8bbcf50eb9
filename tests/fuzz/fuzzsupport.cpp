#include "tests/fuzz/fuzzsupport.h"

#include <cstdio>

namespace velk::fuzz {

void failed(const char* what, const char* file, int line) {
    std::fprintf(stderr, "property failed: %s (%s:%d)\n", what, file, line);
    std::fflush(stderr);
    __builtin_trap();
}

void answerwith(test::fakedesktop& desk, const std::vector<bool>& answers) {
    desk.yesnoanswers.assign(answers.begin(), answers.end());
    desk.cycleanswers = true;
    desk.opens = [](const std::string& file) { return file.size() % 3 == 0; };
}

std::pair<std::string_view, std::string_view> firstline(std::string_view input) {
    const auto nl = input.find('\n');
    if (nl == std::string_view::npos) return {input, {}};
    return {input.substr(0, nl), input.substr(nl + 1)};
}

} // namespace velk::fuzz
