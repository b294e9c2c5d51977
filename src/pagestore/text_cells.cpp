#include "pagestore/text_cells.h"

#include "pagestore/graphic_object.h"
#include "pagestore/graphic_surface.h"
#include "pagestore/page_paint_context.h"
#include "pagestore/text_measure.h"
#include "platform/windows1252.h"

#include <QFontMetrics>
#include <QFontMetricsF>

#include <cmath>

namespace rl {

TextCellLayout::TextCellLayout(const TRLGraphicSurface& page, const QRect& target, const QPaintDevice* device)
    : device_(device), target_(target) {
    // The scale PaintTo maps the page with.
    xf_ = page.Width != 0 ? double(target.width()) / page.Width : 1.0;
    yf_ = page.Height != 0 ? double(target.height()) / page.Height : 1.0;
}

const TextCellLayout::Placed& TextCellLayout::Place(const TRLTextObject& text) {
    if (placedText_ == &text) return placed_;
    const int pixelSize = paintedFontPixelSize(text, yf_, device_);
    const std::string face = text.FontName();
    std::string key = face + '\0' + std::to_string(pixelSize) + char(text.Font.Style) + char(text.Font.Pitch);
    if (key != fontKey_) {
        font_ = makeQFont(face, pixelSize, text.Font.Style, text.Font.Pitch);
        fontKey_ = std::move(key);
    }
    const QFontMetrics metrics(font_, const_cast<QPaintDevice*>(device_));
    const std::string t = text.DisplayText();
    const auto mapX = [&](std::int32_t x) { return target_.left() + roundEven(x * xf_); };
    const auto mapY = [&](std::int32_t y) { return target_.top() + roundEven(y * yf_); };
    const PageRect r{mapX(text.Bounds.left), mapY(text.Bounds.top), mapX(text.Bounds.right),
                     mapY(text.Bounds.bottom)};
    const TextPlacement placed =
        placeText(text, r, QPoint(mapX(text.Origin.x), mapY(text.Origin.y)), metrics, t);
    placed_.x = placed.x;
    placed_.y = placed.y;
    placed_.height = placed.height;
    placed_.display = fromWindows1252(t);
    placed_.blank =
        QFontMetricsF(font_, const_cast<QPaintDevice*>(device_)).horizontalAdvance(QLatin1Char(' '));
    placedText_ = &text;
    return placed_;
}

double TextCellLayout::AdvanceOf(const Placed& placed, int count) const {
    if (count <= 0) return 0;
    const int inText = std::min(count, int(placed.display.size()));
    // Glyphs are laid out at their fractional advances from the start, as drawText does.
    const double advance = QFontMetricsF(font_, const_cast<QPaintDevice*>(device_))
                               .horizontalAdvance(placed.display.left(inText));
    return advance + (count - inText) * placed.blank;
}

QRect TextCellLayout::Cells(const TRLTextObject& text, int first, int count) {
    const Placed& placed = Place(text);
    first = std::max(0, first);
    count = std::max(0, count);
    const int left = placed.x + int(std::lround(AdvanceOf(placed, first)));
    const int right = placed.x + int(std::lround(AdvanceOf(placed, first + count)));
    return QRect(left, placed.y, right - left, placed.height);
}

int TextCellLayout::CharacterAt(const TRLTextObject& text, int x) {
    const Placed& placed = Place(text);
    if (x < placed.x) return -1;
    const int length = int(placed.display.size());
    const int end = placed.x + int(std::lround(AdvanceOf(placed, length)));
    if (x >= end) return placed.blank > 0 ? length + int((x - end) / placed.blank) : length;
    // The last cell that starts at or before x.
    int low = 0, high = length - 1;
    while (low < high) {
        const int middle = (low + high + 1) / 2;
        if (placed.x + int(std::lround(AdvanceOf(placed, middle))) <= x)
            low = middle;
        else
            high = middle - 1;
    }
    return low;
}

int TextCellLayout::LineTop(const TRLTextObject& text) {
    return Place(text).y;
}

int TextCellLayout::LineBottom(const TRLTextObject& text) {
    const Placed& placed = Place(text);
    return placed.y + placed.height;
}

} // namespace rl
