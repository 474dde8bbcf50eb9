#include "ui/snoozebutton.h"

#include <QDialogButtonBox>
#include <QMenu>
#include <QPushButton>
#include <QTimeEdit>
#include <QToolButton>
#include <QVBoxLayout>
#include <cmath>

#include "timespec/clock.h"
#include "ui/messagedialog.h"

namespace velk {

snoozebutton::snoozebutton(messagedialog& box, snoozeoffer* offer)
    : QObject(&box), box_(box), offer_(offer) {
    if (!offer_) return;
    auto* more = new QToolButton(&box);
    more->setObjectName(QStringLiteral("snoozemenu"));
    more->setArrowType(Qt::DownArrow);
    more->setPopupMode(QToolButton::InstantPopup);
    // The arrow says it already; the style's second one would only crowd the small button.
    more->setStyleSheet(QStringLiteral("QToolButton::menu-indicator { image: none; }"));
    more->setAccessibleName(QStringLiteral("Snooze for"));
    auto* menu = new QMenu(more);
    for (int m : lengths)
        connect(menu->addAction(QStringLiteral("%1 minutes").arg(m)), &QAction::triggered, this,
                [this, m] { take(m); });
    connect(menu->addAction(QStringLiteral("Until...")), &QAction::triggered, this,
            &snoozebutton::untiltime);
    more->setMenu(menu);
    QPushButton* b = box.addbutton(QStringLiteral("&Snooze"), more);
    b->setObjectName(QStringLiteral("snooze"));
    b->setToolTip(QStringLiteral("Ring again in %1 minutes").arg(offer_->minutes));
    connect(b, &QPushButton::clicked, this, [this] { take(offer_->minutes); });
}

void snoozebutton::take(int minutes) {
    offer_->take(now() + minutes * oneminute, minutes);
    box_.reject();
}

void snoozebutton::untiltime() {
    QDialog ask(&box_);
    ask.setWindowTitle(QString::fromLatin1(dialogcaption));
    auto* time = new QTimeEdit(QTime::currentTime().addSecs(offer_->minutes * 60), &ask);
    time->setObjectName(QStringLiteral("snoozeuntil"));
    time->setDisplayFormat(QStringLiteral("HH:mm"));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &ask);
    connect(buttons, &QDialogButtonBox::accepted, &ask, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, &ask, &QDialog::reject);
    auto* column = new QVBoxLayout(&ask);
    column->addWidget(time);
    column->addWidget(buttons);
    if (ask.exec() != QDialog::Accepted) return;
    const int minutes = minutesuntil(now(), time->time().hour(), time->time().minute());
    // A time of day is no length to remember: the alarm keeps the one it had.
    offer_->take((std::floor(now() * 1440.0 + 1e-6) + minutes) / 1440.0, offer_->minutes);
    box_.reject();
}

int minutesuntil(datetime now, int hour, int minute) {
    const double nowminute = std::floor(now * 1440.0 + 1e-6);
    const double day = std::floor(now);
    double target = day * 1440.0 + hour * 60 + minute;
    if (target <= nowminute) target += 1440;
    return static_cast<int>(target - nowminute);
}

} // namespace velk
