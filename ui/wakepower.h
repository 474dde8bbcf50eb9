#pragma once
#include <QObject>
#include <memory>

namespace velk {

// What waking for alarms needs of the system's power management: hearing that the machine
// resumed, and keeping it from falling asleep again while the user reads an alarm that woke
// it. Each system has its own source file.
class wakepower : public QObject {
    Q_OBJECT
  public:
    explicit wakepower(QObject* parent = nullptr);
    ~wakepower() override;

    // Holds off going to sleep for idleness until releaseidle; a second hold changes nothing.
    void holdidle();
    void releaseidle();
    bool holding() const;

  signals:
    // The machine woke from sleep or hibernation.
    void resumed();

  private slots:
    void sleepchanged(bool starting);

  private:
    struct impl;
    std::unique_ptr<impl> d_;
};

} // namespace velk
