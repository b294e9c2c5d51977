#pragma once

#include <cstdint>

namespace rl {

// The printer's paper settings for a sheet of a given size: a platform paper
// code (the Windows DMPAPER numbering, which Qt's QPageSize::id(int) also
// speaks), and for the user-defined code the size in tenths of a millimetre.
struct PrinterPaperSettings {
    static constexpr std::int32_t UserDefined = 256;

    std::int32_t PaperCode = UserDefined;
    // Tenths of a millimetre, rounded; set only for the user-defined code
    // (0 otherwise and for a dimension of 0, which leaves the printer's own).
    std::int32_t PaperWidth = 0;
    std::int32_t PaperLength = 0;

    friend bool operator==(const PrinterPaperSettings&, const PrinterPaperSettings&) = default;
};

// The paper row with a platform code whose width and height together differ
// from the given ones (millimetres, portrait) by less than 0.01 mm, the
// closest winning and the earlier row on a tie; the user-defined size with the
// given dimensions when there is none.
//
// The rows are those of the report engine's paper table that carry a code, in
// the same order (the printing layer sits beside the engine, not above it).
PrinterPaperSettings PaperSettingsFor(double widthMm, double heightMm);

} // namespace rl
