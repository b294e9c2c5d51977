// Painting of each drawing object kind onto a canvas at the context's scale.
#include "pagestore/graphic_object.h"
#include "pagestore/page_paint_context.h"
#include "pagestore/picture_data.h"

#include <QPainter>
#include <QPolygon>

namespace rl {

namespace {
// Rectangles are at least one device pixel wide and high, however far they are scaled down.
QRect atLeastOnePixel(const PageRect& r) {
    return QRect(r.left, r.top, std::max(1, r.right - r.left), std::max(1, r.bottom - r.top));
}

QPolygon mapPoints(const PagePaintContext& context, const std::vector<PagePoint>& points) {
    QPolygon polygon;
    polygon.reserve(qsizetype(points.size()));
    for (const PagePoint& p : points)
        polygon.append(context.mapPoint(p));
    return polygon;
}

// Windows draws a one-pixel frame inside right and bottom; wide pens straddle the same path.
void drawFramed(PagePaintContext& context, const QRect& box, bool ellipse) {
    QPainter& painter = context.painter();
    if (painter.pen().style() == Qt::NoPen) {
        if (painter.brush().style() != Qt::NoBrush) {
            if (ellipse)
                painter.drawEllipse(box);
            else
                painter.fillRect(box, painter.brush());
        }
        return;
    }
    const QRect frame(box.left(), box.top(), std::max(0, box.width() - 1), std::max(0, box.height() - 1));
    if (ellipse)
        painter.drawEllipse(frame);
    else
        painter.drawRect(frame);
}
} // namespace

void TRLPixelObject::PaintTo(PagePaintContext& context) const {
    context.painter().fillRect(atLeastOnePixel(context.mapRect(Bounds)), Color.toQColor());
}

void TRLLineObject::PaintTo(PagePaintContext& context) const {
    context.applyPen(Pen);
    context.applyBrush(Brush);
    context.paintLine(context.mapPoint(StartPoint), context.mapPoint(EndPoint));
}

void TRLRectangleObject::PaintTo(PagePaintContext& context) const {
    context.applyPen(Pen);
    context.applyBrush(Brush);
    drawFramed(context, atLeastOnePixel(context.mapRect(Bounds)), false);
}

void TRLTextObject::PaintTo(PagePaintContext& context) const {
    context.applyBrush(Brush);
    context.paintText(*this);
}

void TRLFillRectObject::PaintTo(PagePaintContext& context) const {
    context.applyBrush(Brush);
    const PageRect r = context.mapRect(Bounds);
    if (!r.isEmpty()) context.painter().fillRect(r.toQRect(), context.painter().brush());
}

void TRLEllipseObject::PaintTo(PagePaintContext& context) const {
    context.applyPen(Pen);
    context.applyBrush(Brush);
    drawFramed(context, context.mapRect(Bounds).toQRect(), true);
}

void TRLPolygonObject::PaintTo(PagePaintContext& context) const {
    context.applyPen(Pen);
    context.applyBrush(Brush);
    context.painter().drawPolygon(mapPoints(context, Points), Qt::OddEvenFill);
}

void TRLPolylineObject::PaintTo(PagePaintContext& context) const {
    context.applyPen(Pen);
    context.painter().setBrush(Qt::NoBrush);
    context.painter().drawPolyline(mapPoints(context, Points));
}

void TRLImageObject::PaintTo(PagePaintContext& context) const {
    const QImage picture = PictureData::toImage(PictureData);
    if (picture.isNull()) return;
    PageRect r = context.mapRect(Bounds);
    if (IntegralScale) {
        const int k = r.width() / picture.width();
        r.right = r.left + k * picture.width() + 1;
    }
    if (r.isEmpty()) return;
    context.painter().drawImage(r.toQRect(), picture);
}

void TRLSetClipRectObject::PaintTo(PagePaintContext& context) const {
    context.pushClip(context.mapRect(Bounds));
}

void TRLResetClipRectObject::PaintTo(PagePaintContext& context) const {
    context.popClip();
}

} // namespace rl
