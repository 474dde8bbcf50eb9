#pragma once
#include <QElapsedTimer>
#include <QList>
#include <QObject>
#include <QPointer>
#include <memory>
#include <optional>

#include "alarms/book.h"
#include "execution/wake.h"

class QAction;
class QMenu;
class QWidget;

namespace velk {

class wakepower;

// Wakes the computer from sleep for the soonest alarm due within a day, while the user's
// setting asks for it, and keeps it awake while a message that followed such a wake is open.
class alarmwake : public QObject {
    Q_OBJECT
  public:
    alarmwake(const book& alarms, QObject* parent);
    ~alarmwake() override;

    // The book changed or a tick passed. force: the clock was set or the machine resumed.
    void rearm(bool force = false);
    // Puts the check item "Wake the computer for alarms" into menu, above its first separator.
    void additem(QMenu* menu);
    QAction* item() const { return item_; }
    wakepower& power() { return *power_; }
    // The moment armed, or -1.
    long long armedat() const { return armer_ ? armer_->armedat() : -1; }
    // Put-off runs wake the computer too.
    const snoozes* putoff = nullptr;

  protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

  private:
    const wakeway& way();
    bool switchedon(bool fresh);
    void itemtoggled(bool on);
    void updateitem();
    void resumed();
    void follow(QWidget* box);

    const book& alarms_;
    std::optional<wakeway> way_;
    std::unique_ptr<waketimer> timer_;
    std::unique_ptr<wakearmer> armer_;
    wakepower* power_;
    QAction* item_ = nullptr;
    QElapsedTimer sinceresume_;
    // The switch as last read, and when; fresh reads it again now.
    bool on_ = false;
    QElapsedTimer readat_;
    // The messages that followed a wake and are still open.
    QList<QPointer<QWidget>> woken_;
};

} // namespace velk
