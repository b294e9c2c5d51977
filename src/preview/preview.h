#pragma once

#include "preview/text_marks.h"

#include <QAbstractScrollArea>
#include <QCursor>
#include <QPointer>
#include <QSize>

#include <array>
#include <functional>
#include <optional>

class QAction;
class QMenu;

namespace rl {

class TRLGraphicStorage;
class TRLPreviewBox;

// The scrolling, zooming page view: one page, or three side by side, of a page
// store, each on a sheet of paper with a border and a shadow. The page content is
// painted by the page itself (TRLGraphicSurface::PaintTo).
//
// The three page boxes are children of the viewport, placed by this class; the
// scroll range is the extent of the visible boxes. Pages are fetched from the
// store whenever they are needed and never kept, as the store may evict them.
//
// Store lifetime: the preview links itself to the store it shows and unlinks when
// another store is attached or when the preview is destroyed; a store without
// owner then destroys itself. A store destroyed by its owner while shown is
// noticed and the preview shows no pages.
//
// Limits: a zoom factor that is not a finite number is ignored like one below 10.
// Any larger factor is kept, but a box is never made wider or taller than
// kMaxBoxExtent pixels: beyond that the page is shown at the largest scale that
// fits, keeping its proportions (widget geometry and the painter's fixed-point
// coordinates would overflow long before).
//
// Tools (SetTool): the hand drags the pages, the zoom tool zooms in around a
// click and out around a right click, the selection tool drags a block of
// character cells of one page; Shift and a drag select in any tool. The find
// bar's match and the selection are painted over the pages (TextMarks); both
// are forgotten when a store is attached (the report was laid out again).
//
// GUI thread only.
class TRLPreview : public QAbstractScrollArea {
    Q_OBJECT
public:
    static constexpr int kBoxCount = 3;
    // 2 pixels of border and 5 of shadow around the paper.
    static constexpr int kPaperMargin = 7;
    static constexpr int kMaxBoxExtent = 1000000;

    explicit TRLPreview(QWidget* parent = nullptr);
    ~TRLPreview() override;

    // Fired after every layout, with the preview as sender.
    std::function<void(TRLPreview* sender)> OnChangeView;
    // A click on the preview or on a page box, and receiving the focus.
    std::function<void(TRLPreview* sender)> OnEnter;
    // After the control's size changed (and its boxes were laid out again).
    std::function<void(TRLPreview* sender)> OnResize;
    // Mouse events on the preview's own area (not on the page boxes), in the
    // preview's coordinates.
    std::function<void(TRLPreview* sender, Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int x,
                       int y)>
        OnMouseDown;
    std::function<void(TRLPreview* sender, Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers, int x,
                       int y)>
        OnMouseMove;
    std::function<void(TRLPreview* sender, Qt::MouseButton button, Qt::KeyboardModifiers modifiers, int x,
                       int y)>
        OnMouseUp;

    // After the zoom tool changed the zoom.
    std::function<void(TRLPreview* sender)> OnToolZoom;

    // Unlinks from the store shown so far (which may destroy it), links to the new
    // one (or none), lays out and shows the first page.
    void AttachStorage(TRLGraphicStorage* storage);
    TRLGraphicStorage* Storage() const;
    // The store shown gained pages (or, generated again, lost them) while it is
    // being generated: boxes that had no page show theirs, the first page is
    // shown when the one shown is gone. finished: generation has ended, and
    // every box is painted again (a page may show the page total).
    void PagesChanged(bool finished);

    // FirstPageNumber + current page index; 0 without a store.
    int CurrentPageNumber() const;
    // Index of the page in box 0; -1 before any page was shown.
    int CurrentPageIndex() const { return currentPageIndex_; }
    // Out-of-range numbers and the current one are ignored.
    void GoToPageNumber(int pageNumber);
    void GoToFirstPage();
    void GoToLastPage();
    void GoToNextPage();
    void GoToPriorPage();

    // Percent; below 10, equal to the current value, or not finite: ignored.
    void SetZoomFactor(double zoomFactor);
    double ZoomFactor() const { return zoomFactor_; }
    void FitWholePage();
    void FitPageWidth();
    void ShowMultiplePages();
    bool IsMultiplePages() const { return visibleBoxCount_ > 1; }
    int VisibleBoxCount() const { return visibleBoxCount_; }

    int HorzScrollPosition() const;
    void SetHorzScrollPosition(int position);
    int VertScrollPosition() const;
    void SetVertScrollPosition(int position);

