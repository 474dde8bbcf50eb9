#include "ui/singleinstance.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFileInfo>
#include <QLocalSocket>
#include <QStandardPaths>
#include <QThread>

namespace velk {

namespace {
const QByteArray showmessage = "show\n";
const QByteArray shownreply = "shown\n";
constexpr int connectms = 1000;
} // namespace

singleinstance::singleinstance(const QString& datapath, QObject* parent)
    : QObject(parent), key_(keyfor(datapath)) {
    connect(&server_, &QLocalServer::newConnection, this, &singleinstance::onconnection);
}

singleinstance::~singleinstance() {
    server_.close();
    if (lock_) lock_->unlock();
}

QString singleinstance::keyfor(const QString& datapath) {
    const QString path = QFileInfo(datapath).absoluteFilePath();
    const QByteArray hash = QCryptographicHash::hash(path.toUtf8(), QCryptographicHash::Sha1);
    return QStringLiteral("velk-") + QString::fromLatin1(hash.toHex().left(20));
}

bool singleinstance::claim() {
    QString dir = QDir::tempPath();
    if (qEnvironmentVariableIsSet("XDG_RUNTIME_DIR")) {
        const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
        if (!runtime.isEmpty() && QDir(runtime).exists()) dir = runtime;
    }
    lock_ = std::make_unique<QLockFile>(dir + QLatin1Char('/') + key_ + QStringLiteral(".lock"));
    // A lock left by a crashed instance is stale and taken over by tryLock.
    lock_->setStaleLockTime(0);
    if (!lock_->tryLock(0)) {
        // The holder may still be starting: give it a moment to listen.
        for (int i = 0; i < 20; ++i) {
            if (tellrunning()) break;
            QThread::msleep(100);
        }
        lock_.reset();
        return false;
    }
    // A socket left by a crashed instance would keep listen() from working.
    QLocalServer::removeServer(key_);
    server_.setSocketOptions(QLocalServer::UserAccessOption);
    server_.listen(key_);
    return true;
}

bool singleinstance::tellrunning() {
    QLocalSocket socket;
    socket.connectToServer(key_);
    if (!socket.waitForConnected(connectms)) return false;
    socket.write(showmessage);
    socket.waitForBytesWritten(connectms);
    // Closing at once could lose the request: a pipe closed before the running instance took the
    // connection drops what was written into it (seen under Wine). Its reply says it has read it.
    while (!socket.canReadLine() && socket.waitForReadyRead(connectms)) {
    }
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState) socket.waitForDisconnected(connectms);
    return true;
}

void singleinstance::onconnection() {
    while (QLocalSocket* socket = server_.nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        auto read = [this, socket] {
            if (!socket->readAll().contains("show")) return;
            socket->write(shownreply);
            emit showrequested();
        };
        connect(socket, &QLocalSocket::readyRead, this, read);
        if (socket->bytesAvailable() > 0) read();
    }
}

} // namespace velk
