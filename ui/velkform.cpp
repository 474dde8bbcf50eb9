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

namespace velk {

namespace {

constexpr int clientwidth = 523;
constexpr int clientheight = 555;
constexpr int panelheight = 227;
constexpr int designinterval = 30000;
constexpr int startinterval = 20000;
constexpr int autosaveinterval = 300000;
// How soon a window hidden in the tray comes to the task bar when the tray goes away, where the
// desktop does not say so itself.
constexpr int traywatchms = 1000;
// Qt learns of a tray's end from the same server a moment later than the announcement may come.
constexpr int traysettlems = 300;
const char* const designcaption = "[Orlimbo]";
const char* const designtime = "0000-00-00 00:00 mon";

// A one-line edit that keeps its caret when entered with Tab instead of selecting everything.
class plainedit : public QLineEdit {
  public:
    explicit plainedit(QWidget* parent) : QLineEdit(parent) {
        // The default limit would cut a long name or time text from the file on display.
        setMaxLength(std::numeric_limits<int>::max());
    }

  protected:
    void focusInEvent(QFocusEvent* e) override {
        const int pos = cursorPosition();
        const bool hadselection = hasSelectedText();
        QLineEdit::focusInEvent(e);
        if (!hadselection && hasSelectedText()) setCursorPosition(pos);
    }
};

QString qs(const std::string& s) {
    return QString::fromStdString(s);
}

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

// Key preview: Escape in any control of the window is seen before the control gets it.
class escapefilter : public QObject {
  public:
    escapefilter(QWidget* window, std::function<void()> onescape)
        : QObject(window), window_(window), onescape_(std::move(onescape)) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* e) override {
        if (e->type() != QEvent::KeyPress) return false;
        const auto* key = static_cast<QKeyEvent*>(e);
        const auto* w = qobject_cast<QWidget*>(watched);
        if (key->key() != Qt::Key_Escape || key->modifiers() != Qt::NoModifier || !w ||
            w->window() != window_)
            return false;
        onescape_();
        return true;
    }

  private:
    QWidget* window_;
    std::function<void()> onescape_;
};

} // namespace

TVELKForm::TVELKForm(std::string datapath, std::string cmdline, QWidget* parent)
    : QWidget(parent), datapath_(std::move(datapath)), cmdline_(std::move(cmdline)),
      exedir_(velk::exedir()), file_(datapath_), sched_(book_, *this), imbell_(icons::imbell()) {

    setObjectName(QStringLiteral("VELKForm"));
    setWindowTitle(QString::fromLatin1(designcaption));
    setWindowIcon(icons::appicon());
    setFont(windowfont());
    setFixedSize(clientwidth, clientheight);
    setAutoFillBackground(true);
    setBackgroundRole(QPalette::Button);

    // The Active button shows the list's own bell.
    bellglyph_ = QIcon(QPixmap::fromImage(imbell_));
    buildpanel();
    buildlist();
    // Put-off runs: the tick runs them, the list and the tray name them.
    snooze_ = new snoozeview(datapath_, book_, lnext_);
    connect(snooze_, &snoozeview::cancelled, this, [this] {
        refreshlist(keepcurrent);
        if (cur_) fillfields(*cur_);
    });
    sched_.putoff = &snooze_->store();
    delegate_->putoff = &snooze_->store();
    buildtray();
    settaborder();
    qApp->installEventFilter(new escapefilter(this, [this] { minimizeapp(); }));

    tt_.setObjectName(QStringLiteral("tt"));
    tt_.setInterval(designinterval);
    connect(&tt_, &QTimer::timeout, this, &TVELKForm::ttTimer);
    tt_.start();
    saveevs_.setObjectName(QStringLiteral("saveevs"));
    saveevs_.setInterval(autosaveinterval);
    connect(&saveevs_, &QTimer::timeout, this, &TVELKForm::saveevsTimer);
    saveevs_.start();
    savesoon_.setObjectName(QStringLiteral("savesoon"));
    savesoon_.setSingleShot(true);
    savesoon_.setInterval(savesoonms);
    connect(&savesoon_, &QTimer::timeout, this, &TVELKForm::savesoonTimer);
    traywatch_.setObjectName(QStringLiteral("traywatch"));
    traywatch_.setInterval(traywatchms);
    connect(&traywatch_, &QTimer::timeout, this, &TVELKForm::traywatchTimer);
    auto* tray = new traywatch(this);
    connect(tray, &traywatch::changed, this,
            [this] { QTimer::singleShot(traysettlems, this, &TVELKForm::traywatchTimer); });
    if (!tray->watching()) traywatch_.start();
    wake_ = new minutewake(this, book_, [this] { ttTimer(); });
    wake_->putoff = wake_->alarm().putoff = &snooze_->store();
    wake_->alarm().additem(traymenu_);
    watch_ = new filewatch(*this, datapath_);
}

