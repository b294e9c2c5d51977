#include "preview/preview.h"

#include "pagestore/graphic_storage.h"
#include "pagestore/graphic_surface.h"
#include "pagestore/units.h"
#include "platform/messages.h"
#include "preview/preview_box.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QImage>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>

#include <algorithm>
#include <climits>
#include <cmath>

namespace rl {

namespace {
// A copied page larger than this (a damaged size) is not copied.
constexpr qint64 kMaxCopyPixels = 64 * 1024 * 1024;
// 96 dots per inch, so that text painted into the copy has its page size.
constexpr int kDotsPerMetre96 = 3780;

int clampToInt(qint64 value) {
    return int(std::clamp<qint64>(value, INT_MIN, INT_MAX));
}

// Zoom that fits `available` pixels of screen onto `pageUnits` of page, or none
// when the store does not know that dimension.
} // namespace

TRLPreview::TRLPreview(QWidget* parent) : QAbstractScrollArea(parent) {
    // The control's width is the viewport's when no scroll bar shows.
    setFrameShape(QFrame::NoFrame);
    // No keyboard handling of its own: keys go to the window.
    setFocusPolicy(Qt::NoFocus);
    setMouseTracking(true);
    horizontalScrollBar()->setTracking(true);
    verticalScrollBar()->setTracking(true);
    horizontalScrollBar()->setSingleStep(8);
    verticalScrollBar()->setSingleStep(8);
    viewport()->setBackgroundRole(QPalette::Window);
    viewport()->setAutoFillBackground(true);

    contextMenu_ = new QMenu(this);
    copyAction_ = contextMenu_->addAction(Messages::text(Messages::Id::Copy));
    copyAction_->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_C));
    connect(copyAction_, &QAction::triggered, this, [this] { CopyPageToClipboard(); });

    for (int i = 0; i < kBoxCount; ++i) {
        boxes_[size_t(i)] = new TRLPreviewBox(this, i);
        boxes_[size_t(i)]->setVisible(i == 0);
    }
    UpdateScrollRanges();
}

TRLPreview::~TRLPreview() {
    // Unlinking may destroy a store that has no owner; it must not call back here.
    if (TRLGraphicStorage* storage = storage_.data()) {
        disconnect(storage, nullptr, this, nullptr);
        storage_ = nullptr;
        storage->Unlink(this);
    }
}

// ---- store and pages

void TRLPreview::AttachStorage(TRLGraphicStorage* storage) {
    TRLGraphicStorage* previous = storage_.data();
    // Unlinking the store about to be shown again could destroy it.
    if (storage != previous) {
        if (previous) disconnect(previous, nullptr, this, nullptr);
        storage_ = storage;
        if (previous) previous->Unlink(this);
        if (storage) {
            storage->Link(this);
            connect(storage, &QObject::destroyed, this, [this] { StorageDestroyed(); });
        }
    }
    for (TRLPreviewBox* box : boxes_)
        box->update();
    LayoutBoxes();
    GoToFirstPage();
}

TRLGraphicStorage* TRLPreview::Storage() const {
    return storage_.data();
}

void TRLPreview::StorageDestroyed() {
    // The store went away under us (its owner freed it): show no pages.
    for (TRLPreviewBox* box : boxes_)
        box->update();
}

int TRLPreview::CurrentPageNumber() const {
    if (!storage_) return 0;
    return clampToInt(qint64(storage_->FirstPageNumber()) + currentPageIndex_);
}

void TRLPreview::GoToPageNumber(int pageNumber) {
    if (!storage_) return;
    const qint64 index = qint64(pageNumber) - storage_->FirstPageNumber();
    if (index < 0 || index >= storage_->PageCount() || index == currentPageIndex_) return;
    currentPageIndex_ = int(index);
    // The layout places the boxes itself: the scroll bars must not move them now.
    placingBoxes_ = true;
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
    placingBoxes_ = false;
    LayoutBoxes();
}

void TRLPreview::GoToFirstPage() {
    if (storage_) GoToPageNumber(storage_->FirstPageNumber());
}

