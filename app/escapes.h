#pragma once
#include <ostream>
#include <streambuf>

namespace velk {

// Passes text on to another buffer with its control characters written as escapes ("\x1b",
// "\u009b"), so a name read from a file is shown by a terminal instead of obeyed. Line ends pass.
class escapingbuf : public std::streambuf {
  public:
    explicit escapingbuf(std::streambuf* to) : to_(to) {}
    ~escapingbuf() override;
    escapingbuf(const escapingbuf&) = delete;
    escapingbuf& operator=(const escapingbuf&) = delete;

  protected:
    int_type overflow(int_type c) override;
    int sync() override { return to_->pubsync(); }

  private:
    bool put(const char* text);
    std::streambuf* to_;
    // The first byte of a two-byte UTF-8 character waits: it may begin a C1 control (U+0080 to
    // U+009F), which some terminals obey.
    bool lead_ = false;
};

// While it lives, a stream that writes to a terminal escapes control characters.
class terminalescapes {
  public:
    terminalescapes(std::ostream& stream, bool terminal);
    ~terminalescapes();
    terminalescapes(const terminalescapes&) = delete;
    terminalescapes& operator=(const terminalescapes&) = delete;

  private:
    std::ostream& stream_;
    std::streambuf* before_;
    escapingbuf escaping_;
};

} // namespace velk
