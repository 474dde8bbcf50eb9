#include "ui/opener.h"

#include <cerrno>
#include <csignal>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>

#include <QDesktopServices>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QThread>

#include "execution/session.h"

extern char** environ;

namespace velk {

namespace {

constexpr int pollms = 10;

// In a sandbox Qt asks the desktop portal, whose answer is the verdict itself; elsewhere it
// starts the opener and tells only whether it started.
bool sandboxed() {
    return QFileInfo::exists(QStringLiteral("/.flatpak-info")) || qEnvironmentVariableIsSet("SNAP");
}

// Starts the opener in a session of its own, so that what it opens outlives the program; -1 when
// it cannot start.
pid_t startopener(const QByteArray& opener, const QByteArray& target) {
    posix_spawnattr_t attr;
    if (posix_spawnattr_init(&attr) != 0) return -1;
    sigset_t none, all;
    sigemptyset(&none);
    sigfillset(&all);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setsigdefault(&attr, &all);
    posix_spawnattr_setflags(&attr,
                             POSIX_SPAWN_SETSID | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
    char* argv[] = {const_cast<char*>(opener.constData()), const_cast<char*>(target.constData()),
                    nullptr};
    pid_t pid = -1;
    if (posix_spawn(&pid, opener.constData(), nullptr, &attr, argv, environ) != 0) pid = -1;
    posix_spawnattr_destroy(&attr);
    return pid;
}

// An opener left at work is waited for in the background, so that it leaves no zombie behind.
void reaplater(pid_t pid) {
    std::thread([pid] {
        while (waitpid(pid, nullptr, 0) < 0 && errno == EINTR) {
        }
    }).detach();
}

} // namespace

bool openwithdesktop(const QUrl& url, int waitms) {
    const QString opener = QStandardPaths::findExecutable(QStringLiteral("xdg-open"));
    if (sandboxed() || opener.isEmpty()) return QDesktopServices::openUrl(url);
    // A local file as its path: openers read it more surely than a file: address.
    const QByteArray target =
        url.isLocalFile() ? QFile::encodeName(url.toLocalFile()) : url.toEncoded();
    const pid_t pid = startopener(QFile::encodeName(opener), target);
    if (pid < 0) return false;
    QElapsedTimer clock;
    clock.start();
    for (;;) {
        int status = 0;
        const pid_t done = waitpid(pid, &status, WNOHANG);
        if (done == pid) return WIFEXITED(status) && WEXITSTATUS(status) == 0;
        if (done < 0 && errno != EINTR) return true;
        if (clock.elapsed() >= waitms || sessionending()) break;
        QThread::msleep(pollms);
    }
    reaplater(pid);
    return true;
}

} // namespace velk
