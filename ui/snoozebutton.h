#pragma once
#include <QObject>

#include "execution/snooze.h"

namespace velk {

class messagedialog;

// The "Snooze" button of an alarm's box: a press puts the run off by the alarm's length, the
// menu beside it by 5 to 60 minutes or until a time of day. Nothing is added without an offer
// (the editor's Test button, a script's fault).
class snoozebutton : public QObject {
    Q_OBJECT
  public:
    snoozebutton(messagedialog& box, snoozeoffer* offer);

    // The lengths the menu offers, in minutes.
    static constexpr int lengths[] = {5, 10, 15, 30, 60};

  private:
    void take(int minutes);
    void untiltime();

    messagedialog& box_;
    snoozeoffer* offer_;
};

// Minutes from now until the next hh:mm, today or else tomorrow; at least one.
int minutesuntil(datetime now, int hour, int minute);

} // namespace velk
