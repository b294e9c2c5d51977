#pragma once

#include <QRect>

#include <climits>
#include <cmath>
#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace rl {

// Page units are pixels at 96 per inch.
inline constexpr double kUnitsPerMillimetre = 3.7795275590551181103;

// Round to nearest with ties to even, saturated to the 32-bit range so that an
// absurd factor cannot overflow.
inline std::int32_t roundEven(double value) {
#if defined(__SSE2__)
    // In range the processor's conversion rounds as nearbyint does, in the same
    // rounding mode (to nearest, ties to even), without a library call: objects
    // are scaled and moved by the thousand per page.
    if (value > -2147483648.5 && value < 2147483647.5) return _mm_cvtsd_si32(_mm_set_sd(value));
#endif
    if (!(value == value)) return 0;
    const double r = std::nearbyint(value);
    if (r >= double(INT32_MAX)) return INT32_MAX;
    if (r <= double(INT32_MIN)) return INT32_MIN;
    return std::int32_t(r);
}

// Millimetres to page units as the report engine rounds them.
inline std::int32_t millimetresToUnits(double mm) {
    return roundEven(mm * 96 / 25.4);
}

// Trunc: drop the fraction towards zero, saturated.
inline std::int32_t truncate(double value) {
    if (!(value == value)) return 0;
    if (value >= double(INT32_MAX)) return INT32_MAX;
    if (value <= double(INT32_MIN)) return INT32_MIN;
    return std::int32_t(value);
}

// Additions that wrap instead of overflowing (coordinates read from a damaged
// file may be anything).
inline std::int32_t wrapAdd(std::int32_t a, std::int32_t b) {
    return std::int32_t(std::uint32_t(a) + std::uint32_t(b));
}

// A rectangle as left, top, right, bottom with right and bottom exclusive.
struct PageRect {
    std::int32_t left = 0, top = 0, right = 0, bottom = 0;

    std::int32_t width() const { return right - left; }
    std::int32_t height() const { return bottom - top; }
    bool isEmpty() const { return right <= left || bottom <= top; }
    bool intersects(const PageRect& o) const {
        return left < o.right && o.left < right && top < o.bottom && o.top < bottom;
    }
    PageRect intersected(const PageRect& o) const {
        return {std::max(left, o.left), std::max(top, o.top), std::min(right, o.right),
                std::min(bottom, o.bottom)};
    }
    QRect toQRect() const {
        return QRect(left, top, int(std::int64_t(right) - left), int(std::int64_t(bottom) - top));
    }
    friend bool operator==(const PageRect&, const PageRect&) = default;
};

struct PagePoint {
    std::int32_t x = 0, y = 0;
    friend bool operator==(const PagePoint&, const PagePoint&) = default;
};

// Windows' MulDiv for font heights: a * b / c rounded half away from zero.
inline std::int32_t mulDiv(std::int32_t a, std::int32_t b, std::int32_t c) {
    if (c == 0) return -1;
    const std::int64_t p = std::int64_t(a) * b;
    const std::int64_t half = (c < 0 ? -c : c) / 2;
    const std::int64_t q = (p >= 0) == (c >= 0) ? (std::int64_t(p < 0 ? -p : p) + half) / (c < 0 ? -c : c)
                                                : -((std::int64_t(p < 0 ? -p : p) + half) / (c < 0 ? -c : c));
    return std::int32_t(q);
}

} // namespace rl
