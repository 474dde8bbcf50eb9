#include "ui/singleinstance.h"

#include <QLocalSocket>
#include <QThread>
#include <QTimer>
#include <algorithm>

#include "control/dispatch.h"
#include "timespec/error.h"

namespace velk {

namespace {
// The word a starting window sends; no command of the command line has it.
const std::string showword = "--show";
// What a starting "velk tray" (an autostart entry) sends: the running window stays as it is.
const std::string trayword = "--tray";
constexpr int retryms = 50;
// A client that has not sent its whole request by then is dropped.
constexpr int requestms = 10000;
} // namespace

bool singleinstance::claim(bool showrunning, int waitms) {
    channel_ = control::channelname(datapath_);
    lock_ = std::make_unique<control::instancelock>(control::lockpath(datapath_));
    const std::int64_t deadline = control::steadyms() + waitms;
    while (!lock_->trylock()) {
        // Another window answers: it shows itself. Nobody answers: a command holds the lock
        // for a moment, or a window is still starting; try again until the wait runs out.
        control::reply answered;
        const auto left = std::max<std::int64_t>(0, deadline - control::steadyms());
        if (control::sendrequest(
                channel_,
                control::request{{showrunning ? showword : trayword}, control::steadyms()},
                static_cast<int>(left), answered) == control::sendresult::ok) {
            lock_.reset();
            return false;
        }
        if (control::steadyms() >= deadline) {
            lock_.reset();
            throw velkerror{"VELK is running for the alarm file '" + datapath_ +
                            "' but did not answer within " + std::to_string(waitms / 1000) +
                            " s, so this start ends here. Try again in a moment, or end the "
                            "running VELK first."};
        }
        QThread::msleep(retryms);
    }
    // Without a channel the window still runs its alarms; commands then say it did not answer.
    listen();
    return true;
}

control::reply singleinstance::answer(const control::request& req) {
    if (!req.args.empty() && req.args[0] == showword) {
        emit showrequested();
        return {};
    }
    if (!req.args.empty() && req.args[0] == trayword) return {};
    // The command gave up on this one already and told its user nothing was changed. No command
    // sends a request stamped later than now: that one is refused too, not kept for later.
    const std::int64_t now = control::steadyms();
    if (req.sentms > now || req.sentms < now - control::stalems)
        return {1, "", control::noanswer() + "\n"};
    if (!handler_) return {1, "", "VELK is starting; try again in a moment.\n"};
    return handler_(req.args);
}

void singleinstance::serve(QLocalSocket* socket) {
    connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
    QTimer::singleShot(requestms, socket, [socket] { socket->abort(); });
    auto reader = std::make_shared<control::framereader>();
    auto read = [this, socket, reader] {
        const QByteArray bytes = socket->readAll();
        if (reader->finished()) {
            if (!bytes.isEmpty()) socket->abort();
            return;
        }
        switch (reader->add(std::string_view(bytes.constData(), bytes.size()))) {
        case control::framereader::state::more:
            return;
        case control::framereader::state::refused:
            // Too large, or more than one message: nothing is read or done.
            socket->abort();
            return;
        case control::framereader::state::done:
            break;
        }
        const auto req = control::decoderequest(reader->payload());
        if (!req) {
            socket->abort();
            return;
        }
        std::string frame = control::encode(answer(*req));
        if (frame.empty())
            frame = control::encode(control::reply{1, "", "The answer would exceed 1 MB.\n"});
        socket->write(frame.data(), static_cast<qint64>(frame.size()));
        socket->disconnectFromServer();
    };
    connect(socket, &QLocalSocket::readyRead, this, read);
    if (socket->bytesAvailable() > 0) read();
}

} // namespace velk