TVELKForm::~TVELKForm() {
    // Focus moving away from the action box while the widgets go would commit into a book
    // that is being destroyed.
    meaction_->removeEventFilter(this);
    // Nor may the window's last hiding re-arm the wake from that book.
    removeEventFilter(wake_);
    // The model and the delegate read the book while Qt tears the widgets down.
    delete lbevents_;
    lbevents_ = nullptr;
    trayicon_->setContextMenu(nullptr);
    delete traymenu_;
}

QFont TVELKForm::windowfont() {
    QFont f;
    if (QFontDatabase::families().contains(QStringLiteral("Tahoma")))
        f = QFont(QStringLiteral("Tahoma"));
    else
        f = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    f.setPointSize(8);
    return f;
}

bool TVELKForm::wantstray(const std::string& cmdline) {
    return (" " + cmdline + " ").find(" tray ") != std::string::npos;
}

bool TVELKForm::trayavailable() {
    return QSystemTrayIcon::isSystemTrayAvailable();
}

// ---- building the window ----

void TVELKForm::buildpanel() {
    panel_ = new QWidget(this);
    panel_->setObjectName(QStringLiteral("panel"));
    panel_->setGeometry(0, 0, clientwidth, panelheight);

    auto label = [this](const char* name, const QString& text, int x, int y) {
        auto* l = new QLabel(text, panel_);
        l->setObjectName(QString::fromLatin1(name));
        l->move(x, y);
        l->adjustSize();
        return l;
    };
    auto button = [this](const char* name, const QString& text, QRect r) {
        auto* b = new QPushButton(text, panel_);
        b->setObjectName(QString::fromLatin1(name));
        b->setGeometry(r);
        b->setAutoDefault(false);
        return b;
    };

    label("Label2", QStringLiteral("Name:"), 8, 11);
    cname_ = new plainedit(panel_);
    cname_->setObjectName(QStringLiteral("cname"));
    cname_->setGeometry(63, 8, 451, 21);

    label("Label1", QStringLiteral("Time:"), 8, 38);
    ctime_ = new plainedit(panel_);
    ctime_->setObjectName(QStringLiteral("ctime"));
    ctime_->setGeometry(63, 35, 341, 21);
    btempl_ = button("btempl", QStringLiteral("+ Templ"), {410, 35, 49, 21});
    testtime_ = button("testtime", QStringLiteral("Test"), {465, 35, 49, 21});

    label("Label3", QStringLiteral("Action:"), 8, 65);
    meaction_ = new QPlainTextEdit(panel_);
    meaction_->setObjectName(QStringLiteral("meaction"));
    // One line less than it could be: the line under it holds the editor's notes.
    meaction_->setGeometry(63, 62, 451, 82);
    meaction_->setLineWrapMode(QPlainTextEdit::NoWrap);
    meaction_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    meaction_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    meaction_->setTabChangesFocus(true);
    button1_ = button("Button1", QStringLiteral("+ &File"), {8, 84, 49, 21});
    bspecial_ = button("bspecial", QStringLiteral("+ #cmd"), {8, 111, 49, 21});
    testaction_ = button("testaction", QStringLiteral("Test"), {8, 138, 49, 21});

    label("Label4", QStringLiteral("Start:"), 8, 170);
    label("Label5", QStringLiteral("Last:"), 8, 189);
    label("Label6", QStringLiteral("Next:"), 8, 208);
    lcreated_ = label("lcreated", QString::fromLatin1(designtime), 63, 170);
    llast_ = label("llast", QString::fromLatin1(designtime), 63, 189);
    lnext_ = label("lnext", QString::fromLatin1(designtime), 63, 208);

    auto* bevel = new QFrame(panel_);
    bevel->setObjectName(QStringLiteral("Bevel1"));
    bevel->setFrameShape(QFrame::VLine);
    bevel->setFrameShadow(QFrame::Sunken);
    bevel->setGeometry(194 + 10 - 2, 165, 2, 56);

    settonow_ = button("settonow", QStringLiteral("&Set to Now"), {210, 165, 97, 25});
    settonow_->setToolTip(QStringLiteral("Set Start time to Now"));
    settonow_->setIcon(icons::clock());
    bactive_ = button("bactive", QStringLiteral("-"), {210, 196, 97, 25});
    bactive_->setToolTip(QStringLiteral("Toggle Active"));
    QFont bold = bactive_->font();
    bold.setBold(true);
    bactive_->setFont(bold);
    duplevent_ = button("duplevent", QStringLiteral("&Duplicate"), {314, 165, 97, 25});
    duplevent_->setIcon(icons::copy());
    delevent_ = button("delevent", QStringLiteral("Delete"), {314, 196, 97, 25});
    delevent_->setIcon(icons::cross());
    newevent_ = button("newevent", QStringLiteral("&New"), {417, 165, 97, 56});
    newevent_->setIcon(icons::newalarm());
    for (QPushButton* b : {settonow_, duplevent_, delevent_, newevent_})
        b->setIconSize({16, 16});
    bactive_->setIconSize(imbell_.size());
    auto* note = new notelabel(panel_);
    note->setGeometry(63, 145, 451, 14);
    notes_ = std::make_unique<editornotes>(panel_, note);
    editornotes::nameforaccess(panel_);

    // Handlers stay thin: each runs the named step of the editor.
    connect(cname_, &QLineEdit::textChanged, this, [this] { editchanged(); });
    connect(ctime_, &QLineEdit::textChanged, this, [this] { ctimeChange(); });
    connect(settonow_, &QPushButton::clicked, this, &TVELKForm::settonowClick);
    connect(bactive_, &QPushButton::clicked, this, &TVELKForm::bactiveClick);
    connect(duplevent_, &QPushButton::clicked, this, &TVELKForm::dupleventClick);
    connect(delevent_, &QPushButton::clicked, this, &TVELKForm::deleventClick);
    connect(newevent_, &QPushButton::clicked, this, &TVELKForm::neweventClick);
    connect(testaction_, &QPushButton::clicked, this, &TVELKForm::testactionClick);
    mtempl_ = new templmenu(this);
    mspecials_ = new specialsmenu(this);
    finder_ = std::make_unique<filefinder>(qs(exedir_));
    // A QLineEdit drops its selection when a click takes the focus away; "+ Templ" must
    // replace that selection, so a click on it leaves the focus where it is.
    btempl_->setFocusPolicy(Qt::TabFocus);
    connect(btempl_, &QPushButton::clicked, this, &TVELKForm::btemplClick);
    connect(bspecial_, &QPushButton::clicked, this, &TVELKForm::bspecialClick);
    connect(button1_, &QPushButton::clicked, this, &TVELKForm::Button1Click);
    connect(testtime_, &QPushButton::clicked, this, &TVELKForm::testtimeClick);
    cname_->installEventFilter(this);
    ctime_->installEventFilter(this);
    meaction_->installEventFilter(this);
}

