#pragma once
#include <QLabel>
#include <QString>
#include <string>
#include <vector>

#include "execution/script.h"

class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QWidget;

namespace velk {

class event;

// A one-line note that shortens itself with "…" where it runs out of room; the whole text stays
// its text, its tool tip and what a screen reader reads.
class notelabel : public QLabel {
  public:
    explicit notelabel(QWidget* parent);

  protected:
    void paintEvent(QPaintEvent* e) override;
};

// The editor's quiet notes: what is wrong with the time text and the script of the alarm being
// edited, said beside the fields while the user types, without a box and without taking the
// focus; and what the list's rows say about alarms that will not work.
class editornotes {
  public:
    // panel: the editor's panel, whose controls are found by their names; note: the line
    // under the action box.
    editornotes(QWidget* panel, notelabel* note);

    // A commit has just switched alarm off because its time text did not parse.
    void switchedoff(const velk::event* alarm) { off_ = alarm; }
    // The editor now shows alarm, or nothing: the notes, colours and spoken names follow it.
    void show(const velk::event* alarm);

    // Why an alarm will not work, for its list row: an active alarm whose script has a fault,
    // or the alarm a typed time text switched off. Empty when there is nothing to say.
    QString rownote(const velk::event& alarm) const;
    // The row as a screen reader says it: name, next time and countdown, and any note.
    QString rowtext(const velk::event& alarm) const;

    // The texts of the two notes now shown; empty when there is none.
    const QString& timenote() const { return timenote_; }
    const QString& scriptnote() const { return scriptnote_; }

    // Names and descriptions for screen readers where the captions alone say too little.
    static void nameforaccess(QWidget* panel);

  private:
    QString timefault(const velk::event& alarm) const;
    QString scriptfaultof(const velk::event& alarm) const;
    void showtime(const QString& note, const QString& fault);
    void speakvalues();

    QLineEdit* ctime_;
    QPlainTextEdit* meaction_;
    QPushButton* bactive_;
    notelabel* note_;
    // The Start, Last and Next values.
    QLabel* values_[3];
    QColor textcolour_;
    const velk::event* off_ = nullptr;
    QString timenote_, scriptnote_;
    // The tool tip this put on the time field; another one (a reading of a good text) stays.
    QString timetip_;
    // The script checked last and what was found: the check runs when the script changed.
    mutable std::vector<std::string> checked_;
    mutable scriptfault fault_;
};

} // namespace velk
