#include "ui/editornotes.h"

#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>

#include "alarms/alarmfile.h"
#include "alarms/displaytime.h"
#include "alarms/event.h"
#include "timespec/clock.h"
#include "timespec/error.h"
#include "timespec/text.h"
#include "timespec/timedesc.h"

namespace velk {

namespace {

const QString switchedprefix = QStringLiteral("Switched off: ");

// Red that stands out on the field's own background, light or dark.
QColor errorcolour(const QPalette& palette) {
    return palette.color(QPalette::Base).lightness() >= 128 ? QColor(0xC0, 0x00, 0x00)
                                                            : QColor(0xFF, 0x70, 0x70);
}

template <class W> W* find(QWidget* panel, const char* name) {
    return panel->findChild<W*>(QString::fromLatin1(name));
}

void setname(QWidget* w, const QString& name) {
    if (w && w->accessibleName() != name) w->setAccessibleName(name);
}

// The note of a script's first fault: its line and the interpreter's message.
QString linenote(const scriptfault& f) {
    if (f.text.empty()) return {};
    return QStringLiteral("Line %1: %2").arg(f.line).arg(QString::fromStdString(f.text));
}

void setdescription(QWidget* w, const QString& text) {
    if (w && w->accessibleDescription() != text) w->setAccessibleDescription(text);
}

} // namespace

notelabel::notelabel(QWidget* parent) : QLabel(parent) {
    setObjectName(QStringLiteral("lnote"));
    setAccessibleDescription(QStringLiteral("What is wrong with the time text or the action"));
}

void notelabel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    p.setPen(errorcolour(palette()));
    p.drawText(rect(), Qt::AlignLeft | Qt::AlignVCenter,
               fontMetrics().elidedText(text(), Qt::ElideRight, width()));
}

editornotes::editornotes(QWidget* panel, notelabel* note)
    : ctime_(find<QLineEdit>(panel, "ctime")), meaction_(find<QPlainTextEdit>(panel, "meaction")),
      bactive_(find<QPushButton>(panel, "bactive")),
      note_(note), values_{find<QLabel>(panel, "lcreated"), find<QLabel>(panel, "llast"),
                           find<QLabel>(panel, "lnext")},
      textcolour_(ctime_->palette().color(QPalette::Text)) {}

void editornotes::nameforaccess(QWidget* panel) {
    const char* const buddies[][2] = {{"Label2", "cname"},    {"Label1", "ctime"},
                                      {"Label3", "meaction"}, {"Label4", "lcreated"},
                                      {"Label5", "llast"},    {"Label6", "lnext"}};
    for (const auto& [label, field] : buddies)
        find<QLabel>(panel, label)->setBuddy(find<QWidget>(panel, field));
    setname(find<QWidget>(panel, "cname"), QStringLiteral("Name"));
    setname(find<QWidget>(panel, "ctime"), QStringLiteral("Time"));
    setname(find<QWidget>(panel, "meaction"), QStringLiteral("Action"));
    setname(find<QWidget>(panel, "testtime"), QStringLiteral("Test time"));
    setdescription(find<QWidget>(panel, "testtime"),
                   QStringLiteral("Shows the next moments the time text gives"));
    setname(find<QWidget>(panel, "testaction"), QStringLiteral("Test action"));
    setdescription(find<QWidget>(panel, "testaction"), QStringLiteral("Runs the action now"));
    setname(find<QWidget>(panel, "btempl"), QStringLiteral("Insert time template"));
    setname(find<QWidget>(panel, "bspecial"), QStringLiteral("Insert command"));
    setname(find<QWidget>(panel, "Button1"), QStringLiteral("Insert file"));
    setdescription(find<QWidget>(panel, "bactive"), QStringLiteral("Toggle Active"));
}

