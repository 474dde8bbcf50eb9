#include "ui/messagedialog.h"

#include <QAbstractButton>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QPainter>
#include <QPointer>
#include <QPushButton>
#include <QTextOption>
#include <QTimer>
#include <QVBoxLayout>

namespace velk {

namespace {
constexpr int widestline = 640;
// Every box now on the screen (nested loops may hold several), oldest first.
QList<QPointer<messagedialog>>& openboxes() {
    static QList<QPointer<messagedialog>> boxes;
    return boxes;
}
constexpr int textflags =
    Qt::AlignLeft | Qt::AlignTop | Qt::TextWordWrap | Qt::TextWrapAnywhere | Qt::TextExpandTabs;
} // namespace

tabbedtext::tabbedtext(const QString& text, QWidget* parent) : QWidget(parent), shown(text) {
    // Scripts and questions write CR LF line ends; Qt wants bare LF.
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

// Six average characters: past "Yes" and "No", short of "No to All" in any usual font.
int tabbedtext::tabstop() const {
    return 6 * fontMetrics().averageCharWidth();
}

QRect tabbedtext::textrect() const {
    return fontMetrics().boundingRect(QRect(0, 0, widestline, 1 << 20), textflags, shown,
                                      tabstop());
}

QSize tabbedtext::sizeHint() const {
    return textrect().size().expandedTo(QSize(160, 0));
}

void tabbedtext::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QTextOption option(Qt::AlignLeft | Qt::AlignTop);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    option.setTabStopDistance(tabstop());
    painter.drawText(QRectF(rect()), shown, option);
}

messagedialog::messagedialog(const QString& text, const QStringList& buttons, int defaultindex,
                             QWidget* owner)
    : QDialog(owner, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint) {
    setWindowTitle(QString::fromLatin1(dialogcaption));
    setObjectName(QStringLiteral("velkdialog"));
    // A parentless dialog counts as a main window to Qt; closing it while the real window is
    // hidden in the tray must not end the program.
    setAttribute(Qt::WA_QuitOnClose, false);
    // Application-modal boxes would block the tray icon too, and a click at it must bring the
    // box forward. Modal to the main window, they still keep its editor away from a running
    // script's alarm.
    setWindowModality(owner ? Qt::WindowModal : Qt::ApplicationModal);

    auto* label = new tabbedtext(text, this);
    label->setObjectName(QStringLiteral("text"));
    // Wide enough for the caption where the program draws its own title bar (Qt's decoration
    // on Wayland, with its buttons), which would cut it short.
    label->setMinimumWidth(fontMetrics().horizontalAdvance(windowTitle()) + 160);

    row = new QHBoxLayout;
    row->addStretch(1);
    for (int i = 0; i < buttons.size(); ++i) {
        auto* b = new QPushButton(buttons[i], this);
        b->setObjectName(QStringLiteral("button%1").arg(i));
        b->setAutoDefault(true);
        b->setDefault(i == defaultindex);
        connect(b, &QPushButton::clicked, this, [this, i] {
            choice = i;
            accept();
        });
        row->addWidget(b);
        pushbuttons.append(b);
    }
    row->addStretch(1);

    auto* column = new QVBoxLayout(this);
    column->setSizeConstraint(QLayout::SetFixedSize);
    column->addWidget(label);
    column->addSpacing(8);
    column->addLayout(row);

    if (defaultindex >= 0 && defaultindex < pushbuttons.size())
        focused = pushbuttons[defaultindex];
    else if (!pushbuttons.isEmpty())
        focused = pushbuttons.front();
    if (focused) focused->setFocus();
}

void messagedialog::showEvent(QShowEvent* e) {
    QDialog::showEvent(e);
    if (holdms <= 0 || holding) return;
    setanswering(false);
    QTimer::singleShot(holdms, this, [this] { setanswering(true); });
    holdms = 0;
}

void messagedialog::closeEvent(QCloseEvent* e) {
    // The close box is a click too; the program's own closing (the session's end) is not.
    if (holding && e->spontaneous()) return e->ignore();
    QDialog::closeEvent(e);
}

void messagedialog::setanswering(bool on) {
    holding = !on;
    // Every button, also one a caller added beside them (the snooze menu).
    for (QAbstractButton* b : findChildren<QAbstractButton*>())
        b->setEnabled(on);
    if (on && focused) focused->setFocus();
}

QPushButton* messagedialog::addbutton(const QString& text, QWidget* beside) {
    auto* b = new QPushButton(text, this);
    b->setObjectName(QStringLiteral("button%1").arg(pushbuttons.size()));
    b->setAutoDefault(true);
    connect(b, &QPushButton::clicked, this, [this] {
        choice = -1;
        reject();
    });
    // Before the closing stretch, which keeps the row centred.
    const int at = row->count() - 1;
    row->insertWidget(at, b);
    if (beside) row->insertWidget(at + 1, beside);
    pushbuttons.append(b);
    return b;
}

messagedialog::~messagedialog() {
    openboxes().removeAll(this);
    openboxes().removeAll(nullptr);
}

int messagedialog::ask() {
    choice = -1;
    openboxes().append(this);
    // Hiding a dialog ends its loop; a remap shows it again in a new one.
    do {
        remapping = false;
        exec();
    } while (remapping);
    openboxes().removeAll(this);
    return choice;
}

void messagedialog::remap() {
    // Only a box inside ask() is in the list.
    if (!openboxes().contains(this) || !isVisible()) return;
    remapping = true;
    hide();
}

int messagedialog::closeall() {
    const QList<QPointer<messagedialog>> boxes = openboxes();
    int n = 0;
    for (const auto& box : boxes)
        if (box) {
            box->choice = -1;
            box->remapping = false;
            box->done(QDialog::Rejected);
            ++n;
        }
    return n;
}

int messagedialog::opencount() {
    openboxes().removeAll(nullptr);
    return static_cast<int>(openboxes().size());
}

void messagedialog::keyPressEvent(QKeyEvent* e) {
    if (holding) return e->accept();
    // With Alt too, should the shortcut not have taken it (no active window yet).
    if (!(e->modifiers() & (Qt::ControlModifier | Qt::MetaModifier)))
        for (QPushButton* b : pushbuttons) {
            const QKeySequence mnemonic = QKeySequence::mnemonic(b->text());
            if (!mnemonic.isEmpty() && mnemonic[0].key() == Qt::Key(e->key())) {
                b->click();
                return;
            }
        }
    QDialog::keyPressEvent(e);
}

} // namespace velk
