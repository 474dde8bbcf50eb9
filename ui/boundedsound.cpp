#include "ui/boundedsound.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <system_error>
#include <thread>

#include "execution/session.h"

namespace velk {

namespace {

using steady = std::chrono::steady_clock;

// Shared by the waiter and the sound's thread, which may outlive the wait and even main().
struct soundjob {
    std::mutex m;
    std::condition_variable finished;
    bool done = false;
    bool played = false;
};

// A sound thread is running; trivially destructible, so a thread that ends during the
// program's exit still finds it.
std::atomic<bool> running{false};

// How often the wait looks whether the session ends.
constexpr std::chrono::milliseconds slice{50};

void runjob(const std::shared_ptr<soundjob>& job, const std::function<bool()>& sound) {
    const bool played = sound();
    running.store(false);
    const std::lock_guard lock(job->m);
    job->done = true;
    job->played = played;
    job->finished.notify_all();
}

} // namespace

soundresult playbounded(std::function<bool()> sound, int waitms) {
    if (running.exchange(true)) return soundresult::skipped;
    auto job = std::make_shared<soundjob>();
    try {
        std::thread([job, sound = std::move(sound)] { runjob(job, sound); }).detach();
    } catch (const std::system_error&) {
        running.store(false);
        return soundresult::failed;
    }
    const auto deadline = steady::now() + std::chrono::milliseconds(std::max(waitms, 0));
    std::unique_lock lock(job->m);
    while (!job->done && !sessionending() && steady::now() < deadline)
        job->finished.wait_for(lock, std::min<steady::duration>(slice, deadline - steady::now()));
    if (!job->done) return soundresult::late;
    return job->played ? soundresult::played : soundresult::failed;
}

} // namespace velk
