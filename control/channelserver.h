#pragma once
#include <string>

#include "control/instance.h"

namespace velk::control {

// The window's end of the channel on Linux: a Unix socket that only this user may reach. It
// never gives up on its own: a connection it cannot serve (more than maxconnections at once, or no
// file handle left for it) is refused at once, and the socket file stays in place until close().
class channelserver {
  public:
    channelserver() = default;
    ~channelserver() { close(); }
    channelserver(const channelserver&) = delete;
    channelserver& operator=(const channelserver&) = delete;

    // Listens at path (mode 0600), replacing a socket a crashed window left; the caller holds
    // the instance lock. False when the socket cannot be made.
    bool listen(const std::string& path);
    // The descriptor to watch for connections waiting to be taken.
    int handle() const { return fd_; }
    // The next connection to serve, -1 when none waits. Taken connections count until done();
    // beyond the cap, or when no handle is left for one, a waiting connection is closed unread.
    int take();
    // A connection given by take() has ended.
    void done() {
        if (serving_ > 0) --serving_;
    }
    // True when the last take() found connections waiting that no file handle could even refuse:
    // the caller should stop watching for a moment instead of spinning.
    bool starved() const { return starved_; }
    void close();

  private:
    int fd_ = -1;
    // Held in reserve: given up for a moment to refuse a connection when the handles ran out.
    int spare_ = -1;
    int serving_ = 0;
    bool starved_ = false;
    std::string path_;
};

} // namespace velk::control
