#include "ui/velkform.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMouseEvent>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSystemTrayIcon>
#include <QTextBlock>
#include <QTextCursor>
#include <functional>
#include <limits>

#include "alarms/datapath.h"
#include "alarms/desktop.h"
#include "alarms/displaytime.h"
#include "control/commands.h"
#include "control/dispatch.h"
#include "execution/script.h"
#include "execution/session.h"
#include "timespec/clock.h"
#include "timespec/error.h"
#include "ui/alarmlist.h"
#include "ui/editornotes.h"
#include "ui/filefinder.h"
#include "ui/filewatch.h"
#include "ui/icons.h"
#include "ui/messagedialog.h"
#include "ui/minutewake.h"
#include "ui/snoozeview.h"
#include "ui/specialsmenu.h"
#include "ui/templmenu.h"
#include "ui/traytip.h"
#include "ui/traywatch.h"
#include "ui/velkform2.h"
#include "ui/velkformdesign.h"

namespace velk {

using namespace design;

// ---- start-up and shutdown ----

void TVELKForm::FormCreate() {
    trayicon_->setIcon(windowIcon());
    if (trayavailable()) trayicon_->show();
    sched_.basecaption = windowTitle().toStdString();
    icons::invertbell(imbell_, imbellinv_, lbevents_->palette().color(QPalette::Highlight));
    centre();
    if (!wantstray(cmdline_))
        trayiconClick();
    else if (!trayavailable())
        // Without a tray a hidden window could never be brought back: start on the task bar.
        showMinimized();
    if (!loadbook()) return;
    clearfields();
    setinterval(scheduler::idleinterval);
    ttTimer();
}

bool TVELKForm::loadbook() {
    try {
        file_.load(book_);
        snooze_->load();
        refreshlist(shownone);
    } catch (const velkerror& e) {
        model_->refresh();
        // The first save moves the damaged file out of the way: say where it goes.
        std::string text = e.text;
        const std::string aside = file_.nextasidepath();
        if (file_.damaged() && !aside.empty() && datafile::exists(datapath_))
            text += "\r\nThe damaged file will be kept as '" + aside + "'.";
        if (!file_.detail().empty()) thedesktop().showmessage(file_.detail());
        thedesktop().showmessage(text);
        return false;
    }
    return true;
}

void TVELKForm::closeEvent(QCloseEvent* e) {
    if (session_.closed()) return e->accept();
    // One question at a time: a second request while it is open is that same request.
    if (exitasking_) return e->ignore();
    if (!sessionending()) {
        // The question only when the user sees the window; from the tray it closes at once.
        if (isVisible() && !isMinimized()) {
            exitasking_ = true;
            const bool yes = thedesktop().askyesno("Exit [VELK]?");
            exitasking_ = false;
            if (!yes && !sessionending()) return e->ignore();
        }
        // Saved now, while the user can still choose to stay when that fails.
        if (!sessionending()) {
            commitedits(true);
            if (!saveevents(true)) return e->ignore();
        }
    }
    endsession();
    if (session_.closed())
        e->accept();
    else
        e->ignore();
}

bool TVELKForm::modalopen() {
    return messagedialog::opencount() > 0 || QApplication::activeModalWidget() != nullptr;
}

void TVELKForm::forget() {
    cur_ = nullptr;
    clearfields();
}

void TVELKForm::later(std::function<void()> f) {
    QTimer::singleShot(0, this, std::move(f));
}

void TVELKForm::warn(const std::string& text) {
    warnsave(text);
}

void TVELKForm::reload() {
    reloadfile();
}

void TVELKForm::reloadfile() {
    // The editor keeps its alarm where it is still in the file: known by name and start.
    const bool had = cur_ != nullptr;
    const std::string name = had ? cur_->name : "";
    const datetime created = had ? cur_->created : 0;
    // An empty or damaged file would leave the window's Alarms nowhere.
    std::string kept;
    try {
        kept = file_.keepownbeforeload(book_);
    } catch (const velkerror& e) {
        // Not taken then: the window keeps its Alarms, and the next look tries again.
        later([this, text = e.text] { warnsave(text); });
        return;
    }
    if (!kept.empty()) later([this, kept] { warnsave(keptownmessage(datapath_, kept)); });
    forget();
    if (!loadbook()) return;
    int keep = -1;
    for (const int i : book_.named(name))
        if (had && book_.evs(i)->created == created) keep = i;
    if (keep >= 0) showevent(keep);
    // Runs missed while the file was elsewhere are put to the user as at start; after the
    // answer of a command that took the file first.
    QTimer::singleShot(0, this, &TVELKForm::ttTimer);
}

void TVELKForm::endsession() {
    velk::endsession();
    tt_.stop();
    saveevs_.stop();
    savesoon_.stop();
    traywatch_.stop();
    traymenu_->hide();
    messagedialog::closeall();
    emit ending();
    // A running pass or script still refers to its alarm: the book goes only after it is done.
    if (!session_.nested()) finish();
}

void TVELKForm::finish() {
    if (session_.closed()) return;
    session_.close();
    tt_.stop();
    saveevs_.stop();
    savesoon_.stop();
    traywatch_.stop();
    commitedits(false);
    try {
        session_.writefile(true, true);
    } catch (const velkerror&) {
        // The session is over; there is nobody left to ask. A user's Exit saved before.
    }
    cur_ = nullptr;
    book_.clear();
    model_->refresh();
    trayicon_->hide();
    hide();
    wake_->timer().disarm();
    emit closed();
}

void TVELKForm::emergencysave() {
    if (session_.closed()) return;
    editchanged();
    try {
        session_.writefile(false, true);
    } catch (const velkerror&) {
        // The session is ending; there is nobody left to tell.
    }
}

bool TVELKForm::saveevents(bool atexit) {
    try {
        session_.writefile(false, atexit);
        return true;
    } catch (const velkerror& e) {
        if (atexit)
            return thedesktop().askyesno(
                e.text + "\r\n\r\nExit anyway? The changes since the last save would be lost.");
        warnsave(e.text);
        return false;
    }
}

void TVELKForm::saveevsTimer() {
    saveevents(false);
}

bool TVELKForm::onlysavewarning() {
    if (!savewarning_ || messagedialog::opencount() != 1) return false;
    int modal = 0;
    for (const QWidget* w : QApplication::topLevelWidgets())
        modal += w->isVisible() && w->isModal();
    return modal == 1;
}

void TVELKForm::armsave() {
    // Started, never restarted: steady typing still saves every couple of seconds.
    if (!savesoon_.isActive()) savesoon_.start();
}

void TVELKForm::savesoonTimer() {
    session_.savesoon();
}

void TVELKForm::warnsave(const std::string& text) {
    // One warning at a time: saves go on while the first one is still unread.
    if (savewarning_) return;
    savewarning_ = true;
    thedesktop().showmessage(text);
    savewarning_ = false;
}

void TVELKForm::ttTimer() {
    // A tray that appears after start-up (the panel restarted) is used from then on.
    if (!session_.closed() && !trayicon_->isVisible() && trayavailable()) trayicon_->show();
    sched_.tttimer();
    // The countdown moves on between changes of the list.
    updatetraytip();
}

void TVELKForm::updatetraytip() {
    const QString tip = qs(traytip(book_, now(), designcaption, &snooze_->store()));
    if (trayicon_->toolTip() != tip) trayicon_->setToolTip(tip);
}

void TVELKForm::traywatchTimer() {
    // The panel went away while the window hid in it: the task bar is the way back now.
    if (!session_.closed() && !isVisible() && trayicon_->isVisible() && !trayavailable()) {
        trayicon_->hide();
        showMinimized();
    }
}

void TVELKForm::setcaption(const std::string& caption) {
    const QString text = qs(caption);
    if (windowTitle() != text) setWindowTitle(text);
}

void TVELKForm::setinterval(int ms) {
    // Setting the interval restarts the timer, as the tick expects.
    tt_.setInterval(ms);
}

} // namespace velk
