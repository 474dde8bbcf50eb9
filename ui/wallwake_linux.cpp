#include <sys/timerfd.h>
#include <unistd.h>

#include <QSocketNotifier>
#include <cerrno>
#include <cstdint>

#include "ui/wallwake.h"

namespace velk {

// An absolute timer on CLOCK_REALTIME follows the wall clock through suspend and clock changes;
// with cancel-on-set a change of the clock ends the wait too, so the moment is mapped again.
struct wallwake::impl {
    int fd = -1;
    std::unique_ptr<QSocketNotifier> notifier;
};

wallwake::wallwake(QObject* parent) : QObject(parent), d_(std::make_unique<impl>()) {
    d_->fd = timerfd_create(CLOCK_REALTIME, TFD_NONBLOCK | TFD_CLOEXEC);
    if (d_->fd < 0) return;
    d_->notifier = std::make_unique<QSocketNotifier>(d_->fd, QSocketNotifier::Read);
    connect(d_->notifier.get(), &QSocketNotifier::activated, this, [this] {
        std::uint64_t expirations = 0;
        if (read(d_->fd, &expirations, sizeof expirations) == sizeof expirations) {
            at_ = -1;
            emit fired();
        } else if (errno == ECANCELED) {
            emit clockset();
        }
    });
}

wallwake::~wallwake() {
    d_->notifier.reset();
    if (d_->fd >= 0) close(d_->fd);
}

void wallwake::arm(long long ms) {
    if (d_->fd < 0) return;
    itimerspec spec{};
    // Zero would disarm: the earliest moment there is stands for any moment already past.
    spec.it_value.tv_sec = ms > 0 ? static_cast<time_t>(ms / 1000) : 0;
    spec.it_value.tv_nsec = ms > 0 ? static_cast<long>(ms % 1000) * 1000000L : 1;
    if (timerfd_settime(d_->fd, TFD_TIMER_ABSTIME | TFD_TIMER_CANCEL_ON_SET, &spec, nullptr) == 0)
        at_ = ms;
}

void wallwake::disarm() {
    if (d_->fd < 0) return;
    itimerspec none{};
    timerfd_settime(d_->fd, TFD_TIMER_ABSTIME, &none, nullptr);
    at_ = -1;
}

} // namespace velk
