#pragma once
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace velk::control {

// What travels between a command and the running window. Every message is one frame: its length
// as 4 bytes (least significant first), then that many bytes. A frame is at most maxframe bytes:
// anything larger is refused before it is read, so a peer cannot make the window hold more.
inline constexpr std::size_t maxframe = 1 << 20;

// A command's words as given after the program's name, and when it was sent (milliseconds of
// the system's steady clock, which all processes of the machine share).
struct request {
    std::vector<std::string> args;
    std::int64_t sentms = 0;
    bool operator==(const request&) const = default;
};

// The command's result: what it prints on standard output and standard error, and its exit
// status.
struct reply {
    int status = 0;
    std::string out, err;
    bool operator==(const reply&) const = default;
};

// Frames, header included. Empty when the message would exceed maxframe.
std::string encode(const request& r);
std::string encode(const reply& r);
// Payloads (a frame without its header). Strict: wrong tag or version, a length that runs past
// the end, bytes left over, a NUL inside a command word or too many words give nothing.
std::optional<request> decoderequest(std::string_view payload);
std::optional<reply> decodereply(std::string_view payload);

// Collects a frame from a stream that arrives in pieces.
class framereader {
  public:
    enum class state { more, done, refused };
    // Adds bytes; done when a whole frame is there (payload() holds it), refused when the frame
    // announces more than maxframe bytes or bytes follow the frame.
    state add(std::string_view bytes);
    const std::string& payload() const { return payload_; }
    // A frame was completed or refused: the reader takes nothing more.
    bool finished() const { return state_ != state::more; }

  private:
    std::string buffer_, payload_;
    state state_ = state::more;
};

// The steady clock in milliseconds, for request::sentms.
std::int64_t steadyms();

} // namespace velk::control
