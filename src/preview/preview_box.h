#pragma once

#include <QWidget>

namespace rl {

class TRLGraphicSurface;
class TRLPreview;

// One sheet of paper in the preview: the page at (current page index + the box's
// position) painted through its own PaintTo, a silver border and a grey shadow;
// grey with a cross when there is no such page or it cannot be read.
//
// Opaque: it paints every pixel of what is exposed, so nothing is erased first.
// Only the exposed part is painted, whatever the box's size.
class TRLPreviewBox : public QWidget {
    Q_OBJECT
public:
    TRLPreviewBox(TRLPreview* preview, int boxIndex);

    TRLPreview* Preview() const { return preview_; }
    // Position in the preview's box list (0, 1 or 2).
    int BoxIndex() const { return boxIndex_; }
    // Index in the store of the page this box shows (may be out of range).
    int PageIndex() const;
    // The page, fetched from the store now: valid only until the store is used again.
    TRLGraphicSurface* Page() const;
    bool HasPage() const { return Page() != nullptr; }

    // Where the page is painted: the paper inside its border, box coordinates.
    QRect InnerRect() const;

    static QColor PaperColor() { return {255, 255, 255}; }
    static QColor NoPageColor() { return {128, 128, 128}; }
    static QColor BorderColor() { return {192, 192, 192}; }
    static QColor ShadowColor() { return {128, 128, 128}; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    TRLPreview* preview_;
    int boxIndex_;
    bool pressed_ = false;
};

} // namespace rl
