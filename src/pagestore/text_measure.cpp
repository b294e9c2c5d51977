#include "pagestore/text_measure.h"

#include "pagestore/graphic_surface.h"
#include "pagestore/meta_records.h"
#include "platform/windows1252.h"

#include <QFontMetrics>
#include <QFontMetricsF>
#include <QImage>

#include <array>
#include <cmath>
#include <map>
#include <memory>
#include <tuple>

namespace rl {

QFont makeQFont(const std::string& faceName, int pixelSize, std::uint8_t style, std::uint8_t pitch) {
    QFont font(fromWindows1252(faceName));
    font.setPixelSize(std::max(1, pixelSize));
    font.setBold(style & fsBold);
    font.setItalic(style & fsItalic);
    font.setUnderline(style & fsUnderline);
    font.setStrikeOut(style & fsStrikeOut);
    if (pitch == std::uint8_t(FontPitch::Fixed)) font.setFixedPitch(true);
    // Glyph advances must not depend on the desktop's hinting settings, or pages
    // would break differently from one machine to the next.
    font.setHintingPreference(QFont::PreferNoHinting);
    font.setKerning(false);
    return font;
}

namespace {

QImage* measuringImage() {
    static QImage image = [] {
        QImage i(1, 1, QImage::Format_ARGB32_Premultiplied);
        i.setDotsPerMeterX(3780); // 96 dpi
        i.setDotsPerMeterY(3780);
        return i;
    }();
    return &image;
}

bool isControlCharacter(unsigned char c) {
    return c < 0x20 || c == 0x7f;
}

// Advances of the printable Windows-1252 bytes of one font, in 1/64 pixel as
// Qt's text layout sums them, so a whole line is measured by adding numbers.
// Text with control characters (tabs have stops) is left to Qt.
struct AdvanceTable {
    std::array<std::int64_t, 256> advance64{};
    std::array<std::uint8_t, 256> control{}; // 1 for the bytes left to Qt
    int height = 0;
};

using FontKey = std::tuple<std::string, int, std::uint8_t, std::uint8_t>;

// One table per font, built on first use; the GUI thread only.
const AdvanceTable& advanceTable(const FontKey& key) {
    static std::map<FontKey, std::unique_ptr<AdvanceTable>> tables;
    auto& slot = tables[key];
    if (!slot) {
        const QFont font = makeQFont(std::get<0>(key), std::get<1>(key), std::get<2>(key), std::get<3>(key));
        slot = std::make_unique<AdvanceTable>();
        const QFontMetricsF metrics(font, measuringImage());
        for (int byte = 0x20; byte < 0x100; ++byte) {
            const QString ch = fromWindows1252(std::string(1, char(byte)));
            slot->advance64[size_t(byte)] = std::llround(metrics.horizontalAdvance(ch) * 64);
        }
        for (int byte = 0; byte < 0x100; ++byte)
            slot->control[size_t(byte)] = isControlCharacter(static_cast<unsigned char>(byte)) ? 1 : 0;
        slot->height = QFontMetrics(font, measuringImage()).height();
    }
    return *slot;
}

// The table of the font measured last: a report measures line after line in
// the same font, and the lookup by name would cost a copy and a search each time.
const AdvanceTable& advanceTable(const SurfaceFont& font, int pixelSize) {
    static std::string lastName;
    static int lastPixelSize = -1;
    static std::uint8_t lastStyle = 0, lastPitch = 0;
    static const AdvanceTable* last = nullptr;
    if (!last || pixelSize != lastPixelSize || font.Style != lastStyle || font.Pitch != lastPitch ||
        font.Name != lastName) {
        last = &advanceTable(FontKey{font.Name, pixelSize, font.Style, font.Pitch});
        lastName = font.Name;
        lastPixelSize = pixelSize;
        lastStyle = font.Style;
        lastPitch = font.Pitch;
    }
    return *last;
}

QSize measure(const SurfaceFont& font, std::string_view text, bool trailingSpace) {
    const int pixelSize = mulDiv(font.Size, 96, 72);
    const AdvanceTable& table = advanceTable(font, pixelSize);
    std::int64_t sum = trailingSpace ? table.advance64[size_t(' ')] : 0;
    std::uint8_t control = 0;
    // One pass without branches: lines are long and seldom hold a control character.
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        sum += table.advance64[c];
        control |= table.control[c];
    }
    if (control) {
        std::string whole(text);
        if (trailingSpace) whole.push_back(' ');
        const QFontMetrics metrics(makeQFont(font.Name, pixelSize, font.Style, font.Pitch), measuringImage());
        return QSize(metrics.horizontalAdvance(fromWindows1252(whole)), table.height);
    }
    // Qt rounds the 26.6 fixed-point total to the nearest pixel.
    return QSize(int((sum + 32) >> 6), table.height);
}

} // namespace

QSize measureText(const SurfaceFont& font, std::string_view text) {
    return measure(font, text, false);
}

QSize measureTextWithSpace(const SurfaceFont& font, std::string_view text) {
    return measure(font, text, true);
}

} // namespace rl
