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
#include <QMimeData>
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

// The zoom tool's levels, in percent.
constexpr double kZoomLevels[] = {10, 25, 40, 50, 60, 80, 100, 125, 150, 200, 250, 300, 400, 500, 600, 800};
// A match scrolled into view keeps this far from the edges.
constexpr int kMatchMargin = 24;
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
    // Marks name places in the pages laid out before.
    marks_ = TextMarks{};
    drag_ = Drag::None;
    for (TRLPreviewBox* box : boxes_)
        box->update();
    LayoutBoxes();
    pagesSeen_ = storage ? storage->PageCount() : 0;
    GoToFirstPage();
}

void TRLPreview::PagesChanged(bool finished) {
    if (!storage_) return;
    const int count = storage_->PageCount();
    if (currentPageIndex_ >= count) currentPageIndex_ = -1;
    if (currentPageIndex_ < 0 && count > 0) {
        GoToFirstPage();
    } else {
        for (int i = 0; i < visibleBoxCount_; ++i)
            if (finished || count < pagesSeen_ || currentPageIndex_ + i >= pagesSeen_) boxes_[size_t(i)]->update();
    }
    pagesSeen_ = count;
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
    ToolPress(nullptr, event);
}

void TRLPreview::mouseDoubleClickEvent(QMouseEvent* event) {
    // The second press of a double click is still a press.
    mousePressEvent(event);
}

void TRLPreview::mouseMoveEvent(QMouseEvent* event) {
    const QPoint p = viewport()->mapTo(this, event->position().toPoint());
    ToolMove(nullptr, event);
    if (OnMouseMove) OnMouseMove(this, event->buttons(), event->modifiers(), p.x(), p.y());
}

