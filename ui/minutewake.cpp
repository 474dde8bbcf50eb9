#include "ui/minutewake.h"

#include <QDateTime>
#include <QEvent>
#include <QWidget>

#include "execution/scheduler.h"
#include "timespec/clock.h"

namespace velk {

namespace {
// How long a wake whose moment has passed is taken to be waiting in the event queue.
constexpr long long pendingms = 5000;
} // namespace

minutewake::minutewake(QWidget* window, const book& alarms, std::function<void()> tick)
    : QObject(window), window_(window), alarms_(alarms), tick_(std::move(tick)), wake_(this),
      alarm_(new alarmwake(alarms, this)) {
    connect(&wake_, &wallwake::fired, this, [this] {
        tick_();
        // A tick that found a question open changed nothing; the pass re-arms when it ends.
        rearm();
    });
    connect(&wake_, &wallwake::clockset, this, [this] {
        // Local times sit elsewhere on the wall clock now, and a due time may have been passed.
        wake_.disarm();
        alarm_->rearm(true);
        tick_();
        rearm();
    });
    window_->installEventFilter(this);
}

void minutewake::rearm() {
    alarm_->rearm();
    // A wake whose moment has just come is on its way: once the minute is here its alarm counts
    // as due, and due alarms are not waited for. One that never arrived is replaced.
    const long long armed = wake_.armedat();
    const long long late = QDateTime::currentMSecsSinceEpoch() - armed;
    if (armed >= 0 && late >= 0 && late < pendingms) return;
    const bool clockshown = window_->isVisible() && !window_->isMinimized();
    const datetime at = wakeat(alarms_, now(), clockshown, putoff);
    if (isnovalue(at)) {
        if (armed >= 0) wake_.disarm();
        return;
    }
    const long long ms = wallms(at);
    if (ms != armed) wake_.arm(ms);
}

bool minutewake::eventFilter(QObject* watched, QEvent* e) {
    if (watched == window_ && (e->type() == QEvent::Show || e->type() == QEvent::Hide ||
                               e->type() == QEvent::WindowStateChange))
        rearm();
    return QObject::eventFilter(watched, e);
}

} // namespace velk
