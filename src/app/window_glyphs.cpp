#include "app/window_glyphs.h"

#include "app/cursors.h"

#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>

namespace rl {

namespace {

constexpr int kButtonSize = 20;
const QColor kInk(40, 40, 40);
const QColor kArrow(30, 90, 170);

QPixmap canvas(int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

// A triangle pointing left or right inside the given horizontal span.
void triangle(QPainter& painter, double left, double right, bool pointsLeft) {
    const double top = 4.5, bottom = kButtonSize - 4.5, middle = kButtonSize / 2.0;
    QPolygonF shape;
    if (pointsLeft)
        shape << QPointF(left, middle) << QPointF(right, top) << QPointF(right, bottom);
    else
        shape << QPointF(right, middle) << QPointF(left, top) << QPointF(left, bottom);
    painter.setPen(QPen(kArrow.darker(130), 1));
    painter.setBrush(kArrow);
    painter.drawPolygon(shape);
}

void bar(QPainter& painter, double left) {
    painter.setPen(Qt::NoPen);
    painter.setBrush(kArrow);
    painter.drawRect(QRectF(left, 4.5, 2.5, kButtonSize - 9));
}

QPixmap drawButton(WindowGlyphs::Button button) {
    using B = WindowGlyphs::Button;
    if (button == B::Hand || button == B::Zoom) {
        const QCursor cursor = button == B::Hand ? Cursors::DrawHand(false) : Cursors::DrawZoom(true);
        return cursor.pixmap().scaled(kButtonSize, kButtonSize, Qt::KeepAspectRatio,
                                      Qt::SmoothTransformation);
    }
    QPixmap pixmap = canvas(kButtonSize);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    switch (button) {
    case B::Panel:
        painter.setPen(QPen(kInk, 1));
        painter.setBrush(Qt::white);
        painter.drawRect(QRectF(2.5, 3.5, 15, 13));
        painter.setBrush(kArrow);
        painter.drawRect(QRectF(2.5, 3.5, 5, 13));
        break;
    case B::Print:
        painter.setPen(QPen(kInk, 1));
        painter.setBrush(Qt::white);
        painter.drawRect(QRectF(5.5, 2.5, 9, 6)); // paper in
        painter.setBrush(QColor(200, 200, 200));
        painter.drawRoundedRect(QRectF(2.5, 7.5, 15, 7), 1.5, 1.5); // body
        painter.setBrush(Qt::white);
        painter.drawRect(QRectF(5.5, 12.5, 9, 5)); // paper out
        painter.drawLine(QPointF(7, 15), QPointF(13, 15));
        break;
    case B::First:
        bar(painter, 3.5);
        triangle(painter, 6.5, 16, true);
        break;
    case B::Prior:
        triangle(painter, 5.5, 14.5, true);
        break;
    case B::Next:
        triangle(painter, 5.5, 14.5, false);
        break;
    case B::Last:
        triangle(painter, 4, 13.5, false);
        bar(painter, 14);
        break;
    case B::Close:
        painter.setPen(QPen(QColor(180, 30, 30), 2.5, Qt::SolidLine, Qt::RoundCap));
        painter.drawLine(QPointF(5, 5), QPointF(15, 15));
        painter.drawLine(QPointF(15, 5), QPointF(5, 15));
        break;
    case B::Select:
        // A block of text cells inside a dashed frame.
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor(51, 120, 220, 110));
        painter.drawRect(QRectF(4, 4, 12, 12));
        painter.setPen(QPen(kInk, 1, Qt::DashLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRect(QRectF(3.5, 3.5, 13, 13));
        painter.setPen(QPen(kInk, 1.2));
        for (const double y : {7.5, 10.5, 13.5})
            painter.drawLine(QPointF(6, y), QPointF(14, y));
        break;
    case B::Hand:
    case B::Zoom:
        break;
    }
    return pixmap;
}

// A sheet with a folded corner; a blue one when selected.
void drawSheet(QPainter& painter, bool selected) {
    QPainterPath sheet;
    sheet.moveTo(3.5, 1.5);
    sheet.lineTo(9.5, 1.5);
    sheet.lineTo(12.5, 4.5);
    sheet.lineTo(12.5, 14.5);
    sheet.lineTo(3.5, 14.5);
    sheet.closeSubpath();
    painter.setPen(QPen(kInk, 1));
    painter.setBrush(selected ? QColor(200, 220, 250) : QColor(Qt::white));
    painter.drawPath(sheet);
    painter.drawPolyline(QPolygonF() << QPointF(9.5, 1.5) << QPointF(9.5, 4.5) << QPointF(12.5, 4.5));
    painter.setPen(QPen(selected ? kArrow : QColor(150, 150, 150), 1));
    for (double y = 7.5; y < 13; y += 2)
        painter.drawLine(QPointF(5, y), QPointF(11, y));
}

// A book, closed or open.
void drawBook(QPainter& painter, bool open) {
    painter.setPen(QPen(kInk, 1));
    if (open) {
        painter.setBrush(Qt::white);
        painter.drawPolygon(QPolygonF() << QPointF(1.5, 3.5) << QPointF(7.5, 4.5) << QPointF(7.5, 14.5)
                                        << QPointF(1.5, 13.5));
        painter.drawPolygon(QPolygonF() << QPointF(14.5, 3.5) << QPointF(8.5, 4.5) << QPointF(8.5, 14.5)
                                        << QPointF(14.5, 13.5));
    } else {
        painter.setBrush(kArrow);
        painter.drawRect(QRectF(3.5, 1.5, 10, 13));
        painter.setBrush(Qt::white);
        painter.drawRect(QRectF(3.5, 12.5, 10, 2));
        painter.setPen(QPen(Qt::white, 1));
        painter.drawLine(QPointF(6, 5), QPointF(11, 5));
    }
}

} // namespace

QIcon WindowGlyphs::ButtonIcon(Button button) {
    return QIcon(drawButton(button));
}

QPixmap WindowGlyphs::NodeImage(int index) {
    QPixmap pixmap = canvas(kNodeImageSize);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    switch (index) {
    case 0:
        drawBook(painter, false);
        break;
    case 1:
        drawBook(painter, true);
        break;
    case 2:
        drawSheet(painter, true);
        break;
    case 3:
        drawSheet(painter, false);
        break;
    default:
        break;
    }
    return pixmap;
}

} // namespace rl