void TRLPreview::mouseReleaseEvent(QMouseEvent* event) {
    const QPoint p = viewport()->mapTo(this, event->position().toPoint());
    const bool click = pressed_ && event->button() == Qt::LeftButton &&
                       viewport()->rect().contains(event->position().toPoint());
    pressed_ = false;
    ToolRelease(nullptr, event);
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

// ---- tools

void TRLPreview::SetTool(Tool tool) {
    tool_ = tool;
    drag_ = Drag::None;
    ShowToolCursor(false);
}

void TRLPreview::SetToolCursors(Tool tool, const QCursor& idle, const QCursor& held) {
    cursors_[int(tool)] = {idle, held};
    if (tool == tool_) ShowToolCursor(false);
}

void TRLPreview::ShowToolCursor(bool held) {
    const ToolCursors& cursors = cursors_[int(tool_)];
    setCursor(held ? cursors.held : cursors.idle);
}

double TRLPreview::ZoomInLevel(double zoom) {
    for (const double level : kZoomLevels)
        if (level > zoom) return level;
    return zoom;
}

double TRLPreview::ZoomOutLevel(double zoom) {
    double lower = zoom;
    for (const double level : kZoomLevels)
        if (level < zoom) lower = level;
    return lower;
}

void TRLPreview::ZoomAround(double zoom, QPoint at) {
    TRLPreviewBox* under = nullptr;
    for (int i = 0; i < visibleBoxCount_ && storage_; ++i)
        if (boxes_[size_t(i)]->geometry().contains(at)) under = boxes_[size_t(i)];
    if (!under) {
        SetZoomFactor(zoom);
        return;
    }
    // The point as a fraction of the page, found again on the page at the new zoom.
    const QRect before = under->InnerRect().translated(under->pos());
    const double fx = before.width() > 0 ? double(at.x() - before.left()) / before.width() : 0;
    const double fy = before.height() > 0 ? double(at.y() - before.top()) / before.height() : 0;
    SetZoomFactor(zoom);
    const QRect after = under->InnerRect().translated(under->pos());
    SetHorzScrollPosition(HorzScrollPosition() + after.left() + int(std::lround(fx * after.width())) -
                          at.x());
    SetVertScrollPosition(VertScrollPosition() + after.top() + int(std::lround(fy * after.height())) -
                          at.y());
}

void TRLPreview::ToolPress(TRLPreviewBox* box, QMouseEvent* event) {
    if (!storage_) return;
    const bool left = event->button() == Qt::LeftButton;
    if (left && box && (tool_ == Tool::Select || event->modifiers().testFlag(Qt::ShiftModifier))) {
        // A drag selects; a click without one only clears the selection.
        drag_ = Drag::SelectPending;
        dragBox_ = box;
        dragStartInBox_ = event->position().toPoint();
        setCursor(cursors_[int(Tool::Select)].held);
        return;
    }
    if (tool_ == Tool::Zoom && (left || event->button() == Qt::RightButton)) {
        const QPoint at =
            box ? box->mapTo(viewport(), event->position().toPoint()) : event->position().toPoint();
        if (!left) ShowToolCursor(true);
        const double zoom = left ? ZoomInLevel(zoomFactor_) : ZoomOutLevel(zoomFactor_);
        if (zoom == zoomFactor_) return;
        ZoomAround(zoom, at);
        if (OnToolZoom) OnToolZoom(this);
        return;
    }
    if (tool_ == Tool::Hand && left) {
        drag_ = Drag::Pan;
        // Global positions: the boxes move under the mouse as the view scrolls.
        dragStartGlobal_ = event->globalPosition().toPoint();
        dragStartHorz_ = HorzScrollPosition();
        dragStartVert_ = VertScrollPosition();
        ShowToolCursor(true);
    }
}

bool TRLPreview::ToolMove(TRLPreviewBox* box, QMouseEvent* event) {
    switch (drag_) {
    case Drag::None:
        return false;
    case Drag::Pan: {
        const QPoint moved = event->globalPosition().toPoint() - dragStartGlobal_;
        SetHorzScrollPosition(dragStartHorz_ - moved.x());
        SetVertScrollPosition(dragStartVert_ - moved.y());
        return true;
    }
    case Drag::SelectPending:
    case Drag::Select:
        break;
    }
    // The box pressed on keeps the mouse until the button is let go.
    if (!box || box != dragBox_) return true;
    const QPoint at = event->position().toPoint();
    if (drag_ == Drag::SelectPending &&
        (at - dragStartInBox_).manhattanLength() < QApplication::startDragDistance())
        return true;
    drag_ = Drag::Select;
    if (const TRLGraphicSurface* page = box->Page())
        SetSelection(
            TextMarks::BlockBetween(*page, box->PageIndex(), box->InnerRect(), box, dragStartInBox_, at));
    return true;
}

void TRLPreview::ToolRelease(TRLPreviewBox*, QMouseEvent*) {
    if (drag_ == Drag::SelectPending) ClearSelection();
    drag_ = Drag::None;
    dragBox_ = nullptr;
    ShowToolCursor(false);
}

bool TRLPreview::ToolDoubleClick(TRLPreviewBox* box, QMouseEvent* event) {
    if (tool_ != Tool::Zoom) return false;
    ToolPress(box, event);
    return true;
}

// ---- text marks

TRLPreviewBox* TRLPreview::BoxOfPage(int pageIndex) const {
    if (!storage_ || pageIndex < 0 || pageIndex >= storage_->PageCount()) return nullptr;
    const int position = pageIndex - currentPageIndex_;
    return position >= 0 && position < visibleBoxCount_ ? boxes_[size_t(position)] : nullptr;
}

void TRLPreview::UpdateMarksOf(int) {
    for (TRLPreviewBox* box : boxes_)
        box->update();
}

void TRLPreview::ScrollIntoView(const QRect& rect) {
    const QRect view = viewport()->rect().adjusted(kMatchMargin, kMatchMargin, -kMatchMargin, -kMatchMargin);
    // Out of view in a direction: centred in that direction.
    if (rect.left() < view.left() || rect.right() > view.right())
        SetHorzScrollPosition(HorzScrollPosition() + rect.center().x() - view.center().x());
    if (rect.top() < view.top() || rect.bottom() > view.bottom())
        SetVertScrollPosition(VertScrollPosition() + rect.center().y() - view.center().y());
}

void TRLPreview::ShowTextMatch(const TextMatch& match) {
    marks_.match = match;
    if (!storage_) return;
    if (!BoxOfPage(match.at.page))
        GoToPageNumber(clampToInt(qint64(storage_->FirstPageNumber()) + match.at.page));
    UpdateMarksOf(match.at.page);
    TRLPreviewBox* box = BoxOfPage(match.at.page);
    if (!box) return;
    if (const TRLGraphicSurface* page = box->Page()) {
        const QRect cells = TextMarks::MatchRect(*page, box->InnerRect(), box, match);
        if (!cells.isEmpty()) ScrollIntoView(cells.translated(box->pos()));
    }
}

void TRLPreview::ClearTextMatch() {
    if (!marks_.match) return;
    const int page = marks_.match->at.page;
    marks_.match.reset();
    UpdateMarksOf(page);
}

void TRLPreview::SetSelection(const TextBlock& block) {
    if (block == marks_.selection) return;
    marks_.selection = block;
    UpdateMarksOf(block.page);
}

void TRLPreview::ClearSelection() {
    SetSelection(TextBlock{});
}

QString TRLPreview::SelectedText() {
    if (marks_.selection.IsEmpty() || !storage_) return {};
    const TRLGraphicSurface* page = storage_->Pages(marks_.selection.page);
    return page ? TextMarks::BlockText(*page, marks_.selection) : QString();
}

bool TRLPreview::CopySelectedText() {
    if (marks_.selection.IsEmpty() || !storage_) return false;
    const QString text = SelectedText();
    // HTML drops the blanks at either end (a number stays a number) and runs
    // blanks together: the blanks inside a line are kept as no-break spaces
    // after the first.
    QString html = QStringLiteral("<meta charset=\"utf-8\"><table>");
    for (const QString& line : text.split(u'\n')) {
        QString cell = line.trimmed().toHtmlEscaped();
        cell.replace(QStringLiteral("  "), QStringLiteral(" &nbsp;"));
        cell.replace(QStringLiteral("&nbsp; "), QStringLiteral("&nbsp;&nbsp;"));
        html += QStringLiteral("<tr><td>") + cell + QStringLiteral("</td></tr>");
    }
    html += QStringLiteral("</table>");
    auto* data = new QMimeData;
    data->setText(text);
    data->setHtml(html);
    QApplication::clipboard()->setMimeData(data);
    return true;
}

} // namespace rl
