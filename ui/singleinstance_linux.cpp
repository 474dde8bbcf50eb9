#include <QSocketNotifier>
#include <QTimer>
#include <unistd.h>

#include "control/channelserver.h"
#include "ui/singleinstance.h"

namespace velk {

namespace {
// How long the window stops taking connections when not even a refusal had a file handle.
constexpr int starvedms = 200;
} // namespace

// Qt's own server closes and removes its socket for good when an accept fails (no file handle
// left): every later command would fail until a restart. This one refuses and goes on.
struct singleinstance::listener {
    control::channelserver server;
    std::unique_ptr<QSocketNotifier> waiting;
    QTimer resume;
};

singleinstance::singleinstance(const QString& datapath, QObject* parent)
    : QObject(parent), datapath_(datapath.toStdString()) {}

singleinstance::~singleinstance() {
    stoplistening();
    if (lock_) lock_->release();
}

void singleinstance::stoplistening() {
    listener_.reset();
}

bool singleinstance::listen() {
    auto l = std::make_unique<listener>();
    if (!l->server.listen(channel_)) return false;
    l->waiting = std::make_unique<QSocketNotifier>(l->server.handle(), QSocketNotifier::Read);
    QSocketNotifier* waiting = l->waiting.get();
    l->resume.setSingleShot(true);
    l->resume.setInterval(starvedms);
    connect(&l->resume, &QTimer::timeout, waiting, [waiting] { waiting->setEnabled(true); });
    connect(waiting, &QSocketNotifier::activated, this, [this] {
        control::channelserver& server = listener_->server;
        for (int fd; (fd = server.take()) >= 0;) {
            auto* socket = new QLocalSocket(this);
            if (!socket->setSocketDescriptor(fd)) {
                ::close(fd);
                server.done();
                delete socket;
                continue;
            }
            // The listener goes before the connections it took when the window closes.
            connect(socket, &QObject::destroyed, this, [this] {
                if (listener_) listener_->server.done();
            });
            serve(socket);
        }
        if (server.starved()) {
            listener_->waiting->setEnabled(false);
            listener_->resume.start();
        }
    });
    listener_ = std::move(l);
    return true;
}

} // namespace velk
