#include "ui/velkform2.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QStyledItemDelegate>
#include <QVBoxLayout>

#include "alarms/desktop.h"
#include "alarms/futuredates.h"
#include "timespec/clock.h"
#include "timespec/error.h"
#include "timespec/explain.h"

namespace velk {

namespace {

// Rows of the list are 13 pixels high, whatever the font would ask for.
class fixedrows : public QStyledItemDelegate {
  public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        return {QStyledItemDelegate::sizeHint(option, index).width(), TVELKForm2::rowheight};
    }
};

} // namespace

TVELKForm2::TVELKForm2(QWidget* mainwindow) : QDialog(mainwindow ? mainwindow->window() : nullptr) {
    setObjectName("TVELKForm2");
    setWindowTitle(QStringLiteral("[VELK]"));
    QFont f(QStringLiteral("Tahoma"));
    f.setStyleHint(QFont::SansSerif);
    f.setPointSize(8);
    setFont(f);
    if (parentWidget()) setWindowIcon(parentWidget()->windowIcon());
    setFixedSize(clientwidth, clientheight);
    setSizeGripEnabled(false);

    lb = new QListWidget(this);
    lb->setObjectName("lb");
    lb->setUniformItemSizes(true);
    lb->setItemDelegate(new fixedrows(lb));
    lb->installEventFilter(this);
    lreading = new QLabel(this);
    lreading->setObjectName("lreading");
    lreading->setWordWrap(true);
    lreading->setMargin(3);
    // A long compound reading must leave room for the list; the tooltip holds all of it.
    lreading->setMaximumHeight(clientheight / 3);
    lreading->hide();
    auto* box = new QVBoxLayout(this);
    box->setContentsMargins(0, 0, 0, 0);
    box->setSpacing(0);
    box->addWidget(lreading);
    box->addWidget(lb);
    lb->setFocus(Qt::OtherFocusReason);
}

void TVELKForm2::setlines(const std::string& text) {
    lb->clear();
    std::string::size_type pos = 0;
    while (pos < text.size()) {
        std::string::size_type end = text.find("\r\n", pos);
        if (end == std::string::npos) end = text.size();
        lb->addItem(QString::fromStdString(text.substr(pos, end - pos)));
        pos = end + 2;
    }
}

void TVELKForm2::setreading(const std::string& text) {
    lreading->setText(QString::fromStdString(text));
    lreading->setToolTip(lreading->text());
    lreading->setVisible(!text.empty());
}

bool TVELKForm2::eventFilter(QObject* watched, QEvent* e) {
    if (watched == lb && e->type() == QEvent::KeyPress && lbKeyPress(static_cast<QKeyEvent*>(e)))
        return true;
    return QDialog::eventFilter(watched, e);
}

bool TVELKForm2::lbKeyPress(const QKeyEvent* key) {
    switch (key->key()) {
    case Qt::Key_Escape:
    case Qt::Key_Space:
    case Qt::Key_Return:
    case Qt::Key_Enter:
        close();
        return true;
    default:
        return false;
    }
}

std::string timereading(const event& alarm) {
    if (alarm.parsed) return explain(*alarm.parsed, alarm.created, now());
    try {
        const timedesc spec(alarm.time, alarm.created);
        return explain(spec, alarm.created, now());
    } catch (const velkerror& e) {
        return e.text;
    }
}

void testtimeclick(const testtimecontext& c) {
    if (c.commitedits(true)) {
        if (event* alarm = c.curevent()) {
            std::string text;
            bool parsed = true;
            try {
                text = c.futuredates ? c.futuredates(*alarm) : futuredates(*alarm);
            } catch (const velkerror& e) {
                parsed = false;
                thedesktop().showmessage(e.text);
            }
            if (parsed) {
                TVELKForm2 form(c.mainwindow);
                form.setreading(timereading(*alarm));
                form.setlines(text);
                form.exec();
            }
        }
    }
    c.ctime->setFocus(Qt::OtherFocusReason);
}

} // namespace velk
