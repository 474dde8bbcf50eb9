#include <QLocalServer>

#include "ui/singleinstance.h"

namespace velk {

struct singleinstance::listener {
    QLocalServer server;
    int serving = 0;
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
    QLocalServer& server = l->server;
    // Only this user may connect.
    server.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&server, &QLocalServer::newConnection, this, [this] {
        while (QLocalSocket* socket = listener_->server.nextPendingConnection()) {
            socket->setParent(this);
            if (listener_->serving >= control::maxconnections) {
                socket->abort();
                socket->deleteLater();
                continue;
            }
            ++listener_->serving;
            connect(socket, &QObject::destroyed, this, [this] {
                if (listener_) --listener_->serving;
            });
            serve(socket);
        }
    });
    if (!server.listen(channel())) return false;
    listener_ = std::move(l);
    return true;
}

} // namespace velk
