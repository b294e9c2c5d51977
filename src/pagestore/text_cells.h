#pragma once

#include <QFont>
#include <QRect>

#include <string>

class QPaintDevice;

namespace rl {

class TRLGraphicSurface;
class TRLTextObject;

// Where the characters of a page's text objects fall when the page is painted
// by PaintTo into a target rectangle on a device. Each character is one cell
// (one Windows-1252 byte is one character), measured in the object's own font
// at the size painting gives it there, so the cells fit the painted glyphs at
// every scale and on every device.
//
// Justified text is measured as written: its widened gaps are not followed.
// The page and device must outlive the layout; GUI thread only.
class TextCellLayout {
public:
    TextCellLayout(const TRLGraphicSurface& page, const QRect& target, const QPaintDevice* device);

    // The cells of characters first .. first + count - 1 of the object's
    // display text, as one device rectangle one line high; characters beyond the
    // text count as cells of a blank, so a block may reach past a short line.
    QRect Cells(const TRLTextObject& text, int first, int count);
    // The character whose cell holds device x: -1 before the first cell, and
    // past the last one the index it would have (cells of blanks go on).
    int CharacterAt(const TRLTextObject& text, int x);
    // The line's top and bottom (exclusive) on the device.
    int LineTop(const TRLTextObject& text);
    int LineBottom(const TRLTextObject& text);

private:
    struct Placed {
        int x = 0, y = 0, height = 0;
        double blank = 0; // advance of a blank, for cells past the text
        QString display;
    };
    const Placed& Place(const TRLTextObject& text);
    double AdvanceOf(const Placed& placed, int count) const;

    const QPaintDevice* device_;
    QRect target_;
    double xf_ = 1, yf_ = 1;
    QFont font_;
    std::string fontKey_;
    const TRLTextObject* placedText_ = nullptr;
    Placed placed_;
};

} // namespace rl
