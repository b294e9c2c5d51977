#include "pagestore/page_paint_context.h"

#include "pagestore/graphic_object.h"
#include "pagestore/graphic_surface.h"
#include "pagestore/text_measure.h"
#include "platform/windows1252.h"

#include <QFontMetrics>
#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPaintEngine>
#include <QPainter>

#include <cmath>

namespace rl {

namespace {

// Bounds on what a damaged page can make the painter do.
constexpr int kMaxPenWidth = 10000;
constexpr int kMaxDashSegments = 100000;
constexpr int kMaxFontPixels = 4000;
constexpr int kMaxJustifyBlanks = 4096;

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

bool widenFrom(std::string& t, size_t& p) {
    while (p > 0 && isBlank(t[p - 1]))
        --p;
    while (p > 0 && !isBlank(t[p - 1]))
        --p;
    while (p > 0 && isBlank(t[p - 1]))
        --p;
    if (p == 0) return false;
    t.insert(p, 1, ' ');
    return true;
}

Qt::PenStyle qtPenStyle(std::uint8_t style) {
    switch (PenStyle(style)) {
    case PenStyle::Dash:
        return Qt::DashLine;
    case PenStyle::Dot:
        return Qt::DotLine;
    case PenStyle::DashDot:
        return Qt::DashDotLine;
    case PenStyle::DashDotDot:
        return Qt::DashDotDotLine;
    case PenStyle::Clear:
        return Qt::NoPen;
    default:
        return Qt::SolidLine; // solid, inside-frame and unknown values
    }
}

Qt::BrushStyle qtBrushStyle(std::uint8_t style) {
    switch (BrushStyle(style)) {
    case BrushStyle::Clear:
        return Qt::NoBrush;
    case BrushStyle::Horizontal:
        return Qt::HorPattern;
    case BrushStyle::Vertical:
        return Qt::VerPattern;
    case BrushStyle::FDiagonal:
        return Qt::FDiagPattern;
    case BrushStyle::BDiagonal:
        return Qt::BDiagPattern;
    case BrushStyle::Cross:
        return Qt::CrossPattern;
    case BrushStyle::DiagCross:
        return Qt::DiagCrossPattern;
    default:
        return Qt::SolidPattern;
    }
}

QPainter::CompositionMode qtRasterMode(std::uint8_t mode) {
    switch (PenMode(mode)) {
    case PenMode::Black:
        return QPainter::RasterOp_ClearDestination;
    case PenMode::White:
        return QPainter::RasterOp_SetDestination;
    case PenMode::Nop:
        return QPainter::CompositionMode_Destination;
    case PenMode::Not:
        return QPainter::RasterOp_NotDestination;
    case PenMode::NotCopy:
        return QPainter::RasterOp_NotSource;
    case PenMode::MergePenNot:
        return QPainter::RasterOp_SourceOrNotDestination;
    case PenMode::MaskPenNot:
        return QPainter::RasterOp_SourceAndNotDestination;
    case PenMode::MergeNotPen:
        return QPainter::RasterOp_NotSourceOrDestination;
    case PenMode::MaskNotPen:
        return QPainter::RasterOp_NotSourceAndDestination;
    case PenMode::Merge:
        return QPainter::RasterOp_SourceOrDestination;
    case PenMode::NotMerge:
        return QPainter::RasterOp_NotSourceAndNotDestination;
    case PenMode::Mask:
        return QPainter::RasterOp_SourceAndDestination;
    case PenMode::NotMask:
        return QPainter::RasterOp_NotSourceOrNotDestination;
    case PenMode::Xor:
        return QPainter::RasterOp_SourceXorDestination;
    case PenMode::NotXor:
        return QPainter::RasterOp_NotSourceXorDestination;
    default:
        return QPainter::CompositionMode_SourceOver;
    }
}

// Segment lengths, in multiples of four pen widths, alternately drawn and skipped.
std::vector<int> widePattern(std::uint8_t style) {
    switch (PenStyle(style)) {
    case PenStyle::Dash:
        return {3, 1};
    case PenStyle::Dot:
        return {1, 1};
    case PenStyle::DashDot:
        return {2, 1, 1, 1};
    case PenStyle::DashDotDot:
        return {3, 1, 1, 1, 1, 1};
    default:
        return {};
    }
}

} // namespace

bool widenOneSpace(std::string& t, size_t& scanPos) {
    if (widenFrom(t, scanPos)) return true;
    scanPos = t.size();
    return widenFrom(t, scanPos);
}

PagePaintContext::PagePaintContext(QPainter& painter, const TRLGraphicSurface& page, const QRect& target)
    : painter_(painter), target_(target) {
    xf_ = page.Width != 0 ? double(target.width()) / page.Width : 1.0;
    yf_ = page.Height != 0 ? double(target.height()) / page.Height : 1.0;
    painter_.save();
    painter_.setRenderHint(QPainter::Antialiasing, false);
    painter_.setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter_.setRenderHint(QPainter::TextAntialiasing, true);
    // Hatched brushes paint their gaps white, as on an opaque Windows canvas.
    painter_.setBackground(Qt::white);
    painter_.setBackgroundMode(Qt::OpaqueMode);
    // Painting stays inside the caller's clip too, and text wholly outside what
    // the device will show (a paint event's exposed area) is not laid out at all.
    if (painter_.hasClipping()) {
        callerClip_ = painter_.clipRegion();
        hasCallerClip_ = true;
    }
    visible_ = hasCallerClip_ ? callerClip_.boundingRect().intersected(target_) : target_;
    if (const QPaintEngine* engine = painter_.paintEngine(); engine && !engine->systemClip().isEmpty())
        visible_ &= painter_.deviceTransform().inverted().mapRect(engine->systemClip().boundingRect());
    currentClip_ = target_;
    setCanvasClip(currentClip_);
}

PagePaintContext::~PagePaintContext() {
    painter_.restore();
}

void PagePaintContext::setCanvasClip(const QRect& rect) {
    // An empty rectangle means no clipping of its own; painting never leaves the target.
    if (target_.isEmpty()) {
        painter_.setClipping(hasCallerClip_);
        if (hasCallerClip_) painter_.setClipRegion(callerClip_);
        return;
    }
    const QRect area = rect.isEmpty() ? target_ : rect.intersected(target_);
    if (hasCallerClip_)
        painter_.setClipRegion(callerClip_.intersected(area));
    else
        painter_.setClipRect(area);
}

void PagePaintContext::pushClip(const PageRect& mappedBounds) {
    savedClips_.push_back(currentClip_);
    currentClip_ = mappedBounds.toQRect();
    setCanvasClip(currentClip_);
}

void PagePaintContext::popClip() {
    if (!savedClips_.empty()) {
        currentClip_ = savedClips_.back();
        savedClips_.pop_back();
    }
    setCanvasClip(currentClip_);
}

void PagePaintContext::applyPen(const TRLMetaPen& pen) {
    int width = pen.Width;
    if (width >= 2) width = std::max(1, truncate(width * xf_));
    // A damaged page may ask for any width; nothing wider than this is ever real.
    penWidth_ = std::clamp(width, 1, kMaxPenWidth);
    penStyle_ = pen.Style;
    QPen qpen(pen.Color.toQColor());
    // Wide pens are solid on the canvas; their pattern is drawn by hand for lines.
    qpen.setStyle(penWidth_ > 1 && qtPenStyle(pen.Style) != Qt::NoPen ? Qt::SolidLine
                                                                      : qtPenStyle(pen.Style));
    qpen.setWidth(penWidth_ > 1 ? penWidth_ : 0);
    qpen.setCapStyle(penWidth_ > 1 ? Qt::RoundCap : Qt::FlatCap);
    qpen.setJoinStyle(penWidth_ > 1 ? Qt::RoundJoin : Qt::MiterJoin);
    painter_.setPen(qpen);
    const bool rasterOps =
        painter_.paintEngine() && painter_.paintEngine()->hasFeature(QPaintEngine::RasterOpModes);
    painter_.setCompositionMode(rasterOps ? qtRasterMode(pen.Mode) : QPainter::CompositionMode_SourceOver);
}

bool PagePaintContext::appliedPenHasPattern() const {
    return !widePattern(penStyle_).empty();
}

void PagePaintContext::applyBrush(const TRLMetaBrush& brush) {
    brushClear_ = BrushStyle(brush.Style) == BrushStyle::Clear;
    brushColor_ = brush.Color.toQColor();
    painter_.setBrush(QBrush(brushColor_, qtBrushStyle(brush.Style)));
}

void PagePaintContext::paintLine(QPoint p0, QPoint p1) {
    const std::vector<int> pattern = widePattern(penStyle_);
    if (penWidth_ <= 1 || pattern.empty()) {
        painter_.drawLine(p0, p1);
        return;
    }
    const QPen pen = painter_.pen();
    const double dxTotal = p1.x() - p0.x(), dyTotal = p1.y() - p0.y();
    const int length = roundEven(std::sqrt(dxTotal * dxTotal + dyTotal * dyTotal));
    if (!brushClear_) {
        QPen under = pen;
        under.setColor(brushColor_);
        painter_.setPen(under);
        painter_.drawLine(p0, p1);
        painter_.setPen(pen);
    }
    if (length <= 0) return;
    // Millions of dashes cannot be on a real page: draw such a line plainly.
    if (length / (4 * penWidth_) > kMaxDashSegments) {
        painter_.drawLine(p0, p1);
        return;
    }
    auto pointAt = [&](int d) {
        return QPoint(p0.x() + roundEven(dxTotal * d / length), p0.y() + roundEven(dyTotal * d / length));
    };
    QPoint at = p0;
    int d = 0;
    for (size_t i = 0; d < length; i = (i + 1) % pattern.size()) {
        d = std::min(length, d + pattern[i] * 4 * penWidth_);
        const QPoint next = pointAt(d);
        if (i % 2 == 0) painter_.drawLine(at, next);
        at = next;
    }
}

int paintedFontPixelSize(const TRLTextObject& text, double yf, const QPaintDevice* device) {
    const int p = text.Font.PixelsPerInch != 0 ? text.Font.PixelsPerInch : 96;
    const int q = device && device->logicalDpiY() > 0 ? device->logicalDpiY() : 96;
    const std::int32_t points = roundEven(text.Font.Size * yf * p / q);
    return std::clamp(mulDiv(points, q, 72), 1, kMaxFontPixels);
}

TextPlacement placeText(const TRLTextObject& text, const PageRect& r, QPoint origin,
                        const QFontMetrics& metrics, const std::string& t) {
    const int s = metrics.horizontalAdvance(QLatin1Char(' ')) / 2;
    TextPlacement placed;
    placed.width = metrics.horizontalAdvance(fromWindows1252(t + ' '));
    placed.height = metrics.height();
    switch (text.HAlign) {
    case haRight:
        placed.x = s + (r.right - placed.width);
        break;
    case haCenter:
        placed.x = s + (r.left + r.right - placed.width) / 2;
        break;
    default:
        placed.x = s + origin.x();
        break;
    }
    switch (text.VAlign) {
    case vaBottom:
        placed.y = r.bottom - placed.height;
        break;
    case vaCenter:
        placed.y = (r.top + r.bottom - placed.height) / 2;
        break;
    default:
        placed.y = origin.y();
        break;
    }
    return placed;
}

void PagePaintContext::paintText(const TRLTextObject& text) {
    const int pixelSize = paintedFontPixelSize(text, yf_, painter_.device());
    const std::string face = text.FontName();

    std::string key = face;
    key.append(1, '\0')
        .append(std::to_string(pixelSize))
        .append(1, char(text.Font.Style))
        .append(1, char(text.Font.Pitch));
    if (key != lastFontKey_) {
        lastFont_ = makeQFont(face, pixelSize, text.Font.Style, text.Font.Pitch);
        lastFontKey_ = std::move(key);
    }
    painter_.setFont(lastFont_);
    const QFontMetrics metrics = painter_.fontMetrics();

    std::string t = text.DisplayText();
    const PageRect r = mapRect(text.Bounds);
    const TextPlacement placed = placeText(text, r, mapPoint(text.Origin), metrics, t);
    const int x = placed.x, y = placed.y, w = placed.width, ht = placed.height;

    // Skip text that cannot show: its cell, a line's height of slack for
    // overhanging glyphs, cut to its bounds when clipped.
    QRect ink = QRect(x, y, std::max(w, r.right - x), ht).adjusted(-ht, -ht, ht, ht);
    if (!(text.Options & toUnclipped)) ink &= r.toQRect();
    if (!ink.intersects(visible_)) return;

    if (text.HAlign == haJustify) {
        const int avail = r.right - x;
        // Each widened gap adds exactly one blank's advance (no kerning), so the
        // width is kept by adding instead of measuring the line again. The cap
        // bounds what a damaged page with an absurd rectangle can ask for.
        const QFontMetricsF exact(painter_.font(), painter_.device());
        const double blank = exact.horizontalAdvance(QLatin1Char(' '));
        double width = exact.horizontalAdvance(fromWindows1252(t + ' '));
        size_t scan = t.size();
        for (int guard = 0; guard < kMaxJustifyBlanks && qRound(width) <= avail; ++guard) {
            if (!widenOneSpace(t, scan)) break;
            width += blank;
        }
    }

    const QString display = fromWindows1252(t);
    const bool clipped = !(text.Options & toUnclipped);
    painter_.save();
    if (clipped) {
        const QRect box = r.toQRect();
        painter_.setClipRect(box, Qt::IntersectClip);
        if (!brushClear_) painter_.fillRect(box, brushColor_);
    } else if (!brushClear_) {
        painter_.fillRect(QRect(x, y, metrics.horizontalAdvance(display), ht), brushColor_);
    }
    painter_.setPen(text.Font.Color.toQColor());
    painter_.setBackgroundMode(Qt::TransparentMode);
    painter_.drawText(QPoint(x, y + metrics.ascent()), display);
    painter_.restore();
}

} // namespace rl
