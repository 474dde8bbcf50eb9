#pragma once
#include <QObject>
#include <memory>

namespace velk {

// A one-shot timer on the wall clock: it fires when the real clock reaches the moment, also after
// the machine slept through it or the clock was set past it. Each system has its own source file.
class wallwake : public QObject {
    Q_OBJECT
  public:
    explicit wallwake(QObject* parent = nullptr);
    ~wallwake() override;

    // Fires once at ms (milliseconds since 1970-01-01 UTC); replaces the moment set before.
    void arm(long long ms);
    void disarm();
    // The moment armed, or -1.
    long long armedat() const { return at_; }

  signals:
    void fired();
    // The clock was set or the time zone changed: moments from local times need mapping again.
    // Tests emit it to stand in for the system.
    void clockset();

  private:
    struct impl;
    std::unique_ptr<impl> d_;
    long long at_ = -1;
};

} // namespace velk