void TVELKForm::buildlist() {
    lbevents_ = new QListView(this);
    lbevents_->setObjectName(QStringLiteral("lbevents"));
    lbevents_->setGeometry(0, panelheight, clientwidth, clientheight - panelheight);
    lbevents_->setUniformItemSizes(true);
    lbevents_->setSelectionMode(QAbstractItemView::SingleSelection);
    lbevents_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    lbevents_->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    lbevents_->setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
    model_ = new alarmmodel(book_, lbevents_);
    delegate_ = new alarmdelegate(book_, imbell_, imbellinv_, lbevents_);
    lbevents_->setModel(model_);
    lbevents_->setItemDelegate(delegate_);
    lbevents_->setAccessibleName(QStringLiteral("Alarms"));
    lbevents_->setAccessibleDescription(
        QStringLiteral("Next time, countdown and name of each alarm"));
    model_->notes = delegate_->notes = notes_.get();
    // Every change of the selected row, by mouse or by keys, shows that row's alarm; rows
    // selected by the program itself do not.
    connect(lbevents_->selectionModel(), &QItemSelectionModel::selectionChanged, this, [this] {
        if (!listsync_) lbeventsClick();
    });
    lbevents_->installEventFilter(this);
    lbevents_->viewport()->installEventFilter(this);
}

