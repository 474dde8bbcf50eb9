#include "ui/specialsmenu.h"

#include <QAction>
#include <QPlainTextEdit>

namespace velk {

namespace {

struct entry {
    const char* name;
    const char* caption; // nullptr: separator
};

// Commands that take an argument end with one blank so the user types it straight away.
constexpr entry entries[] = {
    {"msg1", "#msg "}, {"wait1", "#wait "}, {"wait2", "#bln "}, {"beep1", "#beep "},
    {"N1", nullptr},   {"ask1", "#ask "},   {"ask3", "#else"},  {"ask2", "#end"},
};

} // namespace

specialsmenu::specialsmenu(QWidget* parent) : QMenu(parent) {
    setObjectName("mspecials");
    for (const entry& e : entries) {
        QAction* a = e.caption ? addAction(QString::fromLatin1(e.caption)) : addSeparator();
        a->setObjectName(QString::fromLatin1(e.name));
        if (e.caption) a->setProperty("caption", QString::fromLatin1(e.caption));
    }
}

QString entrycaption(const QAction* entry) {
    const QVariant c = entry->property("caption");
    return c.isValid() ? c.toString() : entry->text();
}

void insertcommand(QPlainTextEdit* meaction, const QAction* entry) {
    meaction->insertPlainText(entrycaption(entry));
    meaction->setFocus(Qt::OtherFocusReason);
}

void choosecommand(specialsmenu* mspecials, QWidget* button, QPlainTextEdit* meaction) {
    QAction* chosen = mspecials->exec(button->mapToGlobal(QPoint(0, 0)));
    if (chosen && !chosen->isSeparator()) insertcommand(meaction, chosen);
    meaction->setFocus(Qt::OtherFocusReason);
}

} // namespace velk
