#include "ui/templmenu.h"

#include <QAction>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QStyle>
#include <QStyleOptionMenuItem>
#include <QWidgetAction>

#include "ui/specialsmenu.h"

namespace velk {

namespace {

struct entry {
    const char* name;
    const char* caption; // nullptr: separator
    int tag;
};

constexpr entry column1[] = {
    {"today1", "today", 0}, {"tomorrow1", "tomorrow", 0}, {"N2", nullptr, 0}, {"sun1", "sun", 0},
    {"mon1", "mon", 0},     {"tue1", "tue", 0},           {"wed1", "wed", 0}, {"thu1", "thu", 0},
    {"fri1", "fri", 0},     {"sat1", "sat", 0},           {"D1", "d[]", 0},
};

constexpr entry column2[] = {
    {"next1", "next", 0}, {"once1", "once", 0}, {"N3", nullptr, 0},         {"NNN1", "N-N-N", 0},
    {"N5", "N-[]-[]", 0}, {"N6", nullptr, 0},   {"morning1", "morning", 0}, {"N4", nullptr, 0},
    {"N12001", "N:N", 0}, {"N7", "[]:[]", 0},   {"N8", nullptr, 0},         {"N9", " | ", 0},
};

// Complete examples replace whatever the time field holds.
constexpr entry column3[] = {
    {"N111521thumorning1", "N-11-[15..21] thu morning", 1},
    {"Dmonfri816001", "d[mon..fri] [8..16]:00", 1},
    {"montue0800Dmontuesun9001", "mon tue 08:00 | d[^mon;tue;sun] 09:00", 1},
    {"NN13frimorning1", "N-N-13 friday", 1},
    {"thiswednesday13301", "this wednesday 13:[00;10;20;30;40;50]", 1},
    {"once22001", "once 22:00 | once 23:00", 1},
    {"tuethu17001", "tue thu 17:00", 1},
    {"N2010111", "[^..2010]-1-1", 1},
};

constexpr int columngap = 5;

} // namespace

// Paints the three columns with the style's menu items and behaves like a menu: the entry
// under the mouse is highlighted, a click chooses it, arrows move, Enter or Space chooses.
// Keys it does not use (Escape above all) go on to the menu, which closes on Escape.
class templcolumns : public QWidget {
  public:
    explicit templcolumns(templmenu* menu) : QWidget(menu), menu(menu) {
        setMouseTracking(true);
        setFocusPolicy(Qt::StrongFocus);
    }

    QSize sizeHint() const override {
        layout();
        int w = 0, h = 0;
        for (const QRect& r : rects) {
            w = std::max(w, r.right() + 1);
            h = std::max(h, r.bottom() + 1);
        }
        return {w, h};
    }

  protected:
    void paintEvent(QPaintEvent*) override {
        layout();
        QPainter p(this);
        for (int i = 0; i < flat.size(); ++i) {
            QStyleOptionMenuItem opt = menu->itemoption(flat[i]);
            opt.rect = rects[i];
            opt.state &= ~QStyle::State_Selected;
            if (i == current) opt.state |= QStyle::State_Selected;
            style()->drawControl(QStyle::CE_MenuItem, &opt, &p, menu);
        }
        QColor line = palette().color(QPalette::Mid);
        p.setPen(line);
        for (int x : breaks)
            p.drawLine(x, 2, x, height() - 3);
    }

    void mouseMoveEvent(QMouseEvent* e) override { sethover(hit(e->position().toPoint())); }
    void leaveEvent(QEvent*) override { sethover(-1); }
    void mousePressEvent(QMouseEvent* e) override { e->accept(); }
    void mouseReleaseEvent(QMouseEvent* e) override {
        const int i = hit(e->position().toPoint());
        if (i >= 0) menu->pick(flat[i]);
    }

    void showEvent(QShowEvent*) override {
        current = -1;
        setFocus(Qt::PopupFocusReason);
    }

    void keyPressEvent(QKeyEvent* e) override {
        switch (e->key()) {
        case Qt::Key_Up:
            step(-1);
            break;
        case Qt::Key_Down:
            step(1);
            break;
        case Qt::Key_Left:
            side(-1);
            break;
        case Qt::Key_Right:
            side(1);
            break;
        case Qt::Key_Return:
        case Qt::Key_Enter:
        case Qt::Key_Space:
            if (current >= 0) menu->pick(flat[current]);
            break;
        default:
            e->ignore();
            return;
        }
        e->accept();
    }

    // The menu must not see Tab as a focus move out of the popup.
    bool focusNextPrevChild(bool) override { return false; }

  private:
    // Rows of each column stack from the top; columns sit side by side.
    void layout() const {
        if (!rects.isEmpty()) return;
        int x = 0;
        for (const QList<QAction*>& col : menu->columns()) {
            if (x > 0) {
                breaks.push_back(x + columngap / 2);
                x += columngap;
            }
            QList<QSize> sizes;
            int w = 0;
            for (QAction* a : col) {
                sizes.push_back(itemsize(a));
                w = std::max(w, sizes.back().width());
            }
            int y = 0;
            for (int i = 0; i < col.size(); ++i) {
                flat.push_back(col[i]);
                colof.push_back(int(breaks.size()));
                rects.push_back(QRect(x, y, w, sizes[i].height()));
                y += sizes[i].height();
            }
            x += w;
        }
    }