QString editornotes::timefault(const velk::event& alarm) const {
    // A text that parsed has a parsed form; nothing typed yet is no fault worth a note.
    if (alarm.parsed || trimmed(alarm.time).empty()) return {};
    try {
        timedesc check(alarm.time, alarm.created);
    } catch (const velkerror& e) {
        return QString::fromStdString(e.text);
    }
    return {};
}

QString editornotes::scriptfaultof(const velk::event& alarm) const {
    if (alarm.action != checked_) {
        checked_ = alarm.action;
        fault_ = checkscript(checked_);
    }
    return linenote(fault_);
}

void editornotes::show(const velk::event* alarm) {
    // Switched on again, or another alarm chosen: the switch-off is old news.
    if (off_ && (off_ != alarm || alarm->active)) off_ = nullptr;
    QString time, fault, script;
    if (alarm) {
        time = fault = timefault(*alarm);
        if (off_)
            time = switchedprefix +
                   (fault.isEmpty()
                        ? QStringLiteral("the time text was wrong; switch the alarm on again.")
                        : fault);
        script = scriptfaultof(*alarm);
    }
    showtime(time, fault);
    if (script != scriptnote_) {
        scriptnote_ = script;
        setdescription(meaction_, script);
    }
    QString text = timenote_;
    if (!text.isEmpty() && !scriptnote_.isEmpty()) text += QStringLiteral("   ");
    text += scriptnote_;
    if (note_->text() != text) {
        note_->setText(text);
        note_->setToolTip(text);
        setname(note_, text.isEmpty() ? QStringLiteral("No problems") : text);
    }
    speakvalues();
}

void editornotes::showtime(const QString& note, const QString& fault) {
    if (note == timenote_) return;
    const bool bad = !fault.isEmpty();
    const bool wasbad = ctime_->property("timefault").toBool();
    timenote_ = note;
    setdescription(ctime_, note);
    if (bad != wasbad) {
        ctime_->setProperty("timefault", bad);
        QPalette p = ctime_->palette();
        p.setColor(QPalette::Text, bad ? errorcolour(p) : textcolour_);
        ctime_->setPalette(p);
    }
    if (bad) {
        timetip_ = fault;
        ctime_->setToolTip(fault);
    } else if (!timetip_.isEmpty() && ctime_->toolTip() == timetip_) {
        ctime_->setToolTip(QString());
        timetip_.clear();
    }
}

void editornotes::speakvalues() {
    // The captions are short signs ("-", "&Active"); a screen reader says what they stand for.
    const QString state = bactive_->text();
    setname(bactive_, state == QLatin1String("-") ? QStringLiteral("Active: no alarm")
                                                  : QString(state).remove(QLatin1Char('&')));
    const char* const what[] = {"Start time: ", "Last run: ", "Next run: "};
    for (int i = 0; i < 3; ++i)
        setname(values_[i], QString::fromLatin1(what[i]) + (values_[i]->text() == QLatin1String("-")
                                                                ? QStringLiteral("none")
                                                                : values_[i]->text()));
}

QString editornotes::rownote(const velk::event& alarm) const {
    if (&alarm == off_) {
        const QString why = timefault(alarm);
        return switchedprefix + (why.isEmpty() ? QStringLiteral("the time text was wrong.") : why);
    }
    if (!alarm.active || alarm.action.empty()) return {};
    return linenote(checkscript(alarm.action));
}

QString editornotes::rowtext(const velk::event& alarm) const {
    QString text =
        QString::fromStdString(alarm.name.empty() ? "<ALARM>" : readabletext(alarm.name));
    if (!alarm.active) text += QStringLiteral(", inactive");
    if (isnovalue(alarm.next))
        text += QStringLiteral(", no next time");
    else
        text += QStringLiteral(", next %1, in %2")
                    .arg(QString::fromStdString(displaytime(alarm.next)),
                         QString::fromStdString(countdowntext(now(), alarm.next)));
    const QString note = rownote(alarm);
    if (!note.isEmpty()) text += QStringLiteral(", ") + note;
    return text;
}

} // namespace velk
