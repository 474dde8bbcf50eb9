#pragma once
#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

// The few desktop effects that differ from one operating system to another; each system has its
// own source file, chosen by the build.
namespace velk::platform {

// Opens a document, folder, program (with its parameters) or address as the desktop shell does;
// false when there is nothing to open, it cannot be started or the desktop reports that nothing
// opens it. Never goes through a shell.
bool shellopen(const QString& file, const QString& params, const QString& dir);

// Of the files of the attempts at one script line (a path with blanks grown word by word), the
// one to open, told without starting anything: its index, or files.size() when none names
// anything; -1 where only opening can tell.
qsizetype pickopen(const QStringList& files);

// Sounds a sine tone and returns when it has played; without sound output it still takes its time.
void tone(int frequency, int ms);

// The desktop's default notification sound; returns while it plays.
void beep();

// A desktop notification of the program's own, titled, named "VELK" and with its icon; sent at
// once, returning at once. Where none can be delivered (no notification service, or a system
// that has none of its own) fallback runs instead, on the GUI thread.
void notify(const QString& title, const QString& text, int ms,
            const std::function<void()>& fallback);

// Raises a shown window or box and asks for the keyboard focus, as far as the desktop lets a
// program have it. byuser: the user asked for it just now (the tray icon, its menu, a second
// start); on Wayland the window is then mapped anew when the compositor gave no focus. One source
// file (forward.cpp) serves every system.
void bringforward(QWidget* w, bool byuser);

} // namespace velk::platform
