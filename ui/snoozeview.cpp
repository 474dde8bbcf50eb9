#include "ui/snoozeview.h"

#include <QLabel>
#include <QToolButton>
#include <iostream>

#include "alarms/displaytime.h"
#include "timespec/clock.h"

namespace velk {

snoozeview::snoozeview(const std::string& alarmpath, const book& alarms, QLabel* next)
    : QObject(next), path_(snoozes::pathfor(alarmpath)), alarms_(alarms), next_(next),
      cancel_(new QToolButton(next->parentWidget())) {
    cancel_->setObjectName(QStringLiteral("cancelsnooze"));
    cancel_->setText(QStringLiteral("x"));
    cancel_->setToolTip(QStringLiteral("Cancel snooze"));
    cancel_->setAccessibleName(QStringLiteral("Cancel snooze"));
    cancel_->setGeometry(next->x() + 120, next->y() - 2, 18, 18);
    cancel_->hide();
    connect(cancel_, &QToolButton::clicked, this, [this] {
        if (!shown_ || !store_.cancel(*shown_)) return;
        save();
        emit cancelled();
    });
}

void snoozeview::load() {
    // A snooze file that must not be used is left alone: it holds no alarm.
    if (const std::string problem = store_.load(path_); !problem.empty())
        std::cerr << "velk: the snoozes in '" << path_ << "' are not used: " << problem << '\n';
    saved_ = store_.text();
    changed();
}

void snoozeview::changed() {
    store_.prune(alarms_);
    if (store_.text() != saved_) save();
}

void snoozeview::save() {
    if (const std::string problem = store_.save(path_); !problem.empty()) {
        std::cerr << "velk: could not save the snoozes in '" << path_ << "': " << problem << '\n';
        return;
    }
    saved_ = store_.text();
}

void snoozeview::show(const velk::event* alarm) {
    shown_ = alarm;
    const datetime until = alarm ? store_.until(*alarm) : novalue;
    const bool snoozed = !isnovalue(until);
    cancel_->setVisible(snoozed);
    if (!snoozed) return next_->setToolTip({});
    next_->setText(QString::fromStdString(snoozedtext(until, now())));
    next_->adjustSize();
    cancel_->move(next_->x() + next_->width() + 4, cancel_->y());
    next_->setToolTip(QStringLiteral("Next regular run: ") +
                      QString::fromStdString(displaytime(alarm->next)));
}

} // namespace velk
