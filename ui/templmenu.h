#pragma once
#include <QList>
#include <QMenu>

class QAction;
class QLineEdit;
class QWidget;

namespace velk {

class templcolumns;

// The menu of time specification pieces behind "+ Templ" (objectName "mtempl"): three
// columns, the third holding complete examples. QMenu lays its items out in one column, so the
// entries are painted by one embedded widget in the menu's own item style.
// Each entry is a QAction child named as the item (today1, N2, ...) with the properties
// "caption" (the text inserted) and "tag" (0: insert at the caret, 1: replace the whole text).
class templmenu : public QMenu {
    Q_OBJECT
  public:
    explicit templmenu(QWidget* parent = nullptr);

    // Shows the menu with its top-left corner at pos and waits until it closes.
    // Returns the chosen entry, nullptr when it was closed without a choice.
    QAction* choose(const QPoint& pos);

    // The entries column by column, top to bottom, separators included.
    const QList<QList<QAction*>>& columns() const { return cols; }

  private:
    friend class templcolumns;
    QStyleOptionMenuItem itemoption(const QAction* entry) const;
    void pick(QAction* entry);

    QList<QList<QAction*>> cols;
    QAction* chosen = nullptr;
};

int entrytag(const QAction* entry);

// A time entry was chosen. Tag 0: the caption replaces the selection of ctime and the caret
// goes just after the first "[" of the caption (inside the first empty pair), or after the
// inserted text when it has none. Tag 1: the caption becomes the whole text, caret at its start.
// Both go through QLineEdit operations that emit textChanged, so the editor commits at once.
// ctime has the focus afterwards.
void inserttempl(QLineEdit* ctime, const QAction* entry);

// "+ Templ": pops the menu up with its top-left corner on the button, inserts the chosen entry,
// and focuses ctime whether or not an entry was chosen.
void choosetempl(templmenu* mtempl, QWidget* button, QLineEdit* ctime);

} // namespace velk
