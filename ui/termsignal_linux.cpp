#include "ui/termsignal.h"

#include <QObject>
#include <QSocketNotifier>
#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

#include "execution/session.h"

namespace velk {

namespace {

// A signal handler may only write to a descriptor; the notifier reads it in the event loop.
int wakeup[2] = {-1, -1};

void handler(int) {
    // At once, not only when the loop reads the socket: a pass or a "#wait" that is running
    // now stops before it opens another dialog.
    endsession();
    const char c = 1;
    [[maybe_unused]] const auto n = ::write(wakeup[0], &c, 1);
}

} // namespace

void onterminate(QObject* context, std::function<void()> f) {
    if (wakeup[0] >= 0 || ::socketpair(AF_UNIX, SOCK_STREAM, 0, wakeup) != 0) return;
    auto* notifier = new QSocketNotifier(wakeup[1], QSocketNotifier::Read, context);
    QObject::connect(notifier, &QSocketNotifier::activated, context, [f = std::move(f)] {
        char c = 0;
        [[maybe_unused]] const auto n = ::read(wakeup[1], &c, 1);
        f();
    });
    struct sigaction sa = {};
    sa.sa_handler = handler;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    for (int sig : {SIGTERM, SIGHUP, SIGINT})
        ::sigaction(sig, &sa, nullptr);
}

} // namespace velk
