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
      exedir_(velk::exedir()), session_(datapath_, *this), imbell_(icons::imbell()) {

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
    watch_ = new filewatch(this, session_, datapath_);
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

} // namespace velk
