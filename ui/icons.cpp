#include "ui/icons.h"

#include <QFile>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <array>
#include <functional>

namespace velk::icons {

namespace {

constexpr int side = 16;

// A glyph painted on a transparent 16 by 16 square.
QPixmap paint(const std::function<void(QPainter&)>& draw) {
    QImage img(side, side, QImage::Format_ARGB32_Premultiplied);
    img.fill(Qt::transparent);
    QPainter p(&img);
    p.setRenderHint(QPainter::Antialiasing);
    draw(p);
    p.end();
    return QPixmap::fromImage(img);
}

// Grey, lighter and fainter: the look of a glyph on a button that cannot be pressed.
QPixmap disabledlook(const QPixmap& normal) {
    QImage img = normal.toImage().convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < img.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(img.scanLine(y));
        for (int x = 0; x < img.width(); ++x) {
            const QRgb c = line[x];
            const int grey = 128 + qGray(c) / 2;
            line[x] = qRgba(grey, grey, grey, qAlpha(c) * 3 / 5);
        }
    }
    return QPixmap::fromImage(img);
}

QIcon withdisabled(const QPixmap& normal) {
    QIcon icon;
    icon.addPixmap(normal, QIcon::Normal);
    icon.addPixmap(disabledlook(normal), QIcon::Disabled);
    return icon;
}

void drawbell(QPainter& p) {
    QPainterPath body;
    body.moveTo(2.5, 12.5);
    body.cubicTo(4.5, 10.5, 3.5, 3.0, 8.0, 2.5);
    body.cubicTo(12.5, 3.0, 11.5, 10.5, 13.5, 12.5);
    body.closeSubpath();
    p.setPen(QPen(QColor(0x80, 0x58, 0x00), 1.0));
    p.setBrush(QColor(0xF2, 0xC2, 0x28));
    p.drawPath(body);
    p.setBrush(QColor(0x80, 0x58, 0x00));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(8.0, 14.0), 1.6, 1.4);
    p.drawEllipse(QPointF(8.0, 1.8), 1.1, 1.1);
    p.setPen(QPen(QColor(0xFF, 0xEE, 0xA0), 1.0));
    p.drawLine(QPointF(6.0, 5.0), QPointF(5.2, 10.0));
}

void drawclock(QPainter& p) {
    p.setPen(QPen(QColor(0x20, 0x48, 0x98), 1.4));
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(8.0, 8.0), 6.6, 6.6);
    p.setPen(QPen(QColor(0x20, 0x48, 0x98), 1.0));
    for (const auto& [a, b] :
         std::array<std::pair<QPointF, QPointF>, 4>{{{{8.0, 2.4}, {8.0, 3.6}},
                                                     {{13.6, 8.0}, {12.4, 8.0}},
                                                     {{8.0, 13.6}, {8.0, 12.4}},
                                                     {{2.4, 8.0}, {3.6, 8.0}}}})
        p.drawLine(a, b);
    p.setPen(QPen(Qt::black, 1.4, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(8.0, 8.0), QPointF(8.0, 4.2));
    p.drawLine(QPointF(8.0, 8.0), QPointF(11.0, 9.6));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0xC0, 0x20, 0x20));
    p.drawEllipse(QPointF(8.0, 8.0), 1.0, 1.0);
}

void drawpage(QPainter& p, const QRectF& r) {
    p.setPen(QPen(QColor(0x40, 0x50, 0x70), 1.0));
    p.setBrush(Qt::white);
    p.drawRect(r);
    p.setPen(QPen(QColor(0x80, 0x98, 0xC8), 1.0));
    for (double y = r.top() + 2.5; y < r.bottom() - 1.0; y += 2.0)
        p.drawLine(QPointF(r.left() + 2.0, y), QPointF(r.right() - 2.0, y));
}

void drawcopy(QPainter& p) {
    drawpage(p, QRectF(1.5, 1.5, 8.0, 10.0));
    drawpage(p, QRectF(6.5, 4.5, 8.0, 10.0));
}

void drawcross(QPainter& p) {
    p.setPen(QPen(QColor(0x90, 0x10, 0x10), 3.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(3.5, 3.5), QPointF(12.5, 12.5));
    p.drawLine(QPointF(12.5, 3.5), QPointF(3.5, 12.5));
    p.setPen(QPen(QColor(0xE8, 0x30, 0x30), 2.0, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(3.5, 3.5), QPointF(12.5, 12.5));
    p.drawLine(QPointF(12.5, 3.5), QPointF(3.5, 12.5));
}

void drawnew(QPainter& p) {
    QPainterPath page;
    page.moveTo(2.5, 1.5);
    page.lineTo(9.5, 1.5);
    page.lineTo(13.5, 5.5);
    page.lineTo(13.5, 14.5);
    page.lineTo(2.5, 14.5);
    page.closeSubpath();
    p.setPen(QPen(QColor(0x40, 0x50, 0x70), 1.0));
    p.setBrush(Qt::white);
    p.drawPath(page);
    p.setBrush(QColor(0xD8, 0xE0, 0xF0));
    p.drawPolygon(QPolygonF{{9.5, 1.5}, {9.5, 5.5}, {13.5, 5.5}});
    // A spark in the corner: something that did not exist before.
    p.setPen(QPen(QColor(0xE0, 0x90, 0x00), 1.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(6.0, 8.0), QPointF(6.0, 12.0));
    p.drawLine(QPointF(4.0, 10.0), QPointF(8.0, 10.0));
    p.setPen(QPen(QColor(0xE0, 0x90, 0x00), 1.0, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(4.6, 8.6), QPointF(7.4, 11.4));
    p.drawLine(QPointF(7.4, 8.6), QPointF(4.6, 11.4));
}

// Rows of the list's bell, top first: X black, dot white.
constexpr std::array<const char*, 13> bellrows = {
    ".......", ".......", "...X...", "..XXX..", ".X...X.", ".X...X.", ".X...X.",
    ".X...X.", "X.....X", "X.....X", "XXXXXXX", "..X.X..", "...X...",
};

} // namespace

QIcon clock() {
    return withdisabled(paint(drawclock));
}
QIcon copy() {
    return withdisabled(paint(drawcopy));
}
QIcon cross() {
    return withdisabled(paint(drawcross));
}
QIcon newalarm() {
    return withdisabled(paint(drawnew));
}
QIcon appicon() {
    // The sizes the desktop's menus, task bars and window lists ask for, drawn for each size.
    QIcon bell;
    for (int size : appiconsizes) {
        const QString file = QStringLiteral(":/icons/velk-%1.png").arg(size);
        if (QFile::exists(file)) bell.addFile(file, QSize(size, size));
    }
    // Built into the program; should they be missing, the drawn 16 by 16 bell stands in.
    if (bell.isNull()) bell = QIcon(paint(drawbell));
    return bell;
}

QImage imbell() {
    QImage img(7, 13, QImage::Format_RGB32);
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            img.setPixel(x, y, bellrows[y][x] == 'X' ? qRgb(0, 0, 0) : qRgb(255, 255, 255));
    return img;
}

void invertbell(const QImage& src, QImage& target, const QColor& highlight) {
    target = QImage(src.size(), QImage::Format_RGB32);
    for (int x = 0; x < src.width(); ++x)
        for (int y = 0; y < src.height(); ++y)
            target.setPixel(
                x, y, (src.pixel(x, y) & 0xFFFFFF) == 0 ? qRgb(255, 255, 255) : highlight.rgb());
}

} // namespace velk::icons
