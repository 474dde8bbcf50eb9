#pragma once
#include <QObject>
#include <memory>

namespace velk {

// Tells when the desktop's tray may have come or gone, as the desktop announces it, so a window
// hidden in the tray need not ask every second whether the tray is still there. Each system has
// its own source file.
class traywatch : public QObject {
    Q_OBJECT
  public:
    explicit traywatch(QObject* parent = nullptr);
    ~traywatch() override;
    // False where nothing announces it: then only asking again and again finds out.
    bool watching() const { return watching_; }

  signals:
    void changed();

  private:
    struct impl;
    std::unique_ptr<impl> d_;
    bool watching_ = false;
};

} // namespace velk
