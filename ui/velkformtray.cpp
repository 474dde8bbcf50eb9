#include "ui/velkform.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFontDatabase>
#include <QFrame>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMouseEvent>
#include <QPixmap>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QScrollBar>
#include <QSystemTrayIcon>
#include <QTextBlock>
#include <QTextCursor>
#include <functional>
#include <limits>

#include "alarms/datapath.h"
#include "alarms/desktop.h"
#include "alarms/displaytime.h"
#include "control/commands.h"
#include "control/dispatch.h"
#include "execution/script.h"
#include "execution/session.h"
#include "timespec/clock.h"
#include "timespec/error.h"
#include "ui/alarmlist.h"
#include "ui/editornotes.h"
#include "ui/filefinder.h"
#include "ui/filewatch.h"
#include "ui/icons.h"
#include "ui/messagedialog.h"
#include "ui/minutewake.h"
#include "ui/platform.h"
#include "ui/snoozeview.h"
#include "ui/specialsmenu.h"
#include "ui/templmenu.h"
#include "ui/traytip.h"
#include "ui/traywatch.h"
#include "ui/velkform2.h"
#include "ui/velkformdesign.h"

namespace velk {

using namespace design;

// ---- window and tray ----

void TVELKForm::trayiconClick() {
    // While a script dialog is up only the dialog comes forward, not the window over it.
    if (!indialog) {
        if (isMinimized()) setWindowState(windowState() & ~Qt::WindowMinimized);
        show();
    }
    QWidget* front = QApplication::activeModalWidget();
    if (!front && isVisible()) front = this;
    // A dialog the user minimised comes back too.
    if (front) platform::bringforward(front, true);
}

void TVELKForm::Restore1Click() {
    trayiconClick();
}

void TVELKForm::ExitVELK1Click() {
    close();
}

void TVELKForm::minimizeapp() {
    if (trayavailable())
        appeventsMinimize();
    else
        showMinimized();
}

void TVELKForm::appeventsMinimize() {
    if (!trayicon_->isVisible()) trayicon_->show();
    hide();
}

void TVELKForm::changeEvent(QEvent* e) {
    QWidget::changeEvent(e);
    if (e->type() == QEvent::WindowStateChange && isMinimized() && trayavailable())
        // Hiding inside the state change confuses some window managers: do it right after.
        QTimer::singleShot(0, this, [this] {
            if (isMinimized()) appeventsMinimize();
        });
    else if (e->type() == QEvent::PaletteChange && lbevents_)
        icons::invertbell(imbell_, imbellinv_, lbevents_->palette().color(QPalette::Highlight));
}

} // namespace velk
