#pragma once
#include <QMenu>

class QAction;
class QPlainTextEdit;
class QWidget;

namespace velk {

// The menu of action script commands behind "+ #cmd" (objectName "mspecials").
class specialsmenu : public QMenu {
    Q_OBJECT
  public:
    explicit specialsmenu(QWidget* parent = nullptr);
};

// The text an entry inserts. It is kept apart from the displayed text so that accelerator
// marks a platform theme may add to menu texts never reach the script.
QString entrycaption(const QAction* entry);

// A command entry was chosen: its text replaces the selection of meaction (at an empty
// selection it goes in at the caret), no line break added; meaction has the focus afterwards.
void insertcommand(QPlainTextEdit* meaction, const QAction* entry);

// "+ #cmd": pops the menu up with its top-left corner on the button, inserts the chosen entry,
// and focuses meaction whether or not an entry was chosen.
void choosecommand(specialsmenu* mspecials, QWidget* button, QPlainTextEdit* meaction);

} // namespace velk
