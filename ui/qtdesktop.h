#pragma once
#include <QObject>
#include <QPointer>
#include <QSystemTrayIcon>
#include <QTimer>
#include <QWidget>

#include "alarms/desktop.h"

namespace velk {

// The desktop effects of alarms and scripts, done with Qt. Every call is made on the GUI thread;
// the dialogs run nested modal loops in which the window's timers keep firing.
// Constructing one installs it as the program's desktop; destroying it puts the null desktop back.
class qtdesktop : public QObject, public desktop {
    Q_OBJECT
  public:
    explicit qtdesktop(QObject* parent = nullptr);
    ~qtdesktop() override;

    // The window whose tray icon carries balloons (nullptr: notifications instead).
    void settrayicon(QSystemTrayIcon* icon) { tray = icon; }
    // The window brought to the front when no modal dialog is open.
    void setmainwindow(QWidget* window) { mainwindow = window; }
    // The one-shot 1 ms "ttbringer" timer; connected to bringtofront(). The window may start it
    // too.
    QTimer& bringer() { return ttbringer; }
    // How long the boxes of an alarm (a script's message or question, a missed run's question)
    // take no answer after they appear.
    void setanswerpause(int ms) { answerpause = ms; }

    void showmessage(const std::string& text) override;
    bool askyesno(const std::string& text) override;
    answer askfour(const std::string& text, answer defaultbutton) override;
    void balloon(const std::string& title, const std::string& text) override;
    void sleepms(int ms) override;
    void beep() override;
    void tone(int frequency, int ms) override;
    bool shellopen(const std::string& file, const std::string& params,
                   const std::string& dir) override;
    void armbringer() override;

    static constexpr int balloonms = 30000;
    static constexpr int answerpausems = 800;
    static constexpr int longestblock = 30000; // longest sleep or tone, in milliseconds
    static constexpr int sleepslicems = 50;    // how soon a "#wait" sees the session end

  public slots:
    // Raises and activates the open modal dialog, else the main window when it is shown.
    void bringtofront();

  private:
    // The window the boxes are modal to (none: modal to the whole program).
    QWidget* owner() const;
    void notify(const QString& title, const QString& text);

    QTimer ttbringer;
    int answerpause = answerpausems;
    QPointer<QSystemTrayIcon> tray;
    QPointer<QWidget> mainwindow;
};

// Shows a balloon-like note at the corner of the screen for the given time; the last resort where
// the desktop has neither a tray nor a notification service.
void showcornernote(const QString& title, const QString& text, int ms);

} // namespace velk
