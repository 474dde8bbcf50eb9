#include "ui/filewatch.h"

#include <QApplication>
#include <QFileInfo>

#include "control/alarmsession.h"

namespace velk {

filewatch::filewatch(QObject* parent, alarmsession& session, const std::string& path)
    : QObject(parent), session_(session), path_(QString::fromStdString(path)) {
    settle_.setSingleShot(true);
    settle_.setInterval(settlems);
    connect(&settle_, &QTimer::timeout, this, &filewatch::check);
    const auto changed = [this] {
        watchfile();
        settle_.start(settlems);
    };
    connect(&watcher_, &QFileSystemWatcher::fileChanged, this, changed);
    connect(&watcher_, &QFileSystemWatcher::directoryChanged, this, changed);
    watcher_.addPath(QFileInfo(path_).absolutePath());
    watchfile();
}

void filewatch::watchfile() {
    // A replaced file is a new one: its watch went with the old.
    if (QFileInfo::exists(path_) && !watcher_.files().contains(path_)) watcher_.addPath(path_);
}

void filewatch::check() {
    if (!session_.filechanged()) settle_.start(retryms);
}

} // namespace velk