void TRLPreview::GoToLastPage() {
    if (storage_)
        GoToPageNumber(clampToInt(std::max<qint64>(
            storage_->FirstPageNumber(), qint64(storage_->LastPageNumber()) - visibleBoxCount_ + 1)));
}

void TRLPreview::GoToNextPage() {
    if (storage_)
        GoToPageNumber(clampToInt(
            std::min<qint64>(storage_->LastPageNumber(), qint64(CurrentPageNumber()) + visibleBoxCount_)));
}

void TRLPreview::GoToPriorPage() {
    if (storage_)
        GoToPageNumber(clampToInt(
            std::max<qint64>(storage_->FirstPageNumber(), qint64(CurrentPageNumber()) - visibleBoxCount_)));
}

// ---- zoom

void TRLPreview::SetZoomFactor(double zoomFactor) {
    if (!std::isfinite(zoomFactor) || zoomFactor < 10 || zoomFactor == zoomFactor_) return;
    zoomFactor_ = zoomFactor;
    LayoutBoxes();
}

double TRLPreview::FitZoom(int boxes, bool wholePage) const {
    const int pageWidth = storage_->OrientedWidthPixels();
    const int pageHeight = storage_->OrientedHeightPixels();
    if (pageWidth <= 0 && pageHeight <= 0) return 100;
    // Rounded down, so that the fitted boxes are never wider than the area.
    const auto widthTerm = [&](int area) {
        return std::floor(double(area - boxes * kPaperMargin) / boxes * 100.0 / pageWidth);
    };
    const auto heightTerm = [&] { return std::floor(double(height() - kPaperMargin) * 100.0 / pageHeight); };
    if (pageWidth <= 0) return heightTerm();
    double zoom = widthTerm(width());
    if (wholePage && pageHeight > 0) zoom = std::min(zoom, heightTerm());
    // Pages taller than the control bring the vertical scroll bar, which takes
    // its width from the area the pages are shown in.
    if (pageHeight > 0 && pageHeight * zoom / 100 + kPaperMargin > height()) {
        const int bar = style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, verticalScrollBar());
        zoom = std::min(zoom, widthTerm(width() - bar));
    }
    return zoom;
}

void TRLPreview::FitWholePage() {
    const bool countChanged = visibleBoxCount_ != 1;
    SetVisibleBoxCount(1);
    const double before = zoomFactor_;
    SetZoomFactor(storage_ ? FitZoom(1, true) : 100);
    // Fewer boxes at the same zoom still need placing again.
    if (countChanged && zoomFactor_ == before) LayoutBoxes();
}

void TRLPreview::FitPageWidth() {
    const bool countChanged = visibleBoxCount_ != 1;
    SetVisibleBoxCount(1);
    const double before = zoomFactor_;
    SetZoomFactor(storage_ ? FitZoom(1, false) : 100);
    if (countChanged && zoomFactor_ == before) LayoutBoxes();
}

void TRLPreview::ShowMultiplePages() {
    const bool countChanged = visibleBoxCount_ != kBoxCount;
    SetVisibleBoxCount(kBoxCount);
    const double before = zoomFactor_;
    SetZoomFactor(storage_ ? FitZoom(kBoxCount, true) : 100);
    // Boxes just shown at the same zoom still have no place.
    if (countChanged && zoomFactor_ == before) LayoutBoxes();
}

void TRLPreview::SetVisibleBoxCount(int count) {
    visibleBoxCount_ = count;
    for (int i = 0; i < kBoxCount; ++i)
        boxes_[size_t(i)]->setVisible(i < count);
    UpdateScrollRanges();
}

// ---- layout

