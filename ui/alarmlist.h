#pragma once
#include <QAbstractListModel>
#include <QImage>
#include <QStyledItemDelegate>

#include "alarms/book.h"
#include "alarms/snoozes.h"

namespace velk {

class editornotes;

// The list's rows: no strings held, only a row count equal to the book's evcount. Row r shows
// evs[evorder[r]], drawn on demand by alarmdelegate.
class alarmmodel : public QAbstractListModel {
    Q_OBJECT
  public:
    alarmmodel(const book& alarms, QObject* parent = nullptr);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    // What a screen reader says of a row, and its tool tip; the rows themselves are painted.
    QVariant data(const QModelIndex& index, int role) const override;

    // Where rows get their spoken text and tool tip from; without it a row says its name.
    const editornotes* notes = nullptr;

    // Takes over evcount as the row count and has the visible rows redrawn.
    void refresh();

  private:
    const book& alarms_;
    int rows_ = 0;
};

// Paints one row: bell, next time, right-aligned countdown, name.
class alarmdelegate : public QStyledItemDelegate {
    Q_OBJECT
  public:
    static constexpr int rowheight = 15;

    // bell and bellinv belong to the window, which fills bellinv at start-up.
    alarmdelegate(const book& alarms, const QImage& bell, const QImage& bellinv,
                  QObject* parent = nullptr);

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

    // Draws row index of the list into rect with the list's font and colours.
    void lbeventsDrawItem(QPainter& painter, int index, const QRect& rect, bool selected,
                          const QFont& font, const QPalette& palette) const;

    // Where a row learns that its alarm will not work, which puts a mark in it.
    const editornotes* notes = nullptr;
    // Put-off runs: a snoozed alarm shows that moment as its next, marked.
    const snoozes* putoff = nullptr;

  private:
    const book& alarms_;
    const QImage& bell_;
    const QImage& bellinv_;
};

} // namespace velk