    TRLPreviewBox* Boxes(int index) const { return boxes_.at(size_t(index)); }
    QMenu* ContextMenu() const { return contextMenu_; }
    QAction* CopyAction() const { return copyAction_; }
    // Copies the current page, as painted at 100 %, to the clipboard; false
    // when no page is shown.
    bool CopyCurrentPage();
    // The box the context menu is open on; null while it is closed.
    TRLPreviewBox* PopupComponent() const { return popupBox_; }

    // ---- tools
    enum class Tool { Hand, Zoom, Select };
    void SetTool(Tool tool);
    Tool CurrentTool() const { return tool_; }
    // The cursor a tool shows, and the one while its button is held (the zoom
    // tool's is shown for the right button, which zooms out).
    void SetToolCursors(Tool tool, const QCursor& idle, const QCursor& held);
    // The zoom tool's steps, 10 to 800 percent: the next level up or down (the
    // same zoom at either end).
    static double ZoomInLevel(double zoom);
    static double ZoomOutLevel(double zoom);
    // Zooms so that the page point under `at` (viewport coordinates) stays there.
    void ZoomAround(double zoom, QPoint at);

    // ---- text marks
    // Shows a match: turns to its page unless a box shows it already, scrolls
    // its cells into view and highlights them.
    void ShowTextMatch(const TextMatch& match);
    void ClearTextMatch();
    const std::optional<TextMatch>& HighlightedMatch() const { return marks_.match; }
    void SetSelection(const TextBlock& block);
    void ClearSelection();
    const TextBlock& Selection() const { return marks_.selection; }
    const TextMarks& Marks() const { return marks_; }
    // The selection's text (TextMarks::BlockText); empty without a selection.
    QString SelectedText();
    // Puts the selection on the clipboard, as plain text and as an HTML table
    // of one cell per line (spreadsheets take that without asking how to
    // split it); false without a selection.
    bool CopySelectedText();
    // The visible box that shows the page with this index; null when none does.
    TRLPreviewBox* BoxOfPage(int pageIndex) const;

protected:
    bool event(QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;

private:
    // The zoom at which `boxes` pages side by side fit the width of the area
    // they are shown in (the control less the vertical scroll bar when the
    // pages will need one) and, for a whole page, its height too.
    double FitZoom(int boxes, bool wholePage) const;
    friend class TRLPreviewBox;

    void LayoutBoxes();
    // Box size for the page at an index, from the page or the store's paper.
    QSize BoxSizeFor(int pageIndex) const;
    void SetVisibleBoxCount(int count);
    // Scroll ranges from the extent of the visible boxes.
    void UpdateScrollRanges();
    void DoEnter();
    void PopupMenuOn(TRLPreviewBox* box, const QPoint& globalPos);
    void CopyPageToClipboard();
    bool CopyPageOf(const TRLPreviewBox* box);
    void HandleBoxDoubleClick(TRLPreviewBox* box);
    void StorageDestroyed();
    // Mouse input of the tools, from a box (box set) or the preview's own area.
    void ToolPress(TRLPreviewBox* box, QMouseEvent* event);
    bool ToolMove(TRLPreviewBox* box, QMouseEvent* event);
    void ToolRelease(TRLPreviewBox* box, QMouseEvent* event);
    bool ToolDoubleClick(TRLPreviewBox* box, QMouseEvent* event);
    void ShowToolCursor(bool held);
    void UpdateMarksOf(int pageIndex);
    void ScrollIntoView(const QRect& viewportRect);

    QPointer<TRLGraphicStorage> storage_;
    double zoomFactor_ = 100.0;
    std::array<TRLPreviewBox*, kBoxCount> boxes_{};
    int visibleBoxCount_ = 1;
    int currentPageIndex_ = -1;
    int pagesSeen_ = 0; // the store's page count when PagesChanged last looked
    QSize lastSize_{0, 0};
    QMenu* contextMenu_ = nullptr;
    QAction* copyAction_ = nullptr;
    TRLPreviewBox* popupBox_ = nullptr;
    bool placingBoxes_ = false;
    bool updatingRanges_ = false;
    bool rangesDirty_ = false;
    bool pressed_ = false;

    struct ToolCursors {
        QCursor idle, held;
    };
    Tool tool_ = Tool::Hand;
    ToolCursors cursors_[3] = {{Qt::OpenHandCursor, Qt::ClosedHandCursor},
                               {Qt::CrossCursor, Qt::CrossCursor},
                               {Qt::IBeamCursor, Qt::IBeamCursor}};
    enum class Drag { None, Pan, SelectPending, Select };
    Drag drag_ = Drag::None;
    QPoint dragStartGlobal_;
    QPoint dragStartInBox_;
    int dragStartHorz_ = 0, dragStartVert_ = 0;
    TRLPreviewBox* dragBox_ = nullptr;
    TextMarks marks_;
};

} // namespace rl
