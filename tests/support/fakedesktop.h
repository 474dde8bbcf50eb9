#pragma once
#include <deque>
#include <functional>
#include <set>
#include <string>
#include <vector>

#include "alarms/desktop.h"

namespace velk::test {

class fakeclock;

// Records every desktop effect and answers questions from a script; installed for its lifetime.
class fakedesktop : public desktop {
  public:
    struct call {
        std::string kind; // "message", "yesno", "four", "balloon", "sleep", "beep", "tone", "open",
                          // "bringer"
        std::string text; // message text, balloon title, or the file opened
        std::string extra; // balloon text, or the parameters and directory joined by "|"
        answer defaultbutton = answer::none;
        int a = 0, b = 0; // sleep ms, tone frequency and ms
        bool operator==(const call&) const = default;
    };

    fakedesktop() { setdesktop(this); }
    ~fakedesktop() override { setdesktop(nullptr); }
    fakedesktop(const fakedesktop&) = delete;
    fakedesktop& operator=(const fakedesktop&) = delete;

    void showmessage(const std::string& text) override;
    bool askyesno(const std::string& text) override;
    answer askfour(const std::string& text, answer defaultbutton) override;
    void balloon(const std::string& title, const std::string& text) override;
    void sleepms(int ms) override;
    void beep() override;
    void tone(int frequency, int ms) override;
    bool shellopen(const std::string& file, const std::string& params,
                   const std::string& dir) override;
    void armbringer() override;

    std::vector<call> calls;
    std::deque<bool> yesnoanswers;  // empty: No
    bool cycleanswers = false;      // each yes/no answer goes to the back again once given
    std::deque<answer> fouranswers; // empty: answer::none (closed)
    std::set<std::string> openable; // files that shellopen accepts
    // When set, decides in place of openable which files shellopen accepts.
    std::function<bool(const std::string& file)> opens;
    fakeclock* clock = nullptr; // when set, sleeps and tones advance it
    // Runs inside a modal question or message, as a timer tick would (nested loops).
    std::function<void()> whilemodal;
    // Recorded texts are cut to this length, so tests with huge texts stay small.
    std::size_t recordlimit = std::string::npos;

    std::vector<std::string> messages() const;
    std::vector<call> of(const std::string& kind) const;
};

} // namespace velk::test