    QSize itemsize(const QAction* a) const {
        QStyleOptionMenuItem opt = menu->itemoption(a);
        QSize sz(2, 2);
        if (!a->isSeparator()) {
            const QFontMetrics& fm = opt.fontMetrics;
            sz =
                QSize(fm.boundingRect(QRect(), Qt::TextSingleLine, a->text()).width(), fm.height());
        }
        return style()->sizeFromContents(QStyle::CT_MenuItem, &opt, sz, menu);
    }

    int hit(QPoint p) const {
        layout();
        for (int i = 0; i < rects.size(); ++i)
            if (rects[i].contains(p)) return flat[i]->isSeparator() ? -1 : i;
        return -1;
    }

    void sethover(int i) {
        if (i == current) return;
        current = i;
        update();
    }

    bool selectable(int i) const { return !flat[i]->isSeparator(); }

    // Up and Down stay in the column and wrap around, skipping separators.
    void step(int dir) {
        layout();
        if (current < 0) return side(0);
        const int c = colof[current];
        QList<int> mine;
        for (int i = 0; i < flat.size(); ++i)
            if (colof[i] == c && selectable(i)) mine.push_back(i);
        const qsizetype at = mine.indexOf(current);
        sethover(mine[(at + dir + mine.size()) % mine.size()]);
    }

    // Left and Right go to the entry of the next column nearest in height.
    void side(int dir) {
        layout();
        const int ncols = int(breaks.size()) + 1;
        const int c = current < 0 ? 0 : (colof[current] + dir + ncols) % ncols;
        const int y = current < 0 ? 0 : rects[current].center().y();
        int best = -1;
        for (int i = 0; i < flat.size(); ++i) {
            if (colof[i] != c || !selectable(i)) continue;
            if (best < 0 ||
                std::abs(rects[i].center().y() - y) < std::abs(rects[best].center().y() - y))
                best = i;
        }
        if (best >= 0) sethover(best);
    }

    templmenu* menu;
    int current = -1;
    mutable QList<QAction*> flat;
    mutable QList<int> colof;
    mutable QList<QRect> rects;
    mutable QList<int> breaks;
};

templmenu::templmenu(QWidget* parent) : QMenu(parent) {
    setObjectName("mtempl");
    auto addcolumn = [this](const auto& entries) {
        QList<QAction*> col;
        for (const entry& e : entries) {
            auto* a = new QAction(this);
            a->setObjectName(QString::fromLatin1(e.name));
            if (e.caption) {
                a->setText(QString::fromLatin1(e.caption));
                a->setProperty("caption", QString::fromLatin1(e.caption));
            } else {
                a->setSeparator(true);
            }
            a->setProperty("tag", e.tag);
            col.push_back(a);
        }
        cols.push_back(col);
    };
    addcolumn(column1);
    addcolumn(column2);
    addcolumn(column3);

    auto* holder = new QWidgetAction(this);
    holder->setDefaultWidget(new templcolumns(this));
    addAction(holder);
}

QStyleOptionMenuItem templmenu::itemoption(const QAction* entry) const {
    QStyleOptionMenuItem opt;
    initStyleOption(&opt, entry);
    return opt;
}

void templmenu::pick(QAction* entry) {
    chosen = entry;
    hide();
    entry->trigger();
}

QAction* templmenu::choose(const QPoint& pos) {
    chosen = nullptr;
    exec(pos);
    return chosen;
}

int entrytag(const QAction* entry) {
    return entry->property("tag").toInt();
}

void inserttempl(QLineEdit* ctime, const QAction* entry) {
    const QString cap = entrycaption(entry);
    const int start = ctime->hasSelectedText() ? ctime->selectionStart() : ctime->cursorPosition();
    const qsizetype bracket = cap.indexOf(u'[');
    const int k = int(bracket >= 0 ? bracket + 1 : cap.size());
    if (entrytag(entry) != 0) {
        ctime->setText(cap);
        ctime->setCursorPosition(0);
    } else {
        ctime->insert(cap);
        ctime->setCursorPosition(start + k);
    }
    ctime->setFocus(Qt::OtherFocusReason);
}

void choosetempl(templmenu* mtempl, QWidget* button, QLineEdit* ctime) {
    // A QLineEdit may drop its selection while the popup has the focus; the entry replaces
    // the selection the user made, so it is put back before the insertion.
    const QString text = ctime->text();
    const int selstart = ctime->hasSelectedText() ? ctime->selectionStart() : -1;
    const int sellength = ctime->selectionLength();
    if (const QAction* entry = mtempl->choose(button->mapToGlobal(QPoint(0, 0)))) {
        if (selstart >= 0 && ctime->text() == text) ctime->setSelection(selstart, sellength);
        inserttempl(ctime, entry);
    }
    ctime->setFocus(Qt::OtherFocusReason);
}

} // namespace velk
