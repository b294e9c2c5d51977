#include "export/xls_palette.h"

#include <algorithm>
#include <climits>

namespace rl {

namespace {

constexpr unsigned kStandardPalette[XlsPalette::kSize] = {
    0x000000, 0xFFFFFF, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0xFF00FF, 0x00FFFF, //
    0x800000, 0x008000, 0x000080, 0x808000, 0x800080, 0x008080, 0xC0C0C0, 0x808080, //
    0x9999FF, 0x993366, 0xFFFFCC, 0xCCFFFF, 0x660066, 0xFF8080, 0x0066CC, 0xCCCCFF, //
    0x000080, 0xFF00FF, 0xFFFF00, 0x00FFFF, 0x800080, 0x800000, 0x008080, 0x0000FF, //
    0x00CCFF, 0xCCFFFF, 0xCCFFCC, 0xFFFF99, 0x99CCFF, 0xFF99CC, 0xCC99FF, 0xFFCC99, //
    0x3366FF, 0x33CCCC, 0x99CC00, 0xFFCC00, 0xFF9900, 0xFF6600, 0x666699, 0x969696, //
    0x003366, 0x339966, 0x003300, 0x333300, 0x993300, 0x993366, 0x333399, 0x333333,
};

// White, black, silver, grey, red, maroon, yellow, olive, lime, green, aqua,
// teal, blue, navy, fuchsia, purple.
constexpr unsigned kBasicColors[16] = {0xFFFFFF, 0x000000, 0xC0C0C0, 0x808080, 0xFF0000, 0x800000,
                                       0xFFFF00, 0x808000, 0x00FF00, 0x008000, 0x00FFFF, 0x008080,
                                       0x0000FF, 0x000080, 0xFF00FF, 0x800080};

unsigned rgb(const MetaColor& c) {
    return unsigned(c.red) << 16 | unsigned(c.green) << 8 | c.blue;
}

} // namespace

XlsPalette::XlsPalette() {
    for (int i = 0; i < kSize; ++i) {
        const unsigned v = kStandardPalette[i];
        colors_[size_t(i)] = {std::uint8_t(v >> 16), std::uint8_t(v >> 8), std::uint8_t(v)};
    }
}

bool XlsPalette::isBasic(const MetaColor& color) {
    return std::ranges::find(kBasicColors, rgb(color)) != std::end(kBasicColors);
}

int XlsPalette::colorIndex(const MetaColor& color) {
    used_.insert(rgb(color));
    for (int p = 0; p < kSize; ++p)
        if (colors_[size_t(p)] == color) return kFirstIndex + p;
    for (int p = 0; p < kSize; ++p) {
        const MetaColor& old = colors_[size_t(p)];
        if (!isBasic(old) && !used_.contains(rgb(old))) {
            colors_[size_t(p)] = color;
            changed_ = true;
            return kFirstIndex + p;
        }
    }
    // A full palette: the closest colour keeps the text visible (plain white
    // would hide it on a white sheet).
    return nearestIndex(color);
}

int XlsPalette::nearestIndex(const MetaColor& color) const {
    int best = 0;
    long bestDistance = LONG_MAX;
    for (int p = 0; p < kSize; ++p) {
        const MetaColor& c = colors_[size_t(p)];
        const long dr = long(c.red) - color.red, dg = long(c.green) - color.green,
                   db = long(c.blue) - color.blue;
        const long distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance) {
            bestDistance = distance;
            best = p;
        }
    }
    return kFirstIndex + best;
}

} // namespace rl
