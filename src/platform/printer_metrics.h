#pragma once

#include <cstdint>

namespace rl {

// What a printer tells about its sheet, all in printer pixels. Shared by the
// report engine (margins, paper) and the printer output.
struct PrinterMetrics {
    std::int32_t HorizontalResolution = 0; // pixels per inch along the width
    std::int32_t VerticalResolution = 0;
    std::int32_t PhysicalWidth = 0; // the whole sheet
    std::int32_t PhysicalHeight = 0;
    std::int32_t LeftMargin = 0; // offset of the printable area from the sheet's corner
    std::int32_t TopMargin = 0;
    std::int32_t RightMargin = 0; // physical width - left margin - printable width
    std::int32_t BottomMargin = 0;
    std::int32_t PrintableWidth = 0;
    std::int32_t PrintableHeight = 0;

    // A Letter sheet at 300 dpi with quarter-inch margins: used whenever no
    // printer can be asked.
    static constexpr PrinterMetrics fallback() { return {300, 300, 2550, 3300, 75, 75, 75, 75, 2400, 3150}; }
    friend bool operator==(const PrinterMetrics&, const PrinterMetrics&) = default;
};

} // namespace rl