void TVELKForm::buildtray() {
    trayicon_ = new QSystemTrayIcon(this);
    trayicon_->setObjectName(QStringLiteral("trayicon"));
    trayicon_->setToolTip(QString::fromLatin1(designcaption));
    // Without a parent: a dialog modal to the window must not block the tray menu with it.
    traymenu_ = new QMenu;
    traymenu_->setObjectName(QStringLiteral("traymenu"));
    QAction* restore = traymenu_->addAction(QStringLiteral("Restore"));
    restore->setObjectName(QStringLiteral("Restore1"));
    QFont bold = restore->font();
    bold.setBold(true);
    restore->setFont(bold);
    traymenu_->setDefaultAction(restore);
    traymenu_->addSeparator()->setObjectName(QStringLiteral("N10"));
    QAction* exit = traymenu_->addAction(QStringLiteral("Exit VELK"));
    exit->setObjectName(QStringLiteral("ExitVELK1"));
    connect(restore, &QAction::triggered, this, &TVELKForm::Restore1Click);
    connect(exit, &QAction::triggered, this, &TVELKForm::ExitVELK1Click);
    trayicon_->setContextMenu(traymenu_);
    connect(trayicon_, &QSystemTrayIcon::activated, this,
            [this](QSystemTrayIcon::ActivationReason why) {
                if (why == QSystemTrayIcon::Trigger) trayiconClick();
                // A StatusNotifierItem host that shows no menu of its own asks for one.
                // Of a fixed size, it floats where Wayland has no window to hang it on.
                if (why == QSystemTrayIcon::Context && !traymenu_->isVisible()) {
                    traymenu_->setFixedSize(traymenu_->sizeHint());
                    traymenu_->popup(QCursor::pos());
                }
            });
}

void TVELKForm::settaborder() {
    // The panel first (its own order), then the list.
    const QWidget* order[] = {cname_,     ctime_,    meaction_, bactive_,    btempl_,
                              testtime_,  button1_,  bspecial_, testaction_, settonow_,
                              duplevent_, delevent_, newevent_, lbevents_};
    for (std::size_t i = 0; i + 1 < std::size(order); ++i)
        QWidget::setTabOrder(const_cast<QWidget*>(order[i]), const_cast<QWidget*>(order[i + 1]));
}

void TVELKForm::centre() {
    if (const QScreen* s = screen()) {
        QRect r = frameGeometry();
        r.moveCenter(s->availableGeometry().center());
        move(r.topLeft());
    }
}

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
        thedesktop().showmessage(text);
        return false;
    }
    return true;
}

void TVELKForm::closeEvent(QCloseEvent* e) {
    if (closed_) return e->accept();
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
    if (closed_)
        e->accept();
    else
        e->ignore();
}

bool TVELKForm::nested() const {
    return sched_.inconfirm || indialog || messagedialog::opencount() > 0 ||
           QApplication::activeModalWidget() != nullptr;
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
    if (!nested()) finish();
}

