#pragma once

#include <QColor>

#include <cstdint>

namespace rl {

class ByteReader;
class ByteWriter;

// A colour inside a page: red, green, blue.
struct MetaColor {
    std::uint8_t red = 0, green = 0, blue = 0;

    QColor toQColor() const { return QColor(red, green, blue); }
    static MetaColor fromQColor(const QColor& c) {
        const QColor rgb = c.toRgb();
        return {std::uint8_t(rgb.red()), std::uint8_t(rgb.green()), std::uint8_t(rgb.blue())};
    }
    friend bool operator==(const MetaColor&, const MetaColor&) = default;
};

// Raster mode of a pen: the platform's pen mode ordinal plus one.
enum class PenMode : std::uint8_t {
    Black = 1,
    White,
    Nop,
    Not,
    Copy,
    NotCopy,
    MergePenNot,
    MaskPenNot,
    MergeNotPen,
    MaskNotPen,
    Merge,
    NotMerge,
    Mask,
    NotMask,
    Xor,
    NotXor
};
enum class PenStyle : std::uint8_t { Solid = 1, Dash, Dot, DashDot, DashDotDot, Clear, InsideFrame };
enum class BrushStyle : std::uint8_t {
    Solid = 1,
    Clear,
    Horizontal,
    Vertical,
    FDiagonal,
    BDiagonal,
    Cross,
    DiagCross
};
enum FontStyleBits : std::uint8_t { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
enum class FontPitch : std::uint8_t { Default = 1, Variable, Fixed };

// Pen record of a drawing object. Mode and Style are kept as the raw bytes
// read, so unknown values survive a round trip; painting treats them as copy/solid.
struct TRLMetaPen {
    MetaColor Color;
    std::uint8_t Mode = std::uint8_t(PenMode::Copy);
    std::uint8_t Style = std::uint8_t(PenStyle::Solid);
    std::int32_t Width = 0;

    void write(ByteWriter& w) const;
    void read(ByteReader& r);
    friend bool operator==(const TRLMetaPen&, const TRLMetaPen&) = default;
};

struct TRLMetaBrush {
    MetaColor Color;
    std::uint8_t Style = std::uint8_t(BrushStyle::Solid);

    void write(ByteWriter& w) const;
    void read(ByteReader& r);
    friend bool operator==(const TRLMetaBrush&, const TRLMetaBrush&) = default;
};

// Font record of a text object. The face name lives in the owning page's
// FontNames list; NameIndex points into it.
struct TRLMetaFont {
    std::int32_t PixelsPerInch = 72;
    std::uint8_t Charset = 0;
    MetaColor Color;
    std::int32_t Height = 0;
    std::int32_t NameIndex = 0;
    std::uint8_t Pitch = std::uint8_t(FontPitch::Default);
    std::int32_t Size = 0;
    std::uint8_t Style = 0;

    void write(ByteWriter& w) const;
    void read(ByteReader& r);
    friend bool operator==(const TRLMetaFont&, const TRLMetaFont&) = default;
};

inline constexpr int kPenRecordSize = 9;
inline constexpr int kBrushRecordSize = 4;
inline constexpr int kFontRecordSize = 22;

} // namespace rl
