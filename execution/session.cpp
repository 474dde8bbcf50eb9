#include "execution/session.h"

#include <atomic>

namespace velk {

namespace {
// Lock-free, so that a signal handler may set it.
std::atomic<bool> ending{false};
static_assert(std::atomic<bool>::is_always_lock_free);
} // namespace

void endsession() noexcept {
    ending.store(true, std::memory_order_relaxed);
}

bool sessionending() noexcept {
    return ending.load(std::memory_order_relaxed);
}

void resetsession() noexcept {
    ending.store(false, std::memory_order_relaxed);
}

} // namespace velk
