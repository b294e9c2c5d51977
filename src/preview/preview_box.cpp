#include "preview/preview_box.h"

#include "pagestore/graphic_storage.h"
#include "pagestore/graphic_surface.h"
#include "preview/preview.h"

#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>

namespace rl {

namespace {
// Border and shadow widths around the paper.
constexpr int kShadow = 5;

void fillWithin(QPainter& painter, const QRect& rect, const QRect& exposed, const QColor& color) {
    // Boxes may be a million pixels wide: only the exposed part is ever filled.
    // (An inverted rectangle is empty here, not flipped over.)
    if (rect.isEmpty()) return;
    const QRect part = rect.intersected(exposed);
    if (!part.isEmpty()) painter.fillRect(part, color);
}
} // namespace

TRLPreviewBox::TRLPreviewBox(TRLPreview* preview, int boxIndex)
    : QWidget(preview->viewport()), preview_(preview), boxIndex_(boxIndex) {
    // Every exposed pixel is painted below, so nothing needs erasing first.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setAttribute(Qt::WA_NoSystemBackground);
    setGeometry(0, 0, 1, 1);
}

int TRLPreviewBox::PageIndex() const {
    return preview_->CurrentPageIndex() + boxIndex_;
}

TRLGraphicSurface* TRLPreviewBox::Page() const {
    TRLGraphicStorage* storage = preview_->Storage();
    return storage ? storage->Pages(PageIndex()) : nullptr;
}

QRect TRLPreviewBox::InnerRect() const {
    return QRect(0, 0, width() - TRLPreview::kPaperMargin, height() - TRLPreview::kPaperMargin)
        .adjusted(1, 1, -1, -1);
}

void TRLPreviewBox::paintEvent(QPaintEvent* event) {
    const QRect exposed = event->rect();
    const int w = width(), h = height();
    QPainter painter(this);
    const QColor background = preview_->viewport()->palette().color(preview_->viewport()->backgroundRole());

    const QRect paper(0, 0, w - TRLPreview::kPaperMargin, h - TRLPreview::kPaperMargin);
    const QRect inner = InnerRect();
    const QRect rightShadow(QPoint(paper.right() + 1, kShadow),
                            QPoint(paper.right() + kShadow, paper.bottom() + kShadow));
    const QRect bottomShadow(QPoint(kShadow, paper.bottom() + 1),
                             QPoint(paper.right(), paper.bottom() + kShadow));

    // What paper and shadow leave uncovered shows the preview's background: the
    // corners beside the shadows and the two outermost rows and columns.
    if (w < 2 * TRLPreview::kPaperMargin || h < 2 * TRLPreview::kPaperMargin) {
        fillWithin(painter, rect(), exposed, background);
    } else {
        fillWithin(painter, QRect(QPoint(paper.right() + 1, 0), QPoint(w - 1, kShadow - 1)), exposed,
                   background);
        fillWithin(painter, QRect(QPoint(rightShadow.right() + 1, kShadow), QPoint(w - 1, h - 1)), exposed,
                   background);
        fillWithin(painter, QRect(QPoint(0, paper.bottom() + 1), QPoint(kShadow - 1, h - 1)), exposed,
                   background);
        fillWithin(painter,
                   QRect(QPoint(kShadow, bottomShadow.bottom() + 1), QPoint(rightShadow.right(), h - 1)),
                   exposed, background);
    }

    // The page is fetched now and not kept: painting may be the store's next use.
    const TRLGraphicSurface* page = Page();
    if (!paper.isEmpty()) {
        fillWithin(painter, paper, exposed, BorderColor());
        fillWithin(painter, inner, exposed, page ? PaperColor() : NoPageColor());
    }
    if (!inner.isEmpty() && inner.intersects(exposed)) {
        if (page) {
            // The page maps itself onto the whole inner rectangle; the paint
            // event's clip keeps the work to the exposed part.
            page->PaintTo(painter, inner);
            preview_->Marks().Paint(painter, *page, PageIndex(), inner);
        } else {
            painter.save();
            painter.setClipRect(inner.intersected(exposed));
            painter.setRenderHint(QPainter::Antialiasing, false);
            painter.setPen(QPen(BorderColor(), 0));
            painter.drawLine(inner.topLeft(), inner.bottomRight());
            painter.drawLine(inner.topRight(), inner.bottomLeft());
            painter.restore();
        }
    }
    fillWithin(painter, rightShadow, exposed, ShadowColor());
    fillWithin(painter, bottomShadow, exposed, ShadowColor());
}

void TRLPreviewBox::mousePressEvent(QMouseEvent* event) {
    // Taken here: mouse events of the boxes are not the preview's own.
    pressed_ = event->button() == Qt::LeftButton;
    event->accept();
    preview_->ToolPress(this, event);
}

void TRLPreviewBox::mouseMoveEvent(QMouseEvent* event) {
    // Moves that no tool drags go on to the preview, as ordinary mouse events.
    if (!preview_->ToolMove(this, event)) event->ignore();
}

void TRLPreviewBox::mouseReleaseEvent(QMouseEvent* event) {
    const bool click =
        pressed_ && event->button() == Qt::LeftButton && rect().contains(event->position().toPoint());
    pressed_ = false;
    event->accept();
    preview_->ToolRelease(this, event);
    if (click) preview_->DoEnter();
}

void TRLPreviewBox::mouseDoubleClickEvent(QMouseEvent* event) {
    event->accept();
    // The zoom tool takes the second click as one more zoom.
    if (preview_->ToolDoubleClick(this, event)) return;
    if (event->button() == Qt::LeftButton) preview_->HandleBoxDoubleClick(this);
}

void TRLPreviewBox::contextMenuEvent(QContextMenuEvent* event) {
    event->accept();
    // With the zoom tool the right button zooms out.
    if (preview_->CurrentTool() == TRLPreview::Tool::Zoom) return;
    preview_->PopupMenuOn(this, event->globalPos());
}

} // namespace rl
