#include "app/wakecommand.h"

#include "alarms/alarmfile.h"
#include "alarms/desktop.h"
#include "alarms/displaytime.h"
#include "alarms/settings.h"
#include "app/cli.h"
#include "control/instance.h"
#include "execution/wake.h"
#include "timespec/clock.h"
#include "timespec/error.h"

namespace velk {

namespace {

// What the window has armed (or would arm): the alarm file read as the window reads it.
std::string armedline(bool on, const wakeway& way) {
    if (!on) return "nothing (waking is off)";
    if (way.how == wakeway::none) return "nothing (no way to wake)";
    book alarms;
    quietdesktop quiet;
    desktop& before = thedesktop();
    setdesktop(&quiet);
    try {
        alarmfile(control::datapath()).load(alarms);
    } catch (const velkerror&) {
    }
    setdesktop(&before);
    const int which = wakealarm(alarms, now());
    if (which < 0) return "nothing (no active alarm is due within 24 hours)";
    const event& alarm = *alarms.evs(which);
    const std::string what = displaytime(alarm.next) + " for '" + alarm.name + "'";
    return control::instanceheld(control::datapath())
               ? what
               : "nothing while VELK is not running (it would arm " + what + ")";
}

int status(std::ostream& out) {
    const bool on = settings::wake();
    const wakeway way = findwakeway();
    out << "Wake for alarms: " << (on ? "on" : "off") << "\n"
        << "Way: " << describe(way) << "\n";
    if (!way.warning.empty()) out << "Warning: " << way.warning << "\n";
    out << "Armed: " << armedline(on, way) << "\n"
        << "Settings: " << settings::path() << "\n";
    return 0;
}

int turn(bool on, std::ostream& out, std::ostream& err) {
    const wakeway way = on ? findwakeway() : wakeway{};
    if (on && way.how == wakeway::none) {
        err << "velk: cannot wake this computer for alarms: " << way.detail << "\n";
        return 1;
    }
    if (const std::string reason = settings::setwake(on); !reason.empty()) {
        err << "velk: could not save the setting (" << settings::path() << "): " << reason << "\n";
        return 1;
    }
    if (!on) {
        out << "Wake for alarms off.\n";
        return 0;
    }
    out << "Wake for alarms on, by " << describe(way)
        << ": the soonest alarm due within 24 hours wakes the computer.\n";
    if (!way.warning.empty()) err << "velk: warning: " << way.warning << "\n";
    return 0;
}

} // namespace

int runwake(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    if (args.empty()) return status(out);
    if (args.size() != 1 || (args[0] != "on" && args[0] != "off")) {
        err << "velk: --wake needs on or off, or nothing for the status\n" << helptext();
        return 2;
    }
    return turn(args[0] == "on", out, err);
}

} // namespace velk
