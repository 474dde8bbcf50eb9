#include "ui/filewatch.h"

#include <QApplication>
#include <QFileInfo>

#include "alarms/desktop.h"
#include "control/dispatch.h"
#include "execution/script.h"
#include "timespec/error.h"
#include "ui/messagedialog.h"
#include "ui/velkform.h"

namespace velk {

filewatch::filewatch(TVELKForm& form, const std::string& path)
    : QObject(&form), form_(form), path_(QString::fromStdString(path)) {
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
    if (form_.isclosed()) return;
    // The book must stay while a pass or a dialog refers to its alarms.
    if (!form_.bookfree()) return settle_.start(retryms);
    if (!form_.file().changedoutside()) return;
    // Typing not yet in the book is a change of the window's own too. Such a change is saved
    // soon, and that save settles it (beforesave).
    form_.commitedits(false);
    if (!form_.file().changedinside(form_.alarms())) form_.reloadfile();
}

bool filewatch::beforesave(bool closing, std::string& kept) {
    kept.clear();
    alarmfile& file = form_.file();
    if (!file.changedoutside()) return true;
    if (!file.changedinside(form_.alarms())) {
        if (!closing) check();
        return false;
    }
    kept = file.keepexternal();
    return true;
}

std::string filewatch::beforecommand() {
    alarmfile& file = form_.file();
    if (!file.changedoutside() || file.changedinside(form_.alarms())) return "";
    // A damaged or unsafe file is not loaded inside a command (its messages would hold the
    // answer): the command's save keeps it aside, as before.
    if (!control::loadproblem(file.path()).empty()) return "";
    // A fresh edit and nothing of the window's own: the command changes the edited file.
    if (form_.bookfree()) {
        form_.reloadfile();
        return "";
    }
    // Taken when the dialog is answered; changed now, both sides would have changes.
    return "The alarm file '" + file.path() +
           "' was changed outside VELK while a dialog of VELK is open; answer the dialog and try "
           "again. Nothing was changed.";
}

// ---- the window's side: every save and the loading again ----

bool TVELKForm::bookfree() const {
    if (!nested()) return true;
    // A warning about a save that nobody answers must not make every later edit a conflict.
    if (!savewarning_ || messagedialog::opencount() != 1 || sched_.inconfirm || indialog)
        return false;
    int modal = 0;
    for (const QWidget* w : QApplication::topLevelWidgets())
        modal += w->isVisible() && w->isModal();
    for (int i = 0; i < book_.evcount; ++i)
        if (book_.evs[i]->busy) return false;
    return modal == 1;
}

bool TVELKForm::writefile(bool onlychanged, bool closing) {
    std::string kept;
    if (!watch_->beforesave(closing, kept)) return false;
    if (onlychanged)
        file_.savechanged(book_);
    else
        file_.save(book_);
    // Put in the file's place by another program after the look above.
    if (kept.empty()) kept = file_.keptbysave();
    // Told also at exit; once the session ends no dialog opens any more.
    if (!kept.empty()) warnsave(keptmessage(datapath_, kept));
    return true;
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
        QTimer::singleShot(0, this, [this, text = e.text] { warnsave(text); });
        return;
    }
    if (!kept.empty())
        QTimer::singleShot(0, this, [this, kept] { warnsave(keptownmessage(datapath_, kept)); });
    cur_ = nullptr;
    clearfields();
    if (!loadbook()) return;
    int keep = -1;
    for (int i = 0; had && i < book_.evcount; ++i)
        if (book_.evs[i]->name == name && book_.evs[i]->created == created) keep = i;
    if (keep >= 0) showevent(keep);
    // Runs missed while the file was elsewhere are put to the user as at start; after the
    // answer of a command that took the file first.
    QTimer::singleShot(0, this, &TVELKForm::ttTimer);
}

} // namespace velk
