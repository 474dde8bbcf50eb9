#include "control/alarmsession.h"

#include "alarms/snoozes.h"
#include "control/commands.h"
#include "control/dispatch.h"
#include "execution/script.h"
#include "execution/session.h"
#include "timespec/clock.h"
#include "timespec/error.h"

namespace velk {

alarmsession::alarmsession(std::string datapath, sessionhost& host)
    : datapath_(std::move(datapath)), host_(host), file_(datapath_), sched_(book_, host) {}

bool alarmsession::nested() const {
    return sched_.inconfirm || indialog || host_.modalopen();
}

bool alarmsession::bookfree() const {
    if (!nested()) return true;
    // A warning about a save that nobody answers must not make every later edit a conflict.
    if (sched_.inconfirm || indialog || !host_.onlysavewarning()) return false;
    for (int i = 0; i < book_.evcount(); ++i)
        if (book_.evs(i)->busy) return false;
    return true;
}

std::string alarmsession::beforecommand() {
    if (!file_.changedoutside() || file_.changedinside(book_)) return "";
    // A damaged or unsafe file is not loaded inside a command (its messages would hold the
    // answer): the command's save keeps it aside, as before.
    if (!control::loadproblem(file_.path()).empty()) return "";
    // A fresh edit and nothing of the window's own: the command changes the edited file.
    if (bookfree()) {
        host_.reload();
        return "";
    }
    // Taken when the dialog is answered; changed now, both sides would have changes.
    return "The alarm file '" + file_.path() +
           "' was changed outside VELK while a dialog of VELK is open; answer the dialog and try "
           "again. Nothing was changed.";
}

void alarmsession::changed() {
    if (!closed_) host_.armsave();
}

bool alarmsession::beforesave(bool closing, std::string& kept) {
    kept.clear();
    if (!file_.changedoutside()) return true;
    if (!file_.changedinside(book_)) {
        if (!closing) filechanged();
        return false;
    }
    kept = file_.keepexternal();
    return true;
}

bool alarmsession::writefile(bool onlychanged, bool closing) {
    std::string kept;
    if (!beforesave(closing, kept)) return false;
    if (onlychanged)
        file_.savechanged(book_);
    else
        file_.save(book_);
    // Put in the file's place by another program after the look above.
    if (kept.empty()) kept = file_.keptbysave();
    // Told also at exit; once the session ends no dialog opens any more.
    if (!kept.empty()) host_.warn(keptmessage(datapath_, kept));
    return true;
}

void alarmsession::savesoon() {
    if (closed_) return;
    try {
        // Writes only when the book's text differs from what the file holds.
        writefile(true, false);
    } catch (const velkerror& e) {
        host_.warn(e.text);
    }
}

bool alarmsession::filechanged() {
    if (closed_) return true;
    // The book must stay while a pass or a dialog refers to its alarms.
    if (!bookfree()) return false;
    if (!file_.changedoutside()) return true;
    // Typing not yet in the book is a change of the window's own too. Such a change is saved
    // soon, and that save settles it (beforesave).
    host_.commitedits(false);
    if (!file_.changedinside(book_)) host_.reload();
    return true;
}

control::reply alarmsession::runcommand(const std::vector<std::string>& args) {
    control::reply r;
    const control::command c = control::parsecommand(args, r);
    if (c.what == control::command::none) return r;
    if (closed_ || sessionending()) return {1, "", "VELK is closing; try again in a moment.\n"};
    // The book is empty in place of a damaged file (also while its first message is open),
    // until the user has dealt with it; a save would set the file aside.
    if (file_.unresolved(book_)) {
        std::string message = control::loadproblem(datapath_);
        if (message.empty()) message = control::damagedmessage(datapath_, "");
        return {1, "", message + "\n"};
    }
    // Typing in the editor belongs to the book before anything else changes it.
    host_.commitedits(false);
    if (std::string why = beforecommand(); !why.empty()) return {1, "", why + "\n"};
    event* removed = nullptr;
    if (c.what == control::command::remove) {
        const std::vector<int> named = book_.named(c.name);
        if (named.size() == 1) removed = book_.evs(named[0]);
        // A dialog of the editor's alarm (its test, a message) still uses it.
        // So does a running due pass (its busy alarm), whichever alarm the editor shows.
        if (removed && (removed->busy || (removed == host_.curevent() && host_.modalopen())))
            return {1, "",
                    "The Alarm '" + c.name +
                        "' is open in VELK behind a dialog; close the dialog and try again.\n"};
    }
    snoozes none;
    event* enabled =
        control::applycommand(book_, sched_.putoff ? *sched_.putoff : none, c, now(), r);
    if (r.status != 0 || !control::writes(c)) return r;
    if (removed && removed == host_.curevent()) host_.forget();
    host_.refreshlist(tickhost::keepcurrent);
    if (event* cur = host_.curevent()) host_.fillfields(*cur);
    // After the answer has gone: the offer may wait in a dialog for as long as the user likes.
    if (enabled) host_.later([this, enabled] { offerdue(enabled); });
    // The answer tells that the change is on the disk. A failed save keeps the change in the
    // window, for the next save to write.
    // A hand edit not yet taken is kept aside first, as by every save; it is told after the
    // answer, which must not wait for the user. (No loading again here: the book has changed.)
    std::string kept;
    try {
        if (beforesave(true, kept)) file_.savechanged(book_);
        if (kept.empty()) kept = file_.keptbysave();
    } catch (const velkerror& e) {
        return {1, "", e.text + "\n"};
    }
    if (!kept.empty()) host_.later([this, kept] { host_.warn(keptmessage(datapath_, kept)); });
    return r;
}

void alarmsession::offerdue(event* alarm) {
    if (closed_ || book_.indexof(alarm) < 0) return;
    if (sched_.fireifdue(*alarm, alarm == host_.curevent(), true))
        host_.refreshlist(tickhost::keepcurrent);
}

} // namespace velk
