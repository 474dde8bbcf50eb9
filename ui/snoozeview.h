#pragma once
#include <QObject>
#include <string>

#include "alarms/book.h"
#include "alarms/snoozes.h"

class QLabel;
class QToolButton;
class QWidget;

namespace velk {

// The window's put-off runs: kept in the snooze file beside the alarm file, saved at every
// change, and shown in the editor's Next line with a button that cancels them.
class snoozeview : public QObject {
    Q_OBJECT
  public:
    // next: the editor's Next label, in whose place the snooze is named.
    snoozeview(const std::string& alarmpath, const book& alarms, QLabel* next);

    snoozes& store() { return store_; }
    // Reads the snooze file; what no longer applies to the book is dropped.
    void load();
    // The book or the put-off runs changed: drops what no longer applies and saves.
    void changed();
    // Names the snooze of the editor's alarm (nullptr: none) in its Next line.
    void show(const velk::event* alarm);

  signals:
    // The user cancelled the shown alarm's snooze.
    void cancelled();

  private:
    void save();

    std::string path_;
    const book& alarms_;
    snoozes store_;
    std::string saved_;
    QLabel* next_;
    QToolButton* cancel_;
    const velk::event* shown_ = nullptr;
};

} // namespace velk
