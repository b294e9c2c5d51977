#pragma once

#include "pagestore/units.h"
#include "print/draft_options.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

class QImage;

namespace rl {

class TRLGraphicSurface;
class TRLTextObject;

// Page units (1/96 inch) to printer positions: columns in 1/120 inch, rows in
// 1/(6 x V) inch, relative to the printer's unprintable offsets L and T.
struct DraftUnits {
    double scale = 1; // horizontal scale of the form
    int left = 0;     // L, page units
    int top = 0;      // T, page units
    int V = 12;       // row units in one line at 6 lines per inch

    int X(double x) const;
    int Y(double y) const;
    // The height of one dot row of an 8-dot graphics strip in row units: 1/72
    // inch on a 9-pin printer, 1/60 inch on an ESC/P2 printer (6/360).
    int dotRowUnits() const { return V == 60 ? 6 : 1; }
    // Dot rows per page unit when a picture becomes dots (horizontally 1.26).
    double dotRowsPerUnit() const { return V == 60 ? 0.6 : 0.72; }
};

// Width in 1/120 inch of one character at p characters per inch.
int DraftCharWidth(int cpp);

// One print item: a rectangle in printer units.
struct TDraftObj {
    virtual ~TDraftObj() = default;
    int left = 0, top = 0, right = 0, bottom = 0;
};

// A run of characters at one pitch and style (bits as in font records).
struct TDraftText final : TDraftObj {
    int cpp = 10;
    int style = 0;
    std::string text; // Windows-1252
};

// A black-and-white picture strip at most 8 dots high, already in the
// printer's bit layout: one byte per dot column, bit 7 the top dot row.
struct TDraftRaw final : TDraftObj {
    std::vector<std::uint8_t> columns;
};

using DraftItemList = std::vector<std::unique_ptr<TDraftObj>>;

// Everything the item builder needs from the filter's settings.
struct DraftLayout {
    DraftUnits units;
    TRLCPPSelection cppSelection = csAutomatic;
    TRLStretchCharWidth stretchCharWidth = scShrinksOnly;
    TRLDitheringMethod ditheringMethod = dmColorTable;
    TRLLineDrawMethod lineDrawMethod = ldMinusAndPipe;
    TRLFillArtMethod fillArtMethod = fmNone;
};

// The automatic pitch for a font (name, point size): 5, 10, 12, 17 or 20.
// Measured once per font and kept.
int AutomaticDraftPitch(const std::string& fontName, int size);

// Turns a picture, already stretched to its dot size, into black dots.
// dmColorTable thresholds by an ordered 4 x 4 table; dmErrorDiffusion by
// random numbers drawn from the generator.
std::vector<std::vector<bool>> DitherPicture(const QImage& dots, TRLDitheringMethod method,
                                             std::mt19937& random);

// Builds the print items of one page, ordered as they are printed: by top;
// on one top texts before strips, texts of one pitch and style by left, a strip
// before the first item further right.
class DraftItemBuilder {
public:
    explicit DraftItemBuilder(const DraftLayout& layout);

    DraftItemList build(const TRLGraphicSurface& page);

    // The generator of dmErrorDiffusion; fixed seed so that a page prints the same twice.
    std::mt19937& random() { return random_; }

private:
    friend class DraftPageVisitor;

    int textPitch(const std::string& fontName, int size) const;
    // The page's most common font (name and size) sets the pitch of line and fill characters.
    void findCommonFont(const std::vector<const TRLTextObject*>& texts);
    // The rows texts sit on: vertical line characters go on them.
    void findRowGrid(const std::vector<const TRLTextObject*>& texts);
    // The greatest grid row not greater than y (the phase when y lies before it).
    int gridRowAtOrBefore(int y) const;

    void insert(std::unique_ptr<TDraftObj> item);
    void addText(int left, int top, int cpp, int style, std::string text);
    // A run of line or fill characters snapped like left-aligned text.
    void addCharacters(int x, int top, int count, char character);
    void addSides(const PageRect& bounds, int n, int r, char horizontal, char vertical, bool gridFromTop);
    void addStrips(const QImage& dots, const PageRect& bounds);

    DraftLayout layout_;
    DraftItemList items_;
    int commonPitch_ = 10;
    int commonWidth_ = 12;
    int gridPitch_ = 12;
    int gridPhase_ = 0;
    std::mt19937 random_{20240601u};
};

} // namespace rl
