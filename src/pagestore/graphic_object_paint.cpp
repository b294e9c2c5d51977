// Painting of each drawing object kind onto a canvas at the context's scale.
#include "pagestore/graphic_object.h"
#include "pagestore/graphic_surface.h"
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

// Paints each object it visits through the context, in page order.
class PagePainter final : public GraphicObjectVisitor {
public:
    explicit PagePainter(PagePaintContext& context) : context_(context) {}
    void visit(const TRLPixelObject& object) override;
    void visit(const TRLLineObject& object) override;
    void visit(const TRLRectangleObject& object) override;
    void visit(const TRLTextObject& object) override;
    void visit(const TRLFillRectObject& object) override;
    void visit(const TRLEllipseObject& object) override;
    void visit(const TRLPolygonObject& object) override;
    void visit(const TRLPolylineObject& object) override;
    void visit(const TRLImageObject& object) override;
    void visit(const TRLSetClipRectObject& object) override;
    void visit(const TRLResetClipRectObject&) override;

private:
    PagePaintContext& context_;
};

} // namespace

void PagePainter::visit(const TRLPixelObject& object) {
    context_.painter().fillRect(atLeastOnePixel(context_.mapRect(object.Bounds)), object.Color.toQColor());
}

void PagePainter::visit(const TRLLineObject& object) {
    context_.applyPen(object.Pen);
    context_.applyBrush(object.Brush);
    context_.paintLine(context_.mapPoint(object.StartPoint), context_.mapPoint(object.EndPoint));
}

void PagePainter::visit(const TRLRectangleObject& object) {
    context_.applyPen(object.Pen);
    context_.applyBrush(object.Brush);
    drawFramed(context_, atLeastOnePixel(context_.mapRect(object.Bounds)), false);
}

void PagePainter::visit(const TRLTextObject& object) {
    context_.applyBrush(object.Brush);
    context_.paintText(object);
}

void PagePainter::visit(const TRLFillRectObject& object) {
    context_.applyBrush(object.Brush);
    const PageRect r = context_.mapRect(object.Bounds);
    if (!r.isEmpty()) context_.painter().fillRect(r.toQRect(), context_.painter().brush());
}

void PagePainter::visit(const TRLEllipseObject& object) {
    context_.applyPen(object.Pen);
    context_.applyBrush(object.Brush);
    drawFramed(context_, context_.mapRect(object.Bounds).toQRect(), true);
}

void PagePainter::visit(const TRLPolygonObject& object) {
    context_.applyPen(object.Pen);
    context_.applyBrush(object.Brush);
    context_.painter().drawPolygon(mapPoints(context_, object.Points), Qt::OddEvenFill);
}

void PagePainter::visit(const TRLPolylineObject& object) {
    context_.applyPen(object.Pen);
    context_.painter().setBrush(Qt::NoBrush);
    context_.painter().drawPolyline(mapPoints(context_, object.Points));
}

void PagePainter::visit(const TRLImageObject& object) {
    const QImage picture = PictureData::toImage(object.PictureData);
    if (picture.isNull()) return;
    PageRect r = context_.mapRect(object.Bounds);
    if (object.IntegralScale) {
        const int k = r.width() / picture.width();
        r.right = r.left + k * picture.width() + 1;
    }
    if (r.isEmpty()) return;
    context_.painter().drawImage(r.toQRect(), picture);
}

void PagePainter::visit(const TRLSetClipRectObject& object) {
    context_.pushClip(context_.mapRect(object.Bounds));
}

void PagePainter::visit(const TRLResetClipRectObject&) {
    context_.popClip();
}

void VisitObjects(const TRLGraphicSurface& page, GraphicObjectVisitor& visitor) {
    for (const auto& object : page.Items())
        object->Accept(visitor);
}

void TRLGraphicSurface::PaintTo(QPainter& painter, const QRect& r) const {
    PagePaintContext context(painter, *this, r);
    PagePainter visitor(context);
    VisitObjects(*this, visitor);
}

} // namespace rl
