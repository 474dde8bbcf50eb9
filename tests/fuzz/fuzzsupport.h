#pragma once
#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "alarms/desktop.h"
#include "timespec/clock.h"

// Shared by the fuzz targets and the corpus replay. Nothing here links GoogleTest, so the
// targets build with libFuzzer alone.
namespace velk::fuzz {

// A broken property ends the run at once: libFuzzer keeps the input, ctest sees the crash.
[[noreturn]] void failed(const char* what, const char* file, int line);
#define FUZZ_CHECK(cond)                                                                           \
    do {                                                                                           \
        if (!(cond)) ::velk::fuzz::failed(#cond, __FILE__, __LINE__);                              \
    } while (0)

// One moment for the whole run; nothing in a target may depend on the real time.
class fixedclock : public clocksource {
  public:
    explicit fixedclock(datetime t) : t_(t) { setclock(this); }
    ~fixedclock() override { setclock(nullptr); }
    fixedclock(const fixedclock&) = delete;
    fixedclock& operator=(const fixedclock&) = delete;
    datetime now() const override { return t_; }

  private:
    datetime t_;
};

// Records the effects instead of showing, sleeping or sounding anything. Questions are answered
// from a fixed list, cycled; the shell opens a file when its text has a length divisible by 3,
// so both outcomes occur without any real program.
class recordingdesktop : public desktop {
  public:
    struct call {
        char kind; // m message, q yes/no, f four, b balloon, s sleep, e beep, t tone, o open,
                   // r bringer
        std::string text, extra;
        int a = 0, b = 0;
        bool operator==(const call&) const = default;
    };

    explicit recordingdesktop(std::vector<bool> answers);
    ~recordingdesktop() override;
    recordingdesktop(const recordingdesktop&) = delete;
    recordingdesktop& operator=(const recordingdesktop&) = delete;

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

  private:
    std::vector<bool> answers_;
    std::size_t asked_ = 0;
};

// The input up to the first line end, and the rest after it (empty when there is none).
std::pair<std::string_view, std::string_view> firstline(std::string_view input);

} // namespace velk::fuzz

// libFuzzer's entry point; the replay driver calls the same function.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, std::size_t size);
