#include "pagestore/text_measure.h"

#include "pagestore/graphic_surface.h"
#include "pagestore/meta_records.h"
#include "platform/windows1252.h"

#include <QFontMetrics>
#include <QImage>

namespace rl {

QFont makeQFont(const std::string& faceName, int pixelSize, std::uint8_t style, std::uint8_t pitch) {
    QFont font(fromWindows1252(faceName));
    font.setPixelSize(std::max(1, pixelSize));
    font.setBold(style & fsBold);
    font.setItalic(style & fsItalic);
    font.setUnderline(style & fsUnderline);
    font.setStrikeOut(style & fsStrikeOut);
    if (pitch == std::uint8_t(FontPitch::Fixed))
        font.setFixedPitch(true);
    // Glyph advances must not depend on the desktop's hinting settings, or pages
    // would break differently from one machine to the next.
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setKerning(false);
    return font;
}

namespace {
const QImage& measuringImage() {
    static const QImage image = [] {
        QImage i(1, 1, QImage::Format_ARGB32_Premultiplied);
        i.setDotsPerMeterX(3780); // 96 dpi
        i.setDotsPerMeterY(3780);
        return i;
    }();
    return image;
}
} // namespace

QSize measureText(const SurfaceFont& font, const std::string& text) {
    const int pixelSize = mulDiv(font.Size, 96, 72);
    const QFontMetrics metrics(makeQFont(font.Name, pixelSize, font.Style, font.Pitch),
                               const_cast<QImage*>(&measuringImage()));
    return QSize(metrics.horizontalAdvance(fromWindows1252(text)), metrics.height());
}

} // namespace rl
