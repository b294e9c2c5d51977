#pragma once

#include "pagestore/meta_records.h"

#include <array>
#include <set>

namespace rl {

// The 56 colours of a workbook (colour indexes 8 to 63), starting as the
// standard palette. A colour missing from it takes the place of the first
// colour that is neither basic nor used yet in this file.
class XlsPalette {
public:
    static constexpr int kSize = 56;
    static constexpr int kFirstIndex = 8;

    XlsPalette();

    // The colour index for a colour, placing it in the palette when needed.
    int colorIndex(const MetaColor& color);
    // True once a colour has been placed, so the workbook needs a PALETTE record.
    bool changed() const { return changed_; }
    const std::array<MetaColor, kSize>& colors() const { return colors_; }

private:
    static bool isBasic(const MetaColor& color);
    int nearestIndex(const MetaColor& color) const;

    std::array<MetaColor, kSize> colors_;
    std::set<unsigned> used_; // 0xRRGGBB
    bool changed_ = false;
};

} // namespace rl
