#include "app/listcommand.h"

#include "alarms/alarmfile.h"
#include "alarms/book.h"
#include "alarms/desktop.h"
#include "alarms/displaytime.h"
#include "app/cli.h"
#include "control/commands.h"
#include "control/instance.h"
#include "timespec/clock.h"
#include "timespec/error.h"

namespace velk {

namespace {

// Messages are written in the terminal's line ends.
std::string terminaltext(std::string text) {
    for (size_t at = 0; (at = text.find("\r\n", at)) != std::string::npos;)
        text.erase(at, 1);
    return text;
}

// Without a window the loader's messages go to standard error; nothing is asked or played.
class streamdesktop : public quietdesktop {
  public:
    explicit streamdesktop(std::ostream& err) : err_(err) {}
    void showmessage(const std::string& text) override { err_ << terminaltext(text) << '\n'; }

  private:
    std::ostream& err_;
};

// Puts a desktop in place for one scope and restores the one before.
class desktopscope {
  public:
    explicit desktopscope(desktop* d) : before_(&thedesktop()) { setdesktop(d); }
    ~desktopscope() { setdesktop(before_); }
    desktopscope(const desktopscope&) = delete;
    desktopscope& operator=(const desktopscope&) = delete;

  private:
    desktop* before_;
};

} // namespace

int runlist(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.size() > 1) {
        err << "velk: --list takes one FILE at most\n" << helptext();
        return 2;
    }
    alarmfile file(args.empty() ? control::datapath() : args[0]);
    book alarms;
    streamdesktop messages(err);
    {
        desktopscope scope(&messages);
        try {
            file.load(alarms);
        } catch (const velkerror& e) {
            err << terminaltext(e.text) << '\n';
            return 1;
        }
    }
    const datetime current = now();
    for (int r = 0; r < alarms.evcount; ++r)
        out << control::listrow(*alarms.evs[alarms.evorder[r]], current) << '\n';
    return 0;
}

} // namespace velk
