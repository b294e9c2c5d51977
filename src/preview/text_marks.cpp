#include "preview/text_marks.h"

#include "pagestore/graphic_object.h"
#include "pagestore/graphic_surface.h"
#include "pagestore/text_cells.h"
#include "platform/windows1252.h"

#include <QPainter>
#include <QPoint>

#include <algorithm>

namespace rl {

void TextMarks::Paint(QPainter& painter, const TRLGraphicSurface& page, int pageIndex,
                      const QRect& inner) const {
    const bool withMatch = match && match->at.page == pageIndex;
    const bool withSelection = !selection.IsEmpty() && selection.page == pageIndex;
    if (!withMatch && !withSelection) return;
    painter.save();
    painter.setClipRect(inner, Qt::IntersectClip);
    if (withSelection)
        painter.fillRect(BlockRect(page, inner, painter.device(), selection), SelectionColor());
    if (withMatch) painter.fillRect(MatchRect(page, inner, painter.device(), *match), MatchColor());
    painter.restore();
}

QRect TextMarks::MatchRect(const TRLGraphicSurface& page, const QRect& inner, const QPaintDevice* device,
                           const TextMatch& match) {
    const std::vector<const TRLTextObject*> lines = PageLines(page);
    if (match.at.line < 0 || size_t(match.at.line) >= lines.size()) return {};
    TextCellLayout layout(page, inner, device);
    return layout.Cells(*lines[size_t(match.at.line)], match.at.offset, match.length);
}

QRect TextMarks::BlockRect(const TRLGraphicSurface& page, const QRect& inner, const QPaintDevice* device,
                           const TextBlock& block) {
    const std::vector<const TRLTextObject*> lines = PageLines(page);
    TextCellLayout layout(page, inner, device);
    QRect area;
    const int count = block.lastColumn - block.firstColumn + 1;
    for (int line = std::max(0, block.firstLine); line <= block.lastLine && size_t(line) < lines.size();
         ++line)
        area |= layout.Cells(*lines[size_t(line)], block.firstColumn, count);
    return area;
}

TextBlock TextMarks::BlockBetween(const TRLGraphicSurface& page, int pageIndex, const QRect& inner,
                                  const QPaintDevice* device, QPoint a, QPoint b) {
    const std::vector<const TRLTextObject*> lines = PageLines(page);
    TextCellLayout layout(page, inner, device);
    const int top = std::min(a.y(), b.y()), bottom = std::max(a.y(), b.y());
    TextBlock block;
    block.page = pageIndex;
    block.firstLine = -1;
    for (int line = 0; line < int(lines.size()); ++line) {
        const TRLTextObject& text = *lines[size_t(line)];
        if (layout.LineTop(text) > bottom || layout.LineBottom(text) <= top) continue;
        if (block.firstLine < 0) block.firstLine = line;
        block.lastLine = line;
    }
    if (block.firstLine < 0) return {};
    const TRLTextObject& first = *lines[size_t(block.firstLine)];
    block.firstColumn = std::max(0, layout.CharacterAt(first, std::min(a.x(), b.x())));
    block.lastColumn = layout.CharacterAt(first, std::max(a.x(), b.x()));
    return block.IsEmpty() ? TextBlock{} : block;
}

QString TextMarks::BlockText(const TRLGraphicSurface& page, const TextBlock& block) {
    if (block.IsEmpty()) return {};
    const std::vector<const TRLTextObject*> lines = PageLines(page);
    QStringList rows;
    for (int line = std::max(0, block.firstLine); line <= block.lastLine && size_t(line) < lines.size();
         ++line) {
        const std::string text = lines[size_t(line)]->DisplayText();
        std::string cells;
        if (size_t(block.firstColumn) < text.size())
            cells = text.substr(size_t(block.firstColumn), size_t(block.lastColumn - block.firstColumn + 1));
        while (!cells.empty() && (cells.back() == ' ' || cells.back() == '\t' || cells.back() == '\r'))
            cells.pop_back();
        rows << fromWindows1252(cells);
    }
    return rows.join(u'\n');
}

} // namespace rl
