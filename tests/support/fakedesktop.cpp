#include "tests/support/fakedesktop.h"

#include "tests/support/fakeclock.h"

namespace velk::test {

void fakedesktop::showmessage(const std::string& text) {
    calls.push_back({"message", text.substr(0, recordlimit), "", answer::none, 0, 0});
    if (whilemodal) whilemodal();
}

bool fakedesktop::askyesno(const std::string& text) {
    calls.push_back({"yesno", text, "", answer::none, 0, 0});
    if (whilemodal) whilemodal();
    if (yesnoanswers.empty()) return false;
    const bool yes = yesnoanswers.front();
    yesnoanswers.pop_front();
    if (cycleanswers) yesnoanswers.push_back(yes);
    return yes;
}

answer fakedesktop::askfour(const std::string& text, answer defaultbutton) {
    calls.push_back({"four", text, "", defaultbutton, 0, 0});
    if (whilemodal) whilemodal();
    if (fouranswers.empty()) return answer::none;
    const answer a = fouranswers.front();
    fouranswers.pop_front();
    return a;
}

void fakedesktop::balloon(const std::string& title, const std::string& text) {
    calls.push_back({"balloon", title, text, answer::none, 0, 0});
}

void fakedesktop::sleepms(int ms) {
    calls.push_back({"sleep", "", "", answer::none, ms, 0});
    if (clock) clock->advanceseconds(ms / 1000.0);
}

void fakedesktop::beep() {
    calls.push_back({"beep", "", "", answer::none, 0, 0});
}

void fakedesktop::tone(int frequency, int ms) {
    calls.push_back({"tone", "", "", answer::none, frequency, ms});
    if (clock) clock->advanceseconds(ms / 1000.0);
}

bool fakedesktop::shellopen(const std::string& file, const std::string& params,
                            const std::string& dir) {
    calls.push_back({"open", file.substr(0, recordlimit),
                     params.substr(0, recordlimit) + "|" + dir.substr(0, recordlimit), answer::none,
                     0, 0});
    return opens ? opens(file) : openable.count(file) > 0;
}

void fakedesktop::armbringer() {
    calls.push_back({"bringer", "", "", answer::none, 0, 0});
}

std::vector<std::string> fakedesktop::messages() const {
    std::vector<std::string> out;
    for (const auto& c : calls)
        if (c.kind == "message") out.push_back(c.text);
    return out;
}

std::vector<fakedesktop::call> fakedesktop::of(const std::string& kind) const {
    std::vector<call> out;
    for (const auto& c : calls)
        if (c.kind == kind) out.push_back(c);
    return out;
}

} // namespace velk::test
