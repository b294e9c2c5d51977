#pragma once

#include "pagestore/meta_records.h"
#include "pagestore/units.h"

#include <QFont>
#include <QPoint>
#include <QRect>
#include <QRegion>

#include <string>
#include <vector>

class QFontMetrics;
class QPaintDevice;
class QPainter;

namespace rl {

class TRLGraphicSurface;
class TRLTextObject;

// State of one PaintTo run: the scale from page units to the painter's device,
// the clip stack, and the pen, brush and font last applied. Painting never
// changes the page itself.
class PagePaintContext {
public:
    PagePaintContext(QPainter& painter, const TRLGraphicSurface& page, const QRect& target);
    ~PagePaintContext();
    PagePaintContext(const PagePaintContext&) = delete;
    PagePaintContext& operator=(const PagePaintContext&) = delete;

    QPainter& painter() { return painter_; }
    double xFactor() const { return xf_; }
    double yFactor() const { return yf_; }

    int mapX(std::int32_t x) const { return clampInt(double(target_.left()) + roundEven(x * xf_)); }
    int mapY(std::int32_t y) const { return clampInt(double(target_.top()) + roundEven(y * yf_)); }
    QPoint mapPoint(const PagePoint& p) const { return {mapX(p.x), mapY(p.y)}; }
    // Mapped left, top, right, bottom.
    PageRect mapRect(const PageRect& r) const {
        return {mapX(r.left), mapY(r.top), mapX(r.right), mapY(r.bottom)};
    }

    // Pen and brush as the object records say; the pen's width is scaled.
    void applyPen(const TRLMetaPen& pen);
    void applyBrush(const TRLMetaBrush& brush);
    int appliedPenWidth() const { return penWidth_; }
    bool appliedPenHasPattern() const;

    void pushClip(const PageRect& mappedBounds);
    void popClip();

    void paintText(const TRLTextObject& text);
    // A line from p0 to p1 with the current pen, wide patterned pens drawn by hand.
    void paintLine(QPoint p0, QPoint p1);

private:
    // Device coordinates are kept within what the rasterizer's fixed-point
    // arithmetic handles; no real page comes near this.
    static constexpr double kMaxCoordinate = 4000000;
    static int clampInt(double v) {
        return v > kMaxCoordinate ? int(kMaxCoordinate) : v < -kMaxCoordinate ? -int(kMaxCoordinate) : int(v);
    }
    void setCanvasClip(const QRect& rect);

    QPainter& painter_;
    QRect target_;
    QRegion callerClip_;
    bool hasCallerClip_ = false;
    QRect visible_; // what the device will show of the target
    double xf_ = 1, yf_ = 1;
    std::vector<QRect> savedClips_;
    QRect currentClip_;
    int penWidth_ = 1;
    std::uint8_t penStyle_ = std::uint8_t(PenStyle::Solid);
    bool brushClear_ = false;
    QColor brushColor_;
    QFont lastFont_;
    std::string lastFontKey_;
};

// The pixel size PaintTo gives a text object's font at vertical scale yf on a
// device (its logical dots per inch; 96 when it has none).
int paintedFontPixelSize(const TRLTextObject& text, double yf, const QPaintDevice* device);

// Where PaintTo starts a text object's display text t: the top-left of its first
// character cell, from its mapped bounds and origin, measured in the painting
// font; width is that of t and one blank, height the line's.
struct TextPlacement {
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
};
TextPlacement placeText(const TRLTextObject& text, const PageRect& mappedBounds, QPoint mappedOrigin,
                        const QFontMetrics& metrics, const std::string& t);

// Inserts one space into a gap of t, right to left from scanPos; false when
// there is no gap left to widen. Used to justify text.
bool widenOneSpace(std::string& t, size_t& scanPos);

} // namespace rl
