#pragma once
#include <QObject>
#include <functional>

#include "alarms/book.h"
#include "alarms/snoozes.h"
#include "ui/alarmwake.h"
#include "ui/wallwake.h"

class QWidget;

namespace velk {

// Runs the tick at the minute an alarm falls due, and at the minute's turn while the window
// shows its clock, instead of up to a period later; on the wall clock, so a jump of the clock
// or a wake from sleep that passed a due time runs the tick at once.
class minutewake : public QObject {
    Q_OBJECT
  public:
    // window: whether it is on screen decides the caption's wake. tick: what a wake runs.
    minutewake(QWidget* window, const book& alarms, std::function<void()> tick);

    // The book changed or a run was handled: the soonest moment may be another one now.
    void rearm();
    wallwake& timer() { return wake_; }
    // Put-off runs to wake for too.
    const snoozes* putoff = nullptr;
    // The wake from sleep for alarms, re-armed with this one.
    alarmwake& alarm() { return *alarm_; }

  protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

  private:
    QWidget* window_;
    const book& alarms_;
    std::function<void()> tick_;
    wallwake wake_;
    alarmwake* alarm_;
};

} // namespace velk
