#pragma once
#include <QDialog>
#include <QList>
#include <QStringList>

class QHBoxLayout;
class QPushButton;

namespace velk {

// Plain text with tab stops close enough that a legend written as "Yes\t\t- ..." and
// "No to All\t- ..." lines up; wraps at word boundaries past a readable width.
class tabbedtext : public QWidget {
    Q_OBJECT
  public:
    explicit tabbedtext(const QString& text, QWidget* parent = nullptr);
    QString text() const { return shown; }
    int tabstop() const;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

  protected:
    void paintEvent(QPaintEvent*) override;

  private:
    QRect textrect() const;
    QString shown;
};

// A modal box captioned "[VELK]" with a text, no icon, and push buttons in exactly the order given,
// with exactly the texts given; a "&" marks a button's accelerator, as in "N&o to All". The
// platform's button-box conventions (reordering) would change what the user sees from one
// desktop to another, so they are not used.
// With an owner the box is modal to that window only: the owner is blocked, while the tray icon
// and its menu stay usable.
class messagedialog : public QDialog {
    Q_OBJECT
  public:
    // defaultindex < 0: no default named; the first button then has the focus, as in any dialog.
    messagedialog(const QString& text, const QStringList& buttons, int defaultindex = -1,
                  QWidget* owner = nullptr);
    ~messagedialog() override;

    // For its first ms once shown the box takes no key and no click, its buttons disabled: a box
    // that opens by itself must not be answered by a keystroke meant for another program.
    void holdanswers(int ms) { holdms = ms; }
    // Runs the modal loop; the index of the button pressed, -1 when closed without a button.
    int ask();
    int chosen() const { return choice; }
    // Unmaps the box and maps it again within ask(), for compositors that focus a new window
    // but no other; nothing outside ask().
    void remap();
    // A button after the given ones, and beside it (when given) a widget of the caller's; a
    // press of the button ends the box as closed, for the caller to tell what it did.
    QPushButton* addbutton(const QString& text, QWidget* beside = nullptr);
    const QList<QPushButton*>& buttons() const { return pushbuttons; }

    // Closes every open box without an answer (the session ends); returns how many were open.
    static int closeall();
    static int opencount();

  protected:
    // A button's accelerator letter presses it, with Alt or alone, as in the desktop's own
    // message boxes.
    void keyPressEvent(QKeyEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

  private:
    void setanswering(bool on);

    QList<QPushButton*> pushbuttons;
    QHBoxLayout* row = nullptr;
    QPushButton* focused = nullptr;
    int holdms = 0;
    bool holding = false;
    bool remapping = false;
    int choice = -1;
};

inline constexpr const char* dialogcaption = "[VELK]";

} // namespace velk
