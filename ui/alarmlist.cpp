#include "ui/alarmlist.h"

#include <QFontMetrics>
#include <QPainter>
#include <QStyle>

#include "alarms/alarmfile.h"
#include "alarms/displaytime.h"
#include "timespec/clock.h"
#include "ui/editornotes.h"

namespace velk {

alarmmodel::alarmmodel(const book& alarms, QObject* parent)
    : QAbstractListModel(parent), alarms_(alarms) {}

int alarmmodel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : rows_;
}

QVariant alarmmodel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= alarms_.evcount()) return {};
    const velk::event& a = *alarms_.inrow(index.row());
    if (role == Qt::ToolTipRole && notes) {
        const QString note = notes->rownote(a);
        return note.isEmpty() ? QVariant() : note;
    }
    if (role != Qt::AccessibleTextRole) return {};
    if (notes) return notes->rowtext(a);
    return QString::fromStdString(a.name.empty() ? "<ALARM>" : readabletext(a.name));
}

void alarmmodel::refresh() {
    if (rows_ != alarms_.evcount()) {
        // A reset drops the view's selection without a signal; the caller selects again.
        beginResetModel();
        rows_ = alarms_.evcount();
        endResetModel();
    } else if (rows_ > 0) {
        emit dataChanged(index(0), index(rows_ - 1));
    }
}

alarmdelegate::alarmdelegate(const book& alarms, const QImage& bell, const QImage& bellinv,
                             QObject* parent)
    : QStyledItemDelegate(parent), alarms_(alarms), bell_(bell), bellinv_(bellinv) {}

void alarmdelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const {
    if (index.row() >= alarms_.evcount()) return;
    const bool selected = option.state & QStyle::State_Selected;
    painter->save();
    lbeventsDrawItem(*painter, index.row(), option.rect, selected, option.font, option.palette);
    painter->restore();
    // A dotted outline only: some styles wash a tint over the whole row, which would change
    // the row's colours.
    if ((option.state & QStyle::State_HasFocus) && (option.state & QStyle::State_Active)) {
        painter->save();
        painter->setPen(
            QPen(option.palette.color(selected ? QPalette::HighlightedText : QPalette::Text), 1,
                 Qt::DotLine));
        painter->drawRect(option.rect.adjusted(0, 0, -1, -1));
        painter->restore();
    }
}

QSize alarmdelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex&) const {
    return {option.rect.width() > 0 ? option.rect.width() : 1, rowheight};
}

void alarmdelegate::lbeventsDrawItem(QPainter& painter, int index, const QRect& rect, bool selected,
                                     const QFont& font, const QPalette& palette) const {
    // Measured in the row's font every time, so the columns follow the font.
    static const QString datetemplate = QStringLiteral("0000-00-00 00:00 mon");
    static const QString counttemplate = QStringLiteral("(+000d 00:00)");
    static const QString none = QStringLiteral("-");

    const int i = alarms_.evorder(index);
    // Between a change of the book and its re-sort the order may point past the end.
    if (i < 0 || i >= alarms_.evcount() || !alarms_.evs(i)) return;
    const velk::event& a = *alarms_.evs(i);
    painter.fillRect(rect, palette.color(selected ? QPalette::Highlight : QPalette::Base));
    QColor ink;
    if (a.active)
        ink = palette.color(selected ? QPalette::HighlightedText : QPalette::Text);
    else
        ink = selected ? QColor(0xA0, 0xA0, 0xA0) : QColor(0x80, 0x80, 0x80);
    const QImage& bellimage = selected ? bellinv_ : bell_;

    int x = rect.left() + 5;
    const int y = rect.top() + 1;
    if (a.active) painter.drawImage(QPoint(x, y), bellimage);
    x += bellimage.width() + 5;

    QString date = none, count = none;
    const datetime until = putoff ? putoff->until(a) : novalue;
    const datetime shown = isnovalue(until) ? a.next : until;
    if (!isnovalue(shown)) {
        date = QString::fromStdString(displaytime(shown));
        count = QStringLiteral("(+") + QString::fromStdString(countdowntext(now(), shown)) +
                QLatin1Char(')');
    }
    painter.setFont(font);
    painter.setPen(ink);
    const QFontMetrics fm(font);
    const int baseline = y + fm.ascent();
    painter.drawText(x, baseline, date);
    x += fm.horizontalAdvance(datetemplate) + fm.horizontalAdvance(counttemplate) + 10;
    painter.drawText(x - fm.horizontalAdvance(count), baseline, count);
    // An alarm that will not work: a red mark in the gap before its name.
    if (notes && !notes->rownote(a).isEmpty()) {
        painter.setPen(selected ? palette.color(QPalette::HighlightedText) : QColor(0xC0, 0, 0));
        painter.drawText(x + 2, baseline, QStringLiteral("!"));
        painter.setPen(ink);
    }
    // A snoozed alarm: a "z" in the same gap, in the selection's or the link colour.
    if (!isnovalue(until)) {
        painter.setPen(palette.color(selected ? QPalette::HighlightedText : QPalette::Link));
        painter.drawText(x + 2, baseline, QStringLiteral("z"));
        painter.setPen(ink);
    }
    x += 10;
    painter.drawText(x, baseline,
                     a.name.empty() ? QStringLiteral("<ALARM>")
                                    : QString::fromStdString(readabletext(a.name)));
}

} // namespace velk
