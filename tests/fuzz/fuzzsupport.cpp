#include "tests/fuzz/fuzzsupport.h"

#include <cstdio>

namespace velk::fuzz {

void failed(const char* what, const char* file, int line) {
    std::fprintf(stderr, "property failed: %s (%s:%d)\n", what, file, line);
    std::fflush(stderr);
    __builtin_trap();
}

recordingdesktop::recordingdesktop(std::vector<bool> answers) : answers_(std::move(answers)) {
    setdesktop(this);
}

recordingdesktop::~recordingdesktop() {
    setdesktop(nullptr);
}

void recordingdesktop::showmessage(const std::string& text) {
    calls.push_back({'m', text, "", 0, 0});
}

bool recordingdesktop::askyesno(const std::string& text) {
    calls.push_back({'q', text, "", 0, 0});
    if (answers_.empty()) return false;
    return answers_[asked_++ % answers_.size()];
}

answer recordingdesktop::askfour(const std::string& text, answer defaultbutton) {
    calls.push_back({'f', text, "", static_cast<int>(defaultbutton), 0});
    return answer::none;
}

void recordingdesktop::balloon(const std::string& title, const std::string& text) {
    calls.push_back({'b', title, text, 0, 0});
}

void recordingdesktop::sleepms(int ms) {
    calls.push_back({'s', "", "", ms, 0});
}

void recordingdesktop::beep() {
    calls.push_back({'e', "", "", 0, 0});
}

void recordingdesktop::tone(int frequency, int ms) {
    calls.push_back({'t', "", "", frequency, ms});
}

bool recordingdesktop::shellopen(const std::string& file, const std::string& params,
                                 const std::string& dir) {
    calls.push_back({'o', file, params + "|" + dir, 0, 0});
    return file.size() % 3 == 0;
}

void recordingdesktop::armbringer() {
    calls.push_back({'r', "", "", 0, 0});
}

std::pair<std::string_view, std::string_view> firstline(std::string_view input) {
    const auto nl = input.find('\n');
    if (nl == std::string_view::npos) return {input, {}};
    return {input.substr(0, nl), input.substr(nl + 1)};
}

} // namespace velk::fuzz
