#include "ui/qtdesktop.h"

#include <algorithm>
#include <array>

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QList>
#include <QMouseEvent>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QThread>
#include <QVBoxLayout>

#include "alarms/alarmfile.h"
#include "execution/script.h"
#include "execution/session.h"
#include "ui/messagedialog.h"
#include "ui/platform.h"
#include "ui/snoozebutton.h"

namespace velk {

namespace {

QString fromcore(const std::string& text) {
    // Texts may quote alarm names and action lines, which need not be UTF-8.
    QString t = QString::fromStdString(readabletext(text));
    t.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    return t;
}

// The buttons of the four-answer question, in the order shown.
constexpr std::array fouranswers{answer::yes, answer::no, answer::notoall, answer::yestoall};

int clampms(int ms) {
    return std::clamp(ms, 0, qtdesktop::longestblock);
}

// Closes when clicked, like a balloon.
class cornernote : public QWidget {
  public:
    cornernote()
        : QWidget(nullptr, Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                               Qt::WindowDoesNotAcceptFocus) {}

  protected:
    void mousePressEvent(QMouseEvent*) override { close(); }
};

// An icon the panel has not placed yet reports the screen's origin, and its balloon would be drawn
// there, far from the icon: at start-up the first tick runs before the panel has docked it. Such a
// balloon waits for the icon's place, a few seconds at most.
constexpr int trayplacetries = 60, trayplacems = 50;

void showattray(const QPointer<QSystemTrayIcon>& tray, const QString& title, const QString& text,
                int triesleft) {
    if (!tray) return;
    if (tray->geometry().topLeft().isNull() && triesleft > 0) {
        QTimer::singleShot(trayplacems, tray.data(),
                           [=] { showattray(tray, title, text, triesleft - 1); });
        return;
    }
    tray->showMessage(title, text, QSystemTrayIcon::NoIcon, qtdesktop::balloonms);
}

} // namespace

qtdesktop::qtdesktop(QObject* parent) : QObject(parent) {
    ttbringer.setObjectName(QStringLiteral("ttbringer"));
    ttbringer.setSingleShot(true);
    ttbringer.setInterval(1);
    connect(&ttbringer, &QTimer::timeout, this, &qtdesktop::bringtofront);
    setdesktop(this);
}

qtdesktop::~qtdesktop() {
    if (&thedesktop() == this) setdesktop(nullptr);
}

// Once the session ends no box opens any more; the callers take that as no answer.
void qtdesktop::showmessage(const std::string& text) {
    if (sessionending()) return;
    messagedialog box(fromcore(text), {QStringLiteral("OK")}, 0, owner());
    snoozebutton snooze(box, activesnooze());
    // A script's box opens by itself, while the user may be typing elsewhere.
    if (indialog) box.holdanswers(answerpause);
    box.ask();
}

bool qtdesktop::askyesno(const std::string& text) {
    if (sessionending()) return false;
    messagedialog box(fromcore(text), {QStringLiteral("&Yes"), QStringLiteral("&No")}, -1, owner());
    snoozebutton snooze(box, activesnooze());
    if (indialog) box.holdanswers(answerpause);
    return box.ask() == 0;
}

answer qtdesktop::askfour(const std::string& text, answer defaultbutton) {
    const auto named = std::find(fouranswers.begin(), fouranswers.end(), defaultbutton);
    const int defaultindex =
        named == fouranswers.end() ? -1 : static_cast<int>(named - fouranswers.begin());
    if (sessionending()) return answer::none;
    messagedialog box(fromcore(text),
                      {QStringLiteral("&Yes"), QStringLiteral("&No"), QStringLiteral("N&o to All"),
                       QStringLiteral("Yes to &All")},
                      defaultindex, owner());
    box.holdanswers(answerpause);
    const int chosen = box.ask();
    return chosen < 0 ? answer::none : fouranswers[static_cast<std::size_t>(chosen)];
}

void qtdesktop::balloon(const std::string& title, const std::string& text) {
    const QString t = fromcore(title), body = fromcore(text);
    // The tray's balloon only where the desktop has no notifications of its own: on a
    // StatusNotifierItem tray it would go to the same server, less well.
    platform::notify(t, body, balloonms, [icon = tray, t, body] {
        if (icon && icon->isVisible() && QSystemTrayIcon::isSystemTrayAvailable() &&
            QSystemTrayIcon::supportsMessages())
            showattray(icon, t, body, trayplacetries);
        else
            showcornernote(t, body, balloonms);
    });
}

void qtdesktop::sleepms(int ms) {
    // In slices, so that the end of the session cuts a long "#wait" short.
    QElapsedTimer clock;
    clock.start();
    for (qint64 left = clampms(ms); left > 0 && !sessionending();
         left = clampms(ms) - clock.elapsed())
        QThread::msleep(static_cast<unsigned long>(std::min<qint64>(left, sleepslicems)));
}

QWidget* qtdesktop::owner() const {
    return mainwindow;
}

void qtdesktop::beep() {
    platform::beep();
}

void qtdesktop::tone(int frequency, int ms) {
    if (clampms(ms) > 0) platform::tone(frequency, clampms(ms));
}

bool qtdesktop::shellopen(const std::string& file, const std::string& params,
                          const std::string& dir) {
    return platform::shellopen(QString::fromStdString(file), QString::fromStdString(params),
                               QString::fromStdString(dir));
}

std::optional<std::size_t> qtdesktop::pickopen(const std::vector<std::string_view>& files) {
    QStringList names;
    for (const std::string_view f : files)
        names << QString::fromUtf8(f.data(), static_cast<qsizetype>(f.size()));
    const qsizetype pick = platform::pickopen(names);
    if (pick < 0) return std::nullopt;
    return static_cast<std::size_t>(pick);
}

void qtdesktop::armbringer() {
    ttbringer.start();
}

void qtdesktop::bringtofront() {
    QWidget* target = QApplication::activeModalWidget();
    if (!target) target = mainwindow;
    // A window hidden in the tray stays there; bringing to the front never shows it.
    if (!target || !target->isVisible()) return;
    platform::bringforward(target, false);
}

void showcornernote(const QString& title, const QString& text, int ms) {
    static QList<QPointer<QWidget>> shown;
    shown.removeAll(nullptr);

    auto* note = new cornernote;
    note->setObjectName(QStringLiteral("cornernote"));
    note->setAttribute(Qt::WA_DeleteOnClose);
    note->setAttribute(Qt::WA_ShowWithoutActivating);
    note->setAttribute(Qt::WA_QuitOnClose, false);
    auto* column = new QVBoxLayout(note);
    auto* head = new QLabel(title, note);
    QFont bold = head->font();
    bold.setBold(true);
    head->setFont(bold);
    head->setTextFormat(Qt::PlainText);
    column->addWidget(head);
    if (!text.isEmpty()) {
        auto* body = new QLabel(text, note);
        body->setTextFormat(Qt::PlainText);
        column->addWidget(body);
    }
    note->adjustSize();

    const QScreen* screen = QGuiApplication::primaryScreen();
    if (QGuiApplication::platformName().startsWith(QLatin1String("wayland"))) {
        // Wayland places every window itself (a fixed size floats it on tiling compositors),
        // and a tool tip without a parent window would not show at all.
        note->setWindowFlags(Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                             Qt::WindowDoesNotAcceptFocus);
        note->setFixedSize(note->size());
        screen = nullptr;
    }
    // Stacked upwards from the bottom right corner, above the notes still showing.
    int bottom = 0;
    if (screen) {
        const QRect area = screen->availableGeometry();
        bottom = area.bottom() - 8;
        for (const auto& other : shown)
            bottom = std::min(bottom, other->y() - 8);
        note->move(area.right() - 8 - note->width(), bottom - note->height());
    }
    shown.append(note);
    QTimer::singleShot(ms, note, &QWidget::close);
    note->show();
}

} // namespace velk