QSize TRLPreview::BoxSizeFor(int pageIndex) const {
    double w, h;
    if (const TRLGraphicSurface* page = storage_->Pages(pageIndex)) {
        w = page->Width;
        h = page->Height;
    } else {
        w = storage_->OrientedWidthPixels();
        h = storage_->OrientedHeightPixels();
    }
    w = std::max(0.0, w * zoomFactor_ / 100);
    h = std::max(0.0, h * zoomFactor_ / 100);
    // Past the limit the page keeps its proportions at the largest scale that fits.
    const double limit = kMaxBoxExtent - kPaperMargin;
    const double larger = std::max(w, h);
    if (larger > limit) {
        w *= limit / larger;
        h *= limit / larger;
    }
    return {int(std::min<qint64>(roundEven(w), qint64(limit))) + kPaperMargin,
            int(std::min<qint64>(roundEven(h), qint64(limit))) + kPaperMargin};
}

void TRLPreview::LayoutBoxes() {
    if (!storage_) return;
    std::array<QSize, kBoxCount> sizes;
    qint64 totalWidth = 0;
    int rowHeight = 0;
    for (int i = 0; i < visibleBoxCount_; ++i) {
        sizes[size_t(i)] = BoxSizeFor(currentPageIndex_ + i);
        totalWidth += sizes[size_t(i)].width();
        rowHeight = std::max(rowHeight, sizes[size_t(i)].height());
    }

    placingBoxes_ = true;
    int x, y;
    // Narrower than the control: centred, and nothing to scroll.
    if (totalWidth < width()) {
        horizontalScrollBar()->setValue(0);
        x = int((width() - totalWidth) / 2);
    } else {
        x = -horizontalScrollBar()->value();
    }
    if (rowHeight < height()) {
        verticalScrollBar()->setValue(0);
        y = (height() - rowHeight) / 2;
    } else {
        y = -verticalScrollBar()->value();
    }
    for (int i = 0; i < visibleBoxCount_; ++i) {
        const QSize size = sizes[size_t(i)];
        TRLPreviewBox* box = boxes_[size_t(i)];
        box->setGeometry(x, y + (rowHeight - size.height()) / 2, size.width(), size.height());
        box->update();
        x += size.width();
    }
    placingBoxes_ = false;

    UpdateScrollRanges();
    if (OnChangeView) OnChangeView(this);
}

void TRLPreview::UpdateScrollRanges() {
    // Showing or hiding a scroll bar resizes the viewport, which asks again:
    // repeat until the ranges settle instead of recursing.
    if (updatingRanges_) {
        rangesDirty_ = true;
        return;
    }
    updatingRanges_ = true;
    for (int pass = 0; pass < 4; ++pass) {
        rangesDirty_ = false;
        // The extent is measured from the unscrolled origin, as the boxes'
        // positions are shifted by the current scroll positions.
        qint64 right = 0, bottom = 0;
        for (TRLPreviewBox* box : boxes_) {
            if (box->isHidden()) continue;
            right = std::max<qint64>(right, qint64(box->x()) + box->width() + horizontalScrollBar()->value());
            bottom =
                std::max<qint64>(bottom, qint64(box->y()) + box->height() + verticalScrollBar()->value());
        }
        const int viewWidth = viewport()->width(), viewHeight = viewport()->height();
        horizontalScrollBar()->setPageStep(std::max(1, viewWidth));
        verticalScrollBar()->setPageStep(std::max(1, viewHeight));
        horizontalScrollBar()->setRange(0, clampToInt(std::max<qint64>(0, right - viewWidth)));
        verticalScrollBar()->setRange(0, clampToInt(std::max<qint64>(0, bottom - viewHeight)));
        if (!rangesDirty_) break;
    }
    updatingRanges_ = false;
}

void TRLPreview::scrollContentsBy(int dx, int dy) {
    if (placingBoxes_) return;
    // QWidget::scroll moves the children too, and blits what stays visible;
    // it does nothing while hidden, so then the boxes are moved by hand.
    if (viewport()->isVisible()) {
        viewport()->scroll(dx, dy);
    } else {
        for (TRLPreviewBox* box : boxes_)
            box->move(box->pos() + QPoint(dx, dy));
    }
}

