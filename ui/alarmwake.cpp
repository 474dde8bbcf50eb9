#include "ui/alarmwake.h"

#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QMenu>

#include "alarms/desktop.h"
#include "alarms/settings.h"
#include "timespec/clock.h"
#include "ui/messagedialog.h"
#include "ui/wakepower.h"

namespace velk {

namespace {
// A message opened this soon after a resume came from the alarm that woke the machine.
constexpr qint64 followms = 2 * 60 * 1000;
} // namespace

alarmwake::alarmwake(const book& alarms, QObject* parent)
    : QObject(parent), alarms_(alarms), power_(new wakepower(this)) {
    connect(power_, &wakepower::resumed, this, &alarmwake::resumed);
    qApp->installEventFilter(this);
}

alarmwake::~alarmwake() {
    qApp->removeEventFilter(this);
}

const wakeway& alarmwake::way() {
    // Probed once, when first needed: it may start the helper.
    if (!way_) way_ = findwakeway();
    return *way_;
}

bool alarmwake::switchedon(bool fresh) {
    // Read again at most once a second, so that velk --wake from the command line takes effect
    // at the next tick while a burst of the book's refreshes (one a keystroke) reads no file.
    if (fresh || !readat_.isValid() || readat_.hasExpired(1000)) {
        on_ = settings::wake();
        readat_.start();
    }
    return on_;
}

void alarmwake::rearm(bool force) {
    const bool on = switchedon(force);
    if (!on && !timer_) return;
    if (on && !timer_) {
        timer_ = openwaketimer(way());
        if (!timer_) return;
        armer_ = std::make_unique<wakearmer>(*timer_);
    }
    armer_->rearm(alarms_, now(), on, force, putoff);
    if (!on) {
        // Off: nothing is held, the helper ends.
        armer_.reset();
        timer_.reset();
    }
}

void alarmwake::additem(QMenu* menu) {
    item_ = new QAction(QStringLiteral("Wake the computer for alarms"), menu);
    item_->setObjectName(QStringLiteral("wakeitem"));
    item_->setCheckable(true);
    QAction* before = nullptr;
    for (QAction* a : menu->actions())
        if (a->isSeparator() && !before) before = a;
    menu->insertAction(before, item_);
    menu->setToolTipsVisible(true);
    connect(item_, &QAction::triggered, this, &alarmwake::itemtoggled);
    connect(menu, &QMenu::aboutToShow, this, &alarmwake::updateitem);
    updateitem();
}

void alarmwake::updateitem() {
    const bool on = switchedon(true);
    item_->setChecked(on);
    const wakeway& w = way();
    // Switching off always stays possible.
    item_->setEnabled(w.how != wakeway::none || on);
    item_->setToolTip(QString::fromStdString(w.how == wakeway::none ? w.detail : w.warning));
}

void alarmwake::itemtoggled(bool on) {
    if (const std::string reason = settings::setwake(on); !reason.empty())
        thedesktop().showmessage("Could not save the setting to '" + settings::path() + "'!\r\n" +
                                 reason);
    updateitem();
    rearm();
}

void alarmwake::resumed() {
    sinceresume_.start();
    // The timer may be spent, and the tick may have opened the alarm's message already.
    rearm(true);
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<messagedialog*>(w) && w->isVisible()) follow(w);
}

void alarmwake::follow(QWidget* box) {
    if (!woken_.contains(box)) woken_.append(box);
    power_->holdidle();
}

bool alarmwake::eventFilter(QObject* watched, QEvent* e) {
    const QEvent::Type t = e->type();
    if (t != QEvent::Show && t != QEvent::Hide) return QObject::eventFilter(watched, e);
    auto* box = qobject_cast<messagedialog*>(watched);
    if (box && t == QEvent::Show && sinceresume_.isValid() && sinceresume_.elapsed() < followms)
        follow(box);
    if (t == QEvent::Hide && !woken_.isEmpty()) {
        woken_.removeIf([watched](const QPointer<QWidget>& w) {
            return !w || w == watched || !w->isVisible();
        });
        if (woken_.isEmpty()) power_->releaseidle();
    }
    return QObject::eventFilter(watched, e);
}

} // namespace velk
