#include "app/cursors.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

#include <map>

namespace rl {

namespace {

constexpr int kSize = 32;

std::map<int, QCursor>& registry() {
    static std::map<int, QCursor> cursors;
    return cursors;
}

QPixmap blankPixmap() {
    QPixmap pixmap(kSize, kSize);
    pixmap.fill(Qt::transparent);
    return pixmap;
}

void outlineAndFill(QPainter& painter, const QPainterPath& path) {
    painter.setPen(QPen(Qt::black, 1.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::white);
    painter.drawPath(path);
}

} // namespace

void Cursors::LoadViewerCursors() {
    if (IsRegistered(crHand1)) return;
    Register(crHand1, DrawHand(false));
    Register(crHand2, DrawHand(true));
    Register(crZoom1, DrawZoom(true));
    Register(crZoom2, DrawZoom(false));
}

void Cursors::Register(int number, const QCursor& cursor) {
    registry()[number] = cursor;
}

bool Cursors::IsRegistered(int number) {
    return registry().count(number) != 0;
}

QCursor Cursors::Get(int number) {
    const auto found = registry().find(number);
    return found == registry().end() ? QCursor(Qt::ArrowCursor) : found->second;
}

QCursor Cursors::DrawHand(bool closed) {
    QPixmap pixmap = blankPixmap();
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QPainterPath hand;
    hand.setFillRule(Qt::WindingFill);
    // Palm, then four fingers (short knuckles when closed) and the thumb.
    hand.addRoundedRect(QRectF(8, 14, 17, 13), 4, 4);
    const double fingerTop = closed ? 11 : 4;
    for (int i = 0; i < 4; ++i)
        hand.addRoundedRect(QRectF(8.5 + i * 4.2, fingerTop + (i == 0 || i == 3 ? 2 : 0), 3.8,
                                   16 - fingerTop + (closed ? 2 : 0)),
                            1.9, 1.9);
    if (closed)
        hand.addRoundedRect(QRectF(5, 15, 7, 4), 2, 2);
    else
        hand.addRoundedRect(QRectF(3, 14, 8, 4), 2, 2);
    outlineAndFill(painter, hand.simplified());
    painter.end();
    return QCursor(pixmap, 16, 16);
}

QCursor Cursors::DrawZoom(bool zoomIn) {
    QPixmap pixmap = blankPixmap();
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    // Handle first, so that the lens covers its end.
    painter.setPen(QPen(Qt::black, 5, Qt::SolidLine, Qt::RoundCap));
    painter.drawLine(QPointF(18, 18), QPointF(27, 27));
    painter.setPen(QPen(Qt::black, 1.5));
    painter.setBrush(Qt::white);
    painter.drawEllipse(QPointF(12, 12), 9, 9);
    painter.setPen(QPen(Qt::black, 2));
    painter.drawLine(QPointF(8, 12), QPointF(16, 12));
    if (zoomIn) painter.drawLine(QPointF(12, 8), QPointF(12, 16));
    painter.end();
    return QCursor(pixmap, 12, 12);
}

} // namespace rl
