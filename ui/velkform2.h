#pragma once
#include <QDialog>
#include <functional>
#include <string>

class QKeyEvent;
class QLabel;
class QLineEdit;
class QListWidget;

namespace velk {

class event;

// The time test window (objectName "TVELKForm2"): the coming moments of one alarm, one per
// row of the list lb, in a small fixed window over the main window.
class TVELKForm2 : public QDialog {
    Q_OBJECT
  public:
    static constexpr int clientwidth = 207;
    static constexpr int clientheight = 423;
    static constexpr int rowheight = 13;

    // mainwindow gives the placement and the icon.
    explicit TVELKForm2(QWidget* mainwindow = nullptr);

    // One row per "\r\n"-ended line; the final line break makes no empty row.
    void setlines(const std::string& text);
    // The plain-English reading of the time text, in a line above the list; hidden when empty.
    void setreading(const std::string& text);

    QListWidget* lb = nullptr;
    QLabel* lreading = nullptr;

  protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

  private:
    // Escape, Space and Enter close the window; true when the key was used.
    bool lbKeyPress(const QKeyEvent* key);
};

// What the "Test" button beside the time field needs from the window.
struct testtimecontext {
    std::function<bool(bool show)> commitedits; // writes the editor into the alarm
    std::function<event*()> curevent;           // the alarm shown, read after the commit
    QWidget* mainwindow = nullptr;
    QLineEdit* ctime = nullptr;
    // The list text for an alarm; throws velkerror with the time text's error. Tests may
    // replace it; empty means the alarm's own futuredates.
    std::function<std::string(event&)> futuredates;
};

// The reading of the alarm's time text (against its start time, as it was parsed, for someone
// reading it now), or the parser's message when it does not parse.
std::string timereading(const event& alarm);

// Commits the editor and shows the alarm's coming moments modally; a time text that does not
// parse is reported in a message box instead. ctime has the focus afterwards in every case.
void testtimeclick(const testtimecontext& c);

} // namespace velk
