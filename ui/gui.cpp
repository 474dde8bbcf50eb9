#include "ui/gui.h"

#include <QApplication>
#include <QMessageBox>
#include <QSessionManager>
#include <QTimer>
#include <exception>
#include <string>

#include "alarms/leftovers.h"
#include "control/instance.h"
#include "execution/session.h"
#include "timespec/error.h"
#include "ui/icons.h"
#include "ui/qtdesktop.h"
#include "ui/singleinstance.h"
#include "ui/termsignal.h"
#include "ui/velkform.h"

namespace velk {

namespace {

const char* const apptitle = "[VELK]";

void showerror(const QString& text) {
    QMessageBox box(QMessageBox::Critical, QString::fromLatin1(apptitle), text, QMessageBox::Ok);
    box.exec();
}

// Errors that escape an event handler are shown, and the program goes on.
class velkapplication : public QApplication {
  public:
    using QApplication::QApplication;

    bool notify(QObject* receiver, QEvent* e) override {
        try {
            return QApplication::notify(receiver, e);
        } catch (const velkerror& err) {
            showerror(QString::fromStdString(err.text));
        } catch (const std::exception& err) {
            showerror(QString::fromLocal8Bit(err.what()));
        } catch (...) {
            showerror(QString());
        }
        return false;
    }
};

// The caret stops blinking after a while without input, as it does on GNOME: a blinking caret
// would otherwise keep the program busy for as long as the window stays open.
class blinktimeout : public QObject {
  public:
    static constexpr int idlems = 10000;

    blinktimeout() : flash_(app()->cursorFlashTime()) {
        idle_.setSingleShot(true);
        idle_.setInterval(idlems);
        connect(&idle_, &QTimer::timeout, this, [this] {
            if (flash_ > 0) app()->setCursorFlashTime(0);
        });
        idle_.start();
        qApp->installEventFilter(this);
    }

  protected:
    bool eventFilter(QObject*, QEvent* e) override {
        switch (e->type()) {
        case QEvent::KeyPress:
        case QEvent::MouseButtonPress:
        case QEvent::FocusIn:
            if (!idle_.isActive() && flash_ > 0) app()->setCursorFlashTime(flash_);
            idle_.start();
            break;
        default:
            break;
        }
        return false;
    }

  private:
    static QApplication* app() { return static_cast<QApplication*>(QCoreApplication::instance()); }

    QTimer idle_;
    int flash_;
};

std::string commandline(int argc, char** argv) {
    std::string text;
    for (int i = 1; i < argc; ++i) {
        if (i > 1) text += ' ';
        text += argv[i];
    }
    return text;
}

} // namespace

int rungui(int argc, char** argv) {
    const std::string cmdline = commandline(argc, argv);
    velkapplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("VELK"));
    // The task bar finds the desktop entry, and its icon, by this name (Wayland's app id).
    QGuiApplication::setDesktopFileName(QStringLiteral("velk"));
    // Message boxes of scripts run while the window is hidden; closing them must not end the
    // program.
    app.setQuitOnLastWindowClosed(false);
    // One bell for every window, dialog, the window list and the task bar, at every size.
    QApplication::setWindowIcon(icons::appicon());
    blinktimeout blink;
    // Ended by the system (logout, kill): no questions, but the alarms are saved. Caught from
    // the start, so that a signal during the start-up questions is not lost.
    TVELKForm* running = nullptr;
    onterminate(&app, [&running] {
        if (running) running->endsession();
        QCoreApplication::exit(0);
    });
    try {
        const std::string path = control::datapath();
        singleinstance one(QString::fromStdString(path));
        // A second "velk tray" (an autostart entry) leaves the running window as it is.
        if (!one.claim(!TVELKForm::wantstray(cmdline))) return 0;
        if (sessionending()) return 0;
        // Saves cut short by a kill leave their temporary files; no other writer runs now.
        removeleftovers(path);

        qtdesktop desk;
        TVELKForm form(path, cmdline);
        desk.settrayicon(form.trayicon());
        desk.setmainwindow(&form);
        QObject::connect(&one, &singleinstance::showrequested, &form, &TVELKForm::trayiconClick);
        one.sethandler(
            [&form](const std::vector<std::string>& args) { return form.runcommand(args); });
        QObject::connect(&form, &TVELKForm::closed, &one, &singleinstance::stoplistening);
        // exit(), not quit(): quit() would ask every window to close again.
        QObject::connect(
            &form, &TVELKForm::closed, &app, [] { QCoreApplication::exit(0); },
            Qt::QueuedConnection);
        // Ends the dialogs' loops too, so every nested pass unwinds before the final save.
        QObject::connect(&form, &TVELKForm::ending, &app, [] { QCoreApplication::exit(0); });
        QObject::connect(&app, &QGuiApplication::commitDataRequest, &form,
                         [&form](QSessionManager&) { form.endsession(); });
        QObject::connect(&app, &QApplication::aboutToQuit, &form, &TVELKForm::emergencysave);
        running = &form;
        form.FormCreate();
        // A session that ended during the start-up questions has no message loop to run.
        if (!sessionending()) app.exec();
        running = nullptr;
        form.finish();
    } catch (const velkerror& err) {
        running = nullptr;
        showerror(QString::fromStdString(err.text));
    } catch (const std::exception& err) {
        running = nullptr;
        showerror(QString::fromLocal8Bit(err.what()));
    }
    return 0;
}

} // namespace velk
