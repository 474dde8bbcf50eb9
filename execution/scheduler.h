#pragma once
#include <string>

#include "alarms/book.h"
#include "alarms/event.h"
#include "alarms/snoozes.h"
#include "execution/snooze.h"
#include "timespec/datetime.h"

namespace velk {

// What the tick needs from the main window.
class tickhost {
  public:
    virtual ~tickhost() = default;
    virtual void setcaption(const std::string& caption) = 0;
    // The period of the tick timer.
    virtual void setinterval(int ms) = 0;
    // Writes pending editor changes into the alarm (may append a new one).
    virtual void editchanged() = 0;
    // The alarm shown in the editor, or nullptr.
    virtual event* curevent() = 0;
    // Shows the alarm's fields (its new last and next times) in the editor.
    virtual void fillfields(event& alarm) = 0;
    // Storage index of the selected row's alarm (evorder of that row), or -1.
    virtual int selectedalarm() = 0;
    // Re-sorts and redraws the list and shows alarm sel in the editor: an index into the book,
    // shownone for an empty editor, or keepcurrent to keep the editor's alarm and select its row.
    virtual void refreshlist(int sel) = 0;
    // The put-off runs changed (a box was snoozed, a put-off run was taken): saved at once, so
    // that a crash neither loses nor repeats one.
    virtual void snoozeschanged() {}
    static constexpr int shownone = -1;
    static constexpr int keepcurrent = -2;
};

// Where the program stands when a tick arrives; ticks re-enter inside every modal dialog.
enum class passstate { idle, duepass, scriptdialog, missedquestion, closing };
// What a tick arriving in that state may do: refresh the caption only, or run in full (commit the
// editor, start due passes, redraw the list). A script's dialog lets other alarms run their own
// passes inside it; a pass waiting for its question, or the session's end, does not.
enum class tickmay { captiononly, full };
tickmay whattickmay(passstate s);
// The state of these flags: the session's end first, then the innermost dialog.
passstate passstateof(bool ending, bool indialog, bool asking, bool inconfirm);

// The periodic tick: finds the first due alarm in display order and runs its due pass, asking
// about missed runs.
class scheduler {
  public:
    static constexpr int busyinterval = 2000;
    static constexpr int idleinterval = 20000;

    scheduler(book& alarms, tickhost& host) : alarms_(alarms), host_(host) {}

    // One tick of the timer; also run once at start-up and by "Set to Now".
    void tttimer();
    // Runs the alarm's due pass when it is due; true when a pass ran. iscurrent: the alarm is in
    // the editor. askfirst: even the first due run is put to the user.
    bool fireifdue(event& alarm, bool iscurrent, bool askfirst);

    passstate state() const;
    // Runs the alarm's put-off run when it is due; true when it ran (or was asked about).
    bool firesnooze(event& alarm);

    // True while a due pass runs; a nested pass restores the value it found.
    bool inconfirm = false;
    // True while a pass waits for the answer to its missed-run question.
    bool asking = false;
    // The put-off runs of the book; none are offered or run while unset.
    snoozes* putoff = nullptr;
    // The window's own caption; the tick appends the clock to it.
    std::string basecaption = "[Orlimbo]";

  private:
    // Runs the action with Snooze offered in its boxes; the put-off chosen, if any.
    snoozeoffer runoffering(event& alarm);
    void keepsnooze(event& alarm, const snoozeoffer& offer);

    book& alarms_;
    tickhost& host_;
};

// "No to All": passes over every run of the alarm up to upto, leaving last and next exactly as
// handling them one by one would, in a few dozen searches however many runs were missed.
void skipmissed(event& alarm, datetime upto);

// When the tick should run on its own besides its period: the soonest next time after now among
// the active alarms, or the coming minute when clockshown (the caption's clock is on screen),
// whichever is first; novalue when neither. Due alarms are left to the tick's period, so a wake
// never falls on a moment already past.
datetime wakeat(const book& alarms, datetime now, bool clockshown, const snoozes* putoff = nullptr);

// " yyyy-mm-dd hh:nn" of t, as appended to the caption.
std::string captionclock(datetime t);
// The missed-run question about the alarm's next time; first: the first turn of its pass.
std::string missedquestion(const event& alarm, bool first);

} // namespace velk
