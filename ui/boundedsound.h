#pragma once
#include <functional>

namespace velk {

// How much longer than the sound itself a sound may keep the window waiting.
inline constexpr int soundgracems = 500;

enum class soundresult {
    played,  // the sound said it played
    failed,  // the sound said it could not play
    late,    // no word within the time: it goes on by itself
    skipped, // an earlier sound that was late is still at it, so this one was not tried
};

// Runs a sound that may hang (a sound server that accepts and never answers) on a thread of its
// own, and waits for it at most waitms, and no longer once the session ends. One sound left
// running holds back the next ones until it comes back, so a dead server costs one thread, not
// one per sound.
soundresult playbounded(std::function<bool()> sound, int waitms);

} // namespace velk
