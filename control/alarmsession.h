#pragma once
#include <functional>
#include <string>
#include <vector>

#include "alarms/alarmfile.h"
#include "alarms/book.h"
#include "control/message.h"
#include "execution/scheduler.h"

namespace velk {

// What the session needs from the window besides the tick's needs.
class sessionhost : public tickhost {
  public:
    // Writes the editor's pending edits into the book; false when there was nothing to write.
    virtual bool commitedits(bool show) = 0;
    // A dialog of the window (a message, the time test) is open and may use the editor's alarm.
    virtual bool modalopen() = 0;
    // The editor lets go of its alarm, which is about to be removed.
    virtual void forget() = 0;
    // Runs f after the event being handled, e.g. once a command's answer has gone.
    virtual void later(std::function<void()> f) = 0;
    // Tells the user something that went wrong with the file.
    virtual void warn(const std::string& text) = 0;
    // Loads the file again after it changed on disk, keeping the editor's alarm where it can.
    virtual void reload() = 0;
    // Makes sure a save follows within a couple of seconds.
    virtual void armsave() = 0;
    // The one dialog open is the window's warning about a save, which uses no alarm.
    virtual bool onlysavewarning() = 0;
};

// One running window's alarms without the window: the book and its file, when they are saved,
// what an outside change of the file does, the commands of the channel and the due passes.
class alarmsession {
  public:
    alarmsession(std::string datapath, sessionhost& host);

    book& alarms() { return book_; }
    alarmfile& file() { return file_; }
    scheduler& sched() { return sched_; }
    const std::string& datapath() const { return datapath_; }

    passstate state() const { return closed_ ? passstate::closing : sched_.state(); }
    // A due pass, a script dialog or some other modal dialog is running: the book must not go.
    bool nested() const;
    // Nothing refers to the book's alarms now, though a warning about a save may be open.
    bool bookfree() const;
    bool closed() const { return closed_; }
    void close() { closed_ = true; }

    // The book changed: a save follows soon.
    void changed();
    // Before a save: true when it may go ahead. When the file changed on disk and the book did
    // not, the file is taken instead (loaded again unless closing) and nothing is written. When
    // both changed, the file on disk is kept aside first and kept names it. Throws velkerror.
    bool beforesave(bool closing, std::string& kept);
    // Every save: beforesave, then the write (only when the text differs, with onlychanged).
    // false when the file on disk was taken instead. Throws velkerror like the file's save.
    bool writefile(bool onlychanged, bool closing);
    // The save soon after a change; a failure is told.
    void savesoon();
    // The file changed on disk: loaded again when the book has no change of its own. false when
    // it must be looked at again later, because a pass or a dialog still uses the book.
    bool filechanged();
    // Before a command changes the book: a fresh change on disk is taken first when the book
    // has none of its own. "" when the command may go ahead, else why not.
    std::string beforecommand();

    // A command of the channel, applied as the same edit in the window would be; the answer
    // comes once the change is on the disk.
    control::reply runcommand(const std::vector<std::string>& args);
    // An alarm switched on by a command whose time has come: offered as the Active button does.
    void offerdue(event* alarm);

  private:
    std::string datapath_;
    sessionhost& host_;
    book book_;
    alarmfile file_;
    scheduler sched_;
    bool closed_ = false;
};

} // namespace velk
