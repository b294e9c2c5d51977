#pragma once

#include "pagestore/text_search.h"

#include <QColor>
#include <QRect>
#include <QString>

#include <optional>

class QPainter;
class QPaintDevice;
class QPoint;

namespace rl {

class TRLGraphicSurface;

// A block of character cells of one page, as a terminal selects text: lines
// firstLine .. lastLine (indexes among the page's text objects, see PageLines)
// and, on each of them, the characters firstColumn .. lastColumn.
struct TextBlock {
    int page = -1;
    int firstLine = 0;
    int lastLine = -1;
    int firstColumn = 0;
    int lastColumn = -1;
    bool IsEmpty() const { return page < 0 || lastLine < firstLine || lastColumn < firstColumn; }
    friend bool operator==(const TextBlock&, const TextBlock&) = default;
};

// The marks the preview paints over the text of its pages: the match the
// find bar shows and the user's block selection, each translucent over the
// cells it covers. Geometry is in device pixels of a page painted by PaintTo
// into `inner` on a device (TextCellLayout), so marks fit the glyphs at every
// zoom. Plain data and functions; the page passed must be the page the mark
// belongs to.
class TextMarks {
public:
    std::optional<TextMatch> match;
    TextBlock selection;

    static QColor MatchColor() { return {255, 150, 0, 110}; }
    static QColor SelectionColor() { return {51, 120, 220, 90}; }

    // Paints the marks that belong to the page with this index.
    void Paint(QPainter& painter, const TRLGraphicSurface& page, int pageIndex, const QRect& inner) const;

    // The match's cells; empty when its line is not on the page.
    static QRect MatchRect(const TRLGraphicSurface& page, const QRect& inner, const QPaintDevice* device,
                           const TextMatch& match);
    // The block's cells: the bounding rectangle of its lines' cells.
    static QRect BlockRect(const TRLGraphicSurface& page, const QRect& inner, const QPaintDevice* device,
                           const TextBlock& block);
    // The block spanned by two device points: the lines whose height the
    // vertical span meets, and the cells of the topmost of them the horizontal
    // span meets. Empty when the span meets no line or no cell.
    static TextBlock BlockBetween(const TRLGraphicSurface& page, int pageIndex, const QRect& inner,
                                  const QPaintDevice* device, QPoint a, QPoint b);
    // The block's text: one line per report line, trailing blanks trimmed,
    // joined by line feeds.
    static QString BlockText(const TRLGraphicSurface& page, const TextBlock& block);
};

} // namespace rl
