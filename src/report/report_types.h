#pragma once

#include "pagestore/meta_records.h"

#include <cstdint>

namespace rl {

enum TRLBandType : int { btHeader, btTitle, btColumnHeader, btDetail, btColumnFooter, btSummary, btFooter };
inline constexpr int kBandTypeCount = 7;

enum TRLControlAlign : int {
    faNone,
    faLeft,
    faTop,
    faRight,
    faBottom,
    faLeftMost,
    faRightMost,
    faClient,
    faLeftTop,
    faRightTop,
    faLeftBottom,
    faRightBottom,
    faCenter,
    faCenterLeft,
    faCenterTop,
    faCenterRight,
    faCenterBottom,
    faClientLeft,
    faClientTop,
    faClientRight,
    faClientBottom,
    faHeight,
    faWidth,
    faLeftOnly,
    faRightOnly,
    faTopOnly,
    faBottomOnly,
};

enum TRLTextAlignment : int { taLeftJustify, taRightJustify, taCenter, taJustify };
enum TRLTextLayout : int { tlTop, tlCenter, tlBottom, tlJustify };
enum TRLPageBreaking : int { pbNone, pbBeforePrint, pbAfterPrint };
enum TRLCompletionType : int { ctNone, ctFullPage, ctMaxBands, ctMinBands };
enum TRLBorderSides : int { sdCustom, sdNone, sdAll };
enum TRLPrintQuality : int { pqStandard, pqFullFeature };

// Anchors of a control aligned faNone: which edges follow the parent when it is resized.
enum TRLAnchorBits : std::uint8_t { akLeft = 1, akTop = 2, akRight = 4, akBottom = 8 };

// Which alignments add to a site's measured width or height, and which fix a site's own size.
bool alignAddsWidth(TRLControlAlign align);
bool alignAddsHeight(TRLControlAlign align);
bool alignFixesWidth(TRLControlAlign align);
bool alignFixesHeight(TRLControlAlign align);

struct TRLBorders {
    TRLBorderSides Sides() const { return sides_; }
    void SetSides(TRLBorderSides sides);
    bool DrawLeft = false, DrawTop = false, DrawRight = false, DrawBottom = false;
    bool FixedLeft = false, FixedTop = false, FixedRight = false, FixedBottom = false;
    std::int32_t Width = 1;
    MetaColor Color{0, 0, 0};
    std::uint8_t Style = std::uint8_t(BrushStyle::Solid);

    // Whether any side has its draw flag (most controls have none: then the
    // print quality need not be looked up).
    bool anyDrawFlag() const { return DrawLeft || DrawTop || DrawRight || DrawBottom; }
    // A side is drawn when its draw flag is set and it is fixed or the report prints at full quality.
    bool drawsLeft(TRLPrintQuality q) const { return DrawLeft && (FixedLeft || q == pqFullFeature); }
    bool drawsTop(TRLPrintQuality q) const { return DrawTop && (FixedTop || q == pqFullFeature); }
    bool drawsRight(TRLPrintQuality q) const { return DrawRight && (FixedRight || q == pqFullFeature); }
    bool drawsBottom(TRLPrintQuality q) const { return DrawBottom && (FixedBottom || q == pqFullFeature); }

private:
    TRLBorderSides sides_ = sdNone;
};

} // namespace rl