int TRLPreview::HorzScrollPosition() const {
    return horizontalScrollBar()->value();
}
void TRLPreview::SetHorzScrollPosition(int position) {
    horizontalScrollBar()->setValue(position);
}
int TRLPreview::VertScrollPosition() const {
    return verticalScrollBar()->value();
}
void TRLPreview::SetVertScrollPosition(int position) {
    verticalScrollBar()->setValue(position);
}

// ---- events

bool TRLPreview::event(QEvent* event) {
    if (event->type() != QEvent::Resize) return QAbstractScrollArea::event(event);
    const bool result = QAbstractScrollArea::event(event);
    // Moving without resizing sends no resize event; a resize to the same size
    // (as when a hidden control is shown) changes nothing either.
    if (size() != lastSize_) {
        LayoutBoxes();
        lastSize_ = size();
        if (OnResize) OnResize(this);
    }
    return result;
}

void TRLPreview::resizeEvent(QResizeEvent* event) {
    // The viewport's size changed (a scroll bar came or went): the ranges follow.
    QAbstractScrollArea::resizeEvent(event);
    UpdateScrollRanges();
}

void TRLPreview::mousePressEvent(QMouseEvent* event) {
    const QPoint p = viewport()->mapTo(this, event->position().toPoint());
    pressed_ = event->button() == Qt::LeftButton;
    if (OnMouseDown) OnMouseDown(this, event->button(), event->modifiers(), p.x(), p.y());
}

void TRLPreview::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second press of a double click is still a press.
    mousePressEvent(event);
}

void TRLPreview::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = viewport()->mapTo(this, event->position().toPoint());
    if (OnMouseMove) OnMouseMove(this, event->buttons(), event->modifiers(), p.x(), p.y());
}

void TRLPreview::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint p = viewport()->mapTo(this, event->position().toPoint());
    const bool click = pressed_ && event->button() == Qt::LeftButton &&
                       viewport()->rect().contains(event->position().toPoint());
    pressed_ = false;
    if (OnMouseUp) OnMouseUp(this, event->button(), event->modifiers(), p.x(), p.y());
    if (click) DoEnter();
}

void TRLPreview::keyPressEvent(QKeyEvent* event) {
    // The window does the keyboard; a scroll area would eat the arrow keys.
    event->ignore();
}

void TRLPreview::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    DoEnter();
}

void TRLPreview::DoEnter() {
    if (OnEnter) OnEnter(this);
}

// ---- page boxes

void TRLPreview::HandleBoxDoubleClick(TRLPreviewBox* box) {
    const int number = CurrentPageNumber() + box->BoxIndex();
    if (number != CurrentPageNumber()) GoToPageNumber(number);
    if (IsMultiplePages())
        FitPageWidth();
    else
        ShowMultiplePages();
}

void TRLPreview::PopupMenuOn(TRLPreviewBox* box, const QPoint& globalPos) {
    const QPointer<TRLPreview> self(this);
    popupBox_ = box;
    contextMenu_->exec(globalPos);
    // Once closed, the menu belongs to no box: its shortcut then copies nothing.
    if (self) popupBox_ = nullptr;
}

void TRLPreview::CopyPageToClipboard() {
    CopyPageOf(popupBox_);
}

bool TRLPreview::CopyCurrentPage() {
    return storage_ && isVisible() && CopyPageOf(boxes_[0]);
}

bool TRLPreview::CopyPageOf(const TRLPreviewBox* box) {
    if (!box) return false;
    const TRLGraphicSurface* page = box->Page();
    if (!page || page->Width <= 0 || page->Height <= 0 || qint64(page->Width) * page->Height > kMaxCopyPixels)
        return false;
    QImage image(page->Width, page->Height, QImage::Format_RGB32);
    if (image.isNull()) return false;
    image.setDotsPerMeterX(kDotsPerMetre96);
    image.setDotsPerMeterY(kDotsPerMetre96);
    image.fill(Qt::white);
    {
        QPainter painter(&image);
        page->PaintTo(painter, image.rect());
    }
    QApplication::clipboard()->setImage(image);
    return true;
}

} // namespace rl
