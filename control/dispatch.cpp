#include "control/dispatch.h"

#include <chrono>
#include <thread>

#include "alarms/alarmfile.h"
#include "alarms/leftovers.h"
#include "control/instance.h"
#include "timespec/clock.h"
#include "timespec/error.h"

namespace velk::control {

namespace {

reply failed(const std::string& message) {
    return reply{1, "", message + "\n"};
}

} // namespace

std::string noanswer() {
    return "VELK is running for this alarm file but did not answer within " +
           std::to_string(answerms / 1000) + " s; nothing was changed.";
}

std::string damagedmessage(const std::string& path, const std::string& detail) {
    std::string first = filemessage::couldnotread(path);
    first.erase(first.find("\r\n"));
    return detail.empty() ? first : first + " " + detail;
}

namespace {
// The one-line message of a damaged file, or "".
std::string loadquietly(alarmfile& file, book& b, const std::string& datapath) {
    try {
        file.load(b);
    } catch (const velkerror&) {
        return damagedmessage(datapath, file.detail());
    }
    return "";
}
} // namespace

std::string loadproblem(const std::string& datapath) {
    book b;
    alarmfile file(datapath);
    return loadquietly(file, b, datapath);
}

reply applytofile(const command& c, const std::string& datapath) {
    book b;
    alarmfile file(datapath);
    // Nothing is saved after a failed load, so the damaged file stays as it is.
    if (auto problem = loadquietly(file, b, datapath); !problem.empty()) return failed(problem);
    reply r;
    const datetime current = now();
    snoozes putoff;
    const std::string putoffpath = snoozes::pathfor(datapath);
    // An unreadable snooze file only matters to the commands that change it.
    if (auto problem = putoff.load(putoffpath); !problem.empty() && snoozing(c))
        return failed("The snoozes file '" + putoffpath + "' cannot be used: " + problem);
    const std::string putoffbefore = putoff.text();
    event* enabled = applycommand(b, putoff, c, current, r);
    if (r.status != 0 || !writes(c)) return r;
    try {
        if (!snoozing(c)) file.save(b);
    } catch (const velkerror& e) {
        return failed(e.text);
    }
    // Another program replaced the file between this command's load and its save.
    if (!file.keptbysave().empty()) {
        std::string told = keptmessage(datapath, file.keptbysave());
        told.replace(told.find("\r\n"), 2, " ");
        r.err += told + "\n";
    }
    if (putoff.text() != putoffbefore)
        if (auto problem = putoff.save(putoffpath); !problem.empty())
            return failed("Could not save the snoozes file '" + putoffpath + "': " + problem);
    if (enabled && !isnovalue(enabled->next) && enabled->next <= current)
        r.out += "Its time has come already: VELK runs it when it starts.\n";
    return r;
}

reply runcommand(const std::vector<std::string>& args, const std::string& datapath, int timeoutms) {
    reply r;
    const command c = parsecommand(args, r);
    if (c.what == command::none) return r;
    // The request carries the moment the command began, not the moment of its last try: the
    // window then refuses it once the command may have given up, however long the lock took.
    const std::int64_t started = steadyms();
    const std::int64_t deadline = started + timeoutms;
    try {
        instancelock lock(lockpath(datapath));
        const std::string channel = channelname(datapath);
        for (;;) {
            const int left = static_cast<int>(std::max<std::int64_t>(0, deadline - steadyms()));
            switch (sendrequest(channel, request{args, started}, left, r)) {
            case sendresult::ok:
                return r;
            case sendresult::timeout:
                return failed(noanswer());
            case sendresult::noserver:
                // Reading needs no lock: saves replace the file in one step.
                if (!writes(c)) return applytofile(c, datapath);
                if (lock.trylock()) {
                    // Saves of commands killed on the way leave their temporaries; no other
                    // writer runs while the lock is held.
                    removeleftovers(datapath);
                    return applytofile(c, datapath);
                }
                break;
            case sendresult::failed:
                // A window that is just closing, or another command holding the lock.
                break;
            }
            if (steadyms() >= deadline) return failed(noanswer());
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
    } catch (const velkerror& e) {
        return failed(e.text);
    }
}

} // namespace velk::control