void TVELKForm::finish() {
    if (closed_) return;
    closed_ = true;
    tt_.stop();
    saveevs_.stop();
    savesoon_.stop();
    traywatch_.stop();
    commitedits(false);
    try {
        writefile(true, true);
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
    if (closed_) return;
    editchanged();
    try {
        writefile(false, true);
    } catch (const velkerror&) {
        // The session is ending; there is nobody left to tell.
    }
}

bool TVELKForm::saveevents(bool atexit) {
    try {
        writefile(false, atexit);
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

void TVELKForm::changed() {
    // Started, never restarted: steady typing still saves every couple of seconds.
    if (!closed_ && !savesoon_.isActive()) savesoon_.start();
}

void TVELKForm::savesoonTimer() {
    if (closed_) return;
    try {
        // Writes only when the book's text differs from what the file holds.
        writefile(true, false);
    } catch (const velkerror& e) {
        warnsave(e.text);
    }
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
    if (!closed_ && !trayicon_->isVisible() && trayavailable()) trayicon_->show();
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
    if (!closed_ && !isVisible() && trayicon_->isVisible() && !trayavailable()) {
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

// ---- window and tray ----

void TVELKForm::trayiconClick() {
    // While a script dialog is up only the dialog comes forward, not the window over it.
    if (!indialog) {
        if (isMinimized()) setWindowState(windowState() & ~Qt::WindowMinimized);
        show();
    }
    QWidget* front = QApplication::activeModalWidget();
    if (!front && isVisible()) front = this;
    if (front) {
        // A dialog the user minimised comes back too.
        if (front->isMinimized())
            front->setWindowState(front->windowState() & ~Qt::WindowMinimized);
        front->raise();
        front->activateWindow();
    }
}

void TVELKForm::Restore1Click() {
    trayiconClick();
}

void TVELKForm::ExitVELK1Click() {
    close();
}

void TVELKForm::minimizeapp() {
    if (trayavailable())
        appeventsMinimize();
    else
        showMinimized();
}

void TVELKForm::appeventsMinimize() {
    if (!trayicon_->isVisible()) trayicon_->show();
    hide();
}

void TVELKForm::changeEvent(QEvent* e) {
    QWidget::changeEvent(e);
    if (e->type() == QEvent::WindowStateChange && isMinimized() && trayavailable())
        // Hiding inside the state change confuses some window managers: do it right after.
        QTimer::singleShot(0, this, [this] {
            if (isMinimized()) appeventsMinimize();
        });
    else if (e->type() == QEvent::PaletteChange && lbevents_)
        icons::invertbell(imbell_, imbellinv_, lbevents_->palette().color(QPalette::Highlight));
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
    return r >= 0 && r < book_.evcount ? book_.evorder[r] : -1;
}

int TVELKForm::rowof(const velk::event* e) const {
    if (!e) return -1;
    for (int r = 0; r < book_.evcount; ++r)
        if (book_.evs[book_.evorder[r]].get() == e) return r;
    return -1;
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
    changed();
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
    showevent(r >= 0 && r < book_.evcount ? book_.evorder[r] : -1);
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
    if (!cur_) {
        if (cname_->text().isEmpty() && ctime_->text().isEmpty() && memolines({}).empty())
            return false;
        if (book_.full()) return refusefull();
        cur_ = &book_.append(std::make_unique<velk::event>());
    }
    // A field the user did not edit keeps its bytes: those that are not UTF-8 are shown
    // readably, and writing back what is shown would change them for good.
    if (cname_->text() != shown(cur_->name)) cur_->name = cname_->text().toStdString();
    if (ctime_->text() != shown(cur_->time)) cur_->time = ctime_->text().toStdString();
    if (memoblocks() != memoshown(cur_->action)) cur_->action = memolines(cur_->action);
    if (cur_->active) {
        if (!cur_->activate(show)) notes_->switchedoff(cur_);
    } else {
        cur_->recompute();
    }
    fillfields(*cur_);
    refreshlist(keepcurrent);
    lbevents_->viewport()->update();
    return true;
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
    if (idx >= 0 && idx < book_.evcount) {
        if (cur_ != book_.evs[idx].get()) retype_.end();
        cur_ = book_.evs[idx].get();
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
    if (!commitedits(false)) return;
    refreshlist(idx >= 0 ? idx : book_.evcount - 1);
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
        QTimer::singleShot(0, this, [this, alarm = cur_] { offerdue(alarm); });
    }
}

void TVELKForm::clearfocus() {
    if (QWidget* f = focusWidget()) f->clearFocus();
}

// ---- commands from the command line ----

control::reply TVELKForm::runcommand(const std::vector<std::string>& args) {
    control::reply r;
    const control::command c = control::parsecommand(args, r);
    if (c.what == control::command::none) return r;
    if (closed_ || sessionending()) return {1, "", "VELK is closing; try again in a moment.\n"};
    // The book is empty in place of a damaged file (also while its first message is open),
    // until the user has dealt with it; a save would set the file aside.
    if (file_.unresolved(book_)) {
        std::string message = control::loadproblem(datapath_);
        if (message.empty()) message = control::damagedmessage(datapath_, "");
        return {1, "", message + "\n"};
    }
    // Typing in the editor belongs to the book before anything else changes it.
    commitedits(false);
    if (std::string why = watch_->beforecommand(); !why.empty()) return {1, "", why + "\n"};
    velk::event* removed = nullptr;
    if (c.what == control::command::remove) {
        int named = 0;
        for (int i = 0; i < book_.evcount; ++i)
            if (book_.evs[i]->name == c.name && ++named == 1) removed = book_.evs[i].get();
        if (named != 1) removed = nullptr;
        // A dialog of the editor's alarm (its test, a message) still uses it.
        // So does a running due pass (its busy alarm), whichever alarm the editor shows.
        if (removed && (removed->busy || (removed == cur_ && QApplication::activeModalWidget())))
            return {1, "",
                    "The Alarm '" + c.name +
                        "' is open in VELK behind a dialog; close the dialog and try again.\n"};
    }
    velk::event* enabled = control::applycommand(book_, snooze_->store(), c, now(), r);
    if (r.status != 0 || !control::writes(c)) return r;
    if (removed && removed == cur_) {
        cur_ = nullptr;
        clearfields();
    }
    refreshlist(keepcurrent);
    if (cur_) fillfields(*cur_);
    // After the answer has gone: the offer may wait in a dialog for as long as the user likes.
    if (enabled) QTimer::singleShot(0, this, [this, enabled] { offerdue(enabled); });
    // The answer tells that the change is on the disk. A failed save keeps the change in the
    // window, for the next save to write.
    // A hand edit not yet taken is kept aside first, as by every save; it is told after the
    // answer, which must not wait for the user. (No loading again here: the book has changed.)
    std::string kept;
    try {
        if (watch_->beforesave(true, kept)) file_.savechanged(book_);
        if (kept.empty()) kept = file_.keptbysave();
    } catch (const velkerror& e) {
        return {1, "", e.text + "\n"};
    }
    if (!kept.empty())
        QTimer::singleShot(0, this, [this, kept] { warnsave(keptmessage(datapath_, kept)); });
    return r;
}

void TVELKForm::offerdue(velk::event* alarm) {
    if (closed_ || book_.indexof(alarm) < 0) return;
    if (sched_.fireifdue(*alarm, alarm == cur_, true)) refreshlist(keepcurrent);
}

// ---- buttons ----

void TVELKForm::settonowClick() {
    if (commitedits(true)) {
        cur_->startnow();
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
    const bool ok = cur_->toggle();
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
            refreshlist(book_.evcount - 1);
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
        if (r >= 0 && r < book_.evcount) {
            book_.remove(book_.evorder[r]);
            cur_ = nullptr;
            clearfields();
            refreshlist(shownone);
            if (r >= book_.evcount) --r;
            if (r >= 0) {
                selectrow(r);
                lbeventsClick();
            }
        }
    }
    if (book_.evcount > 0)
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
