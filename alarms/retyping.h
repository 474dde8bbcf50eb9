#pragma once
#include "alarms/event.h"

namespace velk {

// An active alarm whose time is retyped passes through texts that do not parse ("09:" on the way
// from "09:00" to "09:30"). The keystroke of such a text switches it off, as any commit does;
// while the same alarm stays in the editor and the typing goes on in the time field, the first
// text that parses again switches it back on, so the alarm the user meant to keep still rings.
// Leaving the field or the alarm ends that: the alarm then stays off.
class retyping {
  public:
    // A keystroke in the time field has just been committed into alarm (nullptr: none);
    // wasactive: whether it was active before that commit. True when it was switched back on.
    bool typed(event* alarm, bool wasactive);
    // The user left the time field or the alarm: an alarm switched off stays off.
    void end() { off_ = nullptr; }

  private:
    const event* off_ = nullptr;
};

} // namespace velk
