#include "app/listcommand.h"

#include "alarms/alarmfile.h"
#include "alarms/book.h"
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

} // namespace

int runlist(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.size() > 1) {
        err << "velk: --list takes one FILE at most\n" << helptext();
        return 2;
    }
    alarmfile file(args.empty() ? control::datapath() : args[0]);
    book alarms;
    try {
        file.load(alarms);
    } catch (const velkerror& e) {
        err << terminaltext(file.detail()) << '\n' << terminaltext(e.text) << '\n';
        return 1;
    }
    // Put-off runs show in place of the next time; a snooze file that does not read shows none.
    snoozes putoff;
    putoff.load(snoozes::pathfor(file.path()));
    const datetime current = now();
    for (int r = 0; r < alarms.evcount(); ++r) {
        const event& e = *alarms.inrow(r);
        out << control::listrow(e, current, putoff.until(e)) << '\n';
    }
    return 0;
}

} // namespace velk
