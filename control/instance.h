#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

#include "control/message.h"

namespace velk::control {

// Where one alarm file's instance lock and channel live, and the two primitives on them. Both
// the window and the commands use these, so they agree on every name without sharing a toolkit.

// The user's private folder for locks and sockets, with its trailing separator, created when
// missing. On Linux $XDG_RUNTIME_DIR/velk/ (else /tmp/velk-UID/, or ~/.cache/velk/run/ when
// that one is not private), which must be a folder of this user that nobody else may enter:
// anything else throws velkerror, since another user could then pretend to be the window.
std::string privatedir();
// "velk-" and a hash of the file's absolute path: one lock and one channel per alarm file.
std::string keyfor(const std::string& datapath);
// The text keyfor hashes: one for every way of writing the same file's path. Per OS.
std::string keytext(const std::string& datapath);
// The lock file of the alarm file's instance.
std::string lockpath(const std::string& datapath);
// What the window listens on: a socket path on Linux, a pipe name on Windows.
std::string channelname(const std::string& datapath);

// One writer per alarm file: the window holds this for its whole run, a command only while it
// loads, changes and saves the file. It is an OS lock, so it ends with its process however that
// ends.
class instancelock {
  public:
    explicit instancelock(std::string path) : path_(std::move(path)) {}
    ~instancelock() { release(); }
    instancelock(const instancelock&) = delete;
    instancelock& operator=(const instancelock&) = delete;

    // True when this process holds the lock now (also when it held it already). Never waits.
    bool trylock();
    void release();
    bool held() const { return handle_ != invalid; }

  private:
    static constexpr std::intptr_t invalid = -1;
    std::string path_;
    std::intptr_t handle_ = invalid;
};

// True when a process holds the instance lock of the alarm file now: a window, or a command for
// its moment.
bool instanceheld(const std::string& datapath);
// The alarm file of this process: choosedatapath for this executable and user, counting the
// processes that hold a file; decided on the first call and kept for the life of the process.
std::string datapath();

// Connections the window serves at once; it refuses more at once. An exchange takes a moment, so
// only a flood of connections that send nothing reaches it.
inline constexpr int maxconnections = 64;

// Sends one request to the window listening on channel and waits for its reply, all within
// timeoutms. noserver: nobody listens there (no window runs, or it ended without cleaning up).
enum class sendresult { ok, noserver, timeout, failed };
sendresult sendrequest(const std::string& channel, const request& req, int timeoutms, reply& out);
// Adds a piece of the window's answer to reader: nothing while more is to come, then how the
// exchange ended (out holds the reply when it ended well). Shared by the per-OS clients.
std::optional<sendresult> takereply(framereader& reader, std::string_view piece, reply& out);

} // namespace velk::control
