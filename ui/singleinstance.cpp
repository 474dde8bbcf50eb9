#include "ui/singleinstance.h"

#include <QLocalSocket>
#include <QThread>
#include <QTimer>

#include "control/dispatch.h"

namespace velk {

namespace {
// The word a starting window sends; no command of the command line has it.
const std::string showword = "--show";
// What a starting "velk tray" (an autostart entry) sends: the running window stays as it is.
const std::string trayword = "--tray";
constexpr int connectms = 1000;
constexpr int retryms = 50;
// A client that has not sent its whole request by then is dropped.
constexpr int requestms = 10000;
} // namespace

singleinstance::singleinstance(const QString& datapath, QObject* parent)
    : QObject(parent), datapath_(datapath.toStdString()) {
    connect(&server_, &QLocalServer::newConnection, this, &singleinstance::onconnection);
}

singleinstance::~singleinstance() {
    server_.close();
    if (lock_) lock_->release();
}

bool singleinstance::claim(bool showrunning) {
    channel_ = control::channelname(datapath_);
    lock_ = std::make_unique<control::instancelock>(control::lockpath(datapath_));
    const std::int64_t deadline = control::steadyms() + control::answerms;
    while (!lock_->trylock()) {
        // Another window answers: it shows itself. Nobody answers: a command holds the lock
        // for a moment, or a window is still starting; try again until the wait runs out.
        if (control::postrequest(
                channel_,
                control::request{{showrunning ? showword : trayword}, control::steadyms()},
                connectms) == control::sendresult::ok ||
            control::steadyms() >= deadline) {
            lock_.reset();
            return false;
        }
        QThread::msleep(retryms);
    }
    // A socket left by a crashed instance would keep listen() from working.
    QLocalServer::removeServer(channel());
    // Only this user may connect; the folder the socket lies in is private too.
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    server_.listen(channel());
    return true;
}

control::reply singleinstance::answer(const control::request& req) {
    if (!req.args.empty() && req.args[0] == showword) {
        emit showrequested();
        return {};
    }
    if (!req.args.empty() && req.args[0] == trayword) return {};
    // The command gave up on this one already and told its user nothing was changed.
    if (control::steadyms() - req.sentms > control::stalems)
        return {1, "", control::noanswer() + "\n"};
    if (!handler_) return {1, "", "VELK is starting; try again in a moment.\n"};
    return handler_(req.args);
}

void singleinstance::onconnection() {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
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
}

} // namespace velk
