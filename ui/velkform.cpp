#include "ui/velkform.h"

#include <QApplication>
#include <QCloseEvent>
#include <QCursor>
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

namespace {

// An alarm's name, time text or action line as the editor shows it; also bytes that are not
// UTF-8 (a file from an 8-bit code page) are shown readably, as `velk --list` shows them.
QString shown(const std::string& bytes) {
    return QString::fromStdString(readabletext(bytes));
}

// The lines the action box holds when it shows action: the document starts a new line at
// these characters too, so a line holding one is shown as two.
QStringList memoshown(const std::vector<std::string>& action) {
    QStringList blocks{QString()};
    for (std::size_t i = 0; i < action.size(); ++i) {
        if (i > 0) blocks.append(QString());
        for (const QChar c : shown(action[i])) {
            if (c == QChar::ParagraphSeparator || c == QChar(0xFDD0) || c == QChar(0xFDD1))
                blocks.append(QString());
            else
                blocks.last() += c;
        }
    }
    return blocks;
}

} // namespace

bool TVELKForm::wantstray(const std::string& cmdline) {
    return (" " + cmdline + " ").find(" tray ") != std::string::npos;
}

bool TVELKForm::trayavailable() {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

bool TVELKForm::eventFilter(QObject* watched, QEvent* e) {
    if (e->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(e);
        const bool enter = key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter;
        if (enter && watched == cname_) {
            ctime_->setFocus(Qt::OtherFocusReason);
            return true;
        }
        if (enter && watched == ctime_) {
            meaction_->setFocus(Qt::OtherFocusReason);
            return true;
        }
        if (watched == lbevents_ && key->key() == Qt::Key_Delete) deleventClick();
        if (watched == lbevents_ && key->key() == Qt::Key_Insert) neweventClick();
    } else if ((e->type() == QEvent::MouseButtonPress ||
                e->type() == QEvent::MouseButtonDblClick) &&
               watched == lbevents_->viewport()) {
        // A click below the last row keeps the chosen alarm, as list boxes do; it does not
        // empty the editor.
        const QPoint at = static_cast<QMouseEvent*>(e)->position().toPoint();
        if (!lbevents_->indexAt(at).isValid()) {
            lbevents_->setFocus(Qt::MouseFocusReason);
            return true;
        }
    } else if (e->type() == QEvent::FocusOut && watched == ctime_) {
        const Qt::FocusReason why = static_cast<QFocusEvent*>(e)->reason();
        if (why != Qt::PopupFocusReason && why != Qt::ActiveWindowFocusReason) retype_.end();
    } else if (e->type() == QEvent::FocusOut && watched == meaction_) {
        if (static_cast<QFocusEvent*>(e)->reason() != Qt::PopupFocusReason) meactionExit();
    }
    return QWidget::eventFilter(watched, e);
}

// ---- the list ----

int TVELKForm::selectedrow() const {
    const QModelIndexList rows = lbevents_->selectionModel()->selectedIndexes();
    return rows.isEmpty() ? -1 : rows.first().row();
}

int TVELKForm::selectedalarm() {
    const int r = selectedrow();
    return r >= 0 && r < book_.evcount() ? book_.evorder(r) : -1;
}

int TVELKForm::rowof(const velk::event* e) const {
    return book_.rowof(e);
}

void TVELKForm::selectrow(int r) {
    listsync_ = true;
    QItemSelectionModel* sm = lbevents_->selectionModel();
    if (r >= 0 && r < model_->rowCount()) {
        const QModelIndex ix = model_->index(r);
        sm->setCurrentIndex(ix, QItemSelectionModel::ClearAndSelect);
        lbevents_->scrollTo(ix);
    } else {
        sm->clearSelection();
        sm->setCurrentIndex(QModelIndex(), QItemSelectionModel::NoUpdate);
    }
    listsync_ = false;
}

void TVELKForm::snoozeschanged() {
    snooze_->changed();
}

void TVELKForm::refreshlist(int sel) {
    session_.changed();
    book_.sortbook();
    snooze_->changed();
    model_->refresh();
    updatetraytip();
    if (sel == keepcurrent)
        selectrow(rowof(cur_));
    else
        showevent(sel);
    // Whatever changed the book or ran an alarm passes here.
    wake_->rearm();
}

void TVELKForm::lbeventsClick() {
    const int r = selectedrow();
    showevent(r >= 0 && r < book_.evcount() ? book_.evorder(r) : -1);
}

// ---- the editor ----

void TVELKForm::settext(QLineEdit* edit, const std::string& text) {
    const QString q = shown(text);
    if (edit->text() != q) edit->setText(q);
}

void TVELKForm::setlabel(QLabel* label, const QString& text) {
    if (label->text() != text) label->setText(text);
}

QStringList TVELKForm::memoblocks() const {
    // The document's own lines: toPlainText would turn no-break spaces into blanks.
    QStringList blocks;
    for (QTextBlock b = meaction_->document()->begin(); b.isValid(); b = b.next())
        blocks.append(b.text());
    return blocks;
}

bool TVELKForm::memoshows(const std::vector<std::string>& action) const {
    QStringList blocks = memoblocks();
    const QStringList lines = memoshown(action);
    if (blocks == lines) return true;
    // A line break typed at the very end starts no action line yet; it stays, with the caret
    // after it, so that the next line goes there.
    if (blocks.size() < 2 || !blocks.last().isEmpty()) return false;
    blocks.removeLast();
    return blocks == lines;
}

std::vector<std::string> TVELKForm::memolines(const std::vector<std::string>& before) const {
    QStringList blocks = memoblocks();
    // A line break at the very end ends the last line; it starts no empty one.
    if (!blocks.isEmpty() && blocks.last().isEmpty()) blocks.removeLast();
    std::vector<std::string> lines;
    lines.reserve(static_cast<std::size_t>(blocks.size()));
    for (const QString& b : blocks) {
        const std::size_t i = lines.size();
        // A line left as it was keeps its bytes.
        if (i < before.size() && b == shown(before[i]))
            lines.push_back(before[i]);
        else
            lines.push_back(b.toStdString());
    }
    return lines;
}

bool TVELKForm::refusefull() {
    // Said once per attempt: typing goes on committing on every key and every tick.
    if (!fullrefused_) {
        fullrefused_ = true;
        thedesktop().showmessage(std::string(bookfullmessage));
    }
    return false;
}

bool TVELKForm::commitedits(bool show) {
    const int wrote = writeedits(show);
    if (wrote != written) return wrote != nothing;
    refreshlist(keepcurrent);
    lbevents_->viewport()->update();
    return true;
}

int TVELKForm::writeedits(bool show) {
    if (!cur_) {
        if (cname_->text().isEmpty() && ctime_->text().isEmpty() && memolines({}).empty())
            return nothing;
        if (book_.full()) return refusefull(), nothing;
        cur_ = &book_.append(std::make_unique<velk::event>());
    } else if (cname_->text() == shown(cur_->name) && ctime_->text() == shown(cur_->time) &&
               memoblocks() == memoshown(cur_->action)) {
        // Committed already (a list refresh after a keystroke commits again): nothing to
        // parse, show or sort anew.
        return unchanged;
    }
    // A field the user did not edit keeps its bytes: those that are not UTF-8 are shown
    // readably, and writing back what is shown would change them for good.
    if (cname_->text() != shown(cur_->name)) cur_->name = cname_->text().toStdString();
    if (ctime_->text() != shown(cur_->time)) cur_->time = ctime_->text().toStdString();
    if (memoblocks() != memoshown(cur_->action)) cur_->action = memolines(cur_->action);
    if (cur_->active) {
        std::string why;
        if (!cur_->activate(&why)) {
            if (show) thedesktop().showmessage(why);
            notes_->switchedoff(cur_);
        }
    } else {
        cur_->recompute();
    }
    fillfields(*cur_);
    return written;
}

void TVELKForm::fillfields(velk::event& alarm) {
    editlive_ = false;
    settext(cname_, alarm.name);
    settext(ctime_, alarm.time);
    ctime_->setToolTip(qs(timereading(alarm)));
    if (!memoshows(alarm.action)) {
        QString text;
        for (std::size_t i = 0; i < alarm.action.size(); ++i) {
            if (i > 0) text += QLatin1Char('\n');
            text += shown(alarm.action[i]);
        }
        const int pos = meaction_->textCursor().position();
        meaction_->setPlainText(text);
        QTextCursor c = meaction_->textCursor();
        c.setPosition(std::min(pos, static_cast<int>(meaction_->document()->characterCount()) - 1));
        meaction_->setTextCursor(c);
    }
    setlabel(lcreated_, qs(displaytime(alarm.created)));
    setlabel(llast_, qs(displaytime(alarm.last)));
    setlabel(lnext_, qs(displaytime(alarm.next)));
    snooze_->show(&alarm);
    const QString state = alarm.active ? QStringLiteral("&Active") : QStringLiteral("In&active");
    if (bactive_->text() != state) {
        bactive_->setText(state);
        bactive_->setIcon(alarm.active ? bellglyph_ : QIcon());
    }
    notes_->show(&alarm);
    editlive_ = true;
}

void TVELKForm::clearfields() {
    retype_.end();
    editlive_ = false;
    fullrefused_ = false;
    if (!cname_->text().isEmpty()) cname_->clear();
    if (!ctime_->text().isEmpty()) ctime_->clear();
    ctime_->setToolTip({});
    if (!meaction_->document()->isEmpty()) meaction_->clear();
    const QString none = QStringLiteral("-");
    for (QLabel* l : {lcreated_, llast_, lnext_})
        setlabel(l, none);
    snooze_->show(nullptr);
    // Every idle tick clears an empty editor again: only a real change touches the button.
    if (bactive_->text() != none) {
        bactive_->setText(none);
        bactive_->setIcon(QIcon());
    }
    notes_->show(nullptr);
    editlive_ = true;
}

void TVELKForm::showevent(int idx) {
    commitedits(true);
    if (idx >= 0 && idx < book_.evcount()) {
        if (cur_ != book_.evs(idx)) retype_.end();
        cur_ = book_.evs(idx);
        fillfields(*cur_);
    } else {
        cur_ = nullptr;
        clearfields();
    }
    selectrow(rowof(cur_));
}

void TVELKForm::editchanged() {
    const int idx = selectedalarm();
    if (!editlive_) return;
    // The refresh below re-sorts the list once for the keystroke.
    if (writeedits(false) == nothing) return;
    refreshlist(idx >= 0 ? idx : book_.evcount() - 1);
}

void TVELKForm::meactionExit() {
    editchanged();
}

void TVELKForm::ctimeChange() {
    const bool typed = editlive_, wason = cur_ && cur_->active;
    editchanged();
    // Back on after a retyped text parsed again: offered when due, as the Active button does.
    if (typed && retype_.typed(cur_, wason)) {
        fillfields(*cur_);
        refreshlist(keepcurrent);
        later([this, alarm = cur_] { session_.offerdue(alarm); });
    }
}

void TVELKForm::clearfocus() {
    if (QWidget* f = focusWidget()) f->clearFocus();
}

// ---- commands from the command line ----

control::reply TVELKForm::runcommand(const std::vector<std::string>& args) {
    return session_.runcommand(args);
}

// ---- buttons ----

void TVELKForm::settonowClick() {
    if (commitedits(true)) {
        std::string why;
        cur_->startnow(&why);
        if (!why.empty()) thedesktop().showmessage(why);
        fillfields(*cur_);
        refreshlist(book_.indexof(cur_));
    }
    ttTimer();
    clearfocus();
}

void TVELKForm::bactiveClick() {
    // The button decides from here on, not the typing.
    retype_.end();
    if (!commitedits(true)) {
        // Nothing to switch: the name field is where a new alarm begins.
        cname_->setFocus(Qt::OtherFocusReason);
        return;
    }
    std::string why;
    const bool ok = cur_->toggle(&why);
    if (!ok) thedesktop().showmessage(why);
    fillfields(*cur_);
    refreshlist(book_.indexof(cur_));
    if (cur_ && sched_.fireifdue(*cur_, true, true)) refreshlist(book_.indexof(cur_));
    if (ok)
        clearfocus();
    else
        ctime_->setFocus(Qt::OtherFocusReason);
}

void TVELKForm::dupleventClick() {
    if (commitedits(true)) {
        if (book_.full()) {
            thedesktop().showmessage(std::string(bookfullmessage));
        } else {
            book_.append(std::make_unique<velk::event>(velk::event::duplicate_t{}, *cur_));
            refreshlist(book_.evcount() - 1);
        }
    }
    clearfocus();
}

void TVELKForm::neweventClick() {
    selectrow(-1);
    showevent(-1);
    cname_->setFocus(Qt::OtherFocusReason);
}

void TVELKForm::deleventClick() {
    if (commitedits(true)) {
        int r = selectedrow();
        // With no row chosen there is nothing the user pointed at: delete nothing.
        if (r >= 0 && r < book_.evcount()) {
            book_.remove(book_.evorder(r));
            cur_ = nullptr;
            clearfields();
            refreshlist(shownone);
            if (r >= book_.evcount()) --r;
            if (r >= 0) {
                selectrow(r);
                lbeventsClick();
            }
        }
    }
    if (book_.evcount() > 0)
        lbevents_->setFocus(Qt::OtherFocusReason);
    else
        neweventClick();
}

void TVELKForm::testactionClick() {
    if (commitedits(true)) runaction(*cur_);
    meaction_->setFocus(Qt::OtherFocusReason);
}

// The insertion aids only edit the fields; ctime's textChanged and meaction's exit commit.
void TVELKForm::btemplClick() {
    choosetempl(mtempl_, btempl_, ctime_);
}

void TVELKForm::bspecialClick() {
    choosecommand(mspecials_, bspecial_, meaction_);
}

void TVELKForm::Button1Click() {
    choosefiles(*finder_, this, meaction_);
}

void TVELKForm::testtimeClick() {
    testtimecontext c;
    c.commitedits = [this](bool show) { return commitedits(show); };
    c.curevent = [this] { return cur_; };
    c.mainwindow = this;
    c.ctime = ctime_;
    testtimeclick(c);
}

} // namespace velk
