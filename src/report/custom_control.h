#pragma once

#include "pagestore/graphic_surface.h"
#include "pagestore/units.h"
#include "report/report_types.h"

#include <QObject>
#include <QSize>

#include <functional>
#include <string>
#include <vector>

namespace rl {

class TRLCustomSite;
class TRLCustomPager;
class TRLCustomReport;
class TRLCustomSkipper;

// Base of every report control: bounds relative to the parent control, layout,
// measuring and the print protocol. Controls are QObjects: the object name is
// the component name, and the owner (QObject parent) destroys them. The parent
// control (the tree of the report) is separate from the owner, as on a form.
class TRLCustomControl : public QObject {
    Q_OBJECT
public:
    explicit TRLCustomControl(QObject* owner = nullptr);
    ~TRLCustomControl() override;

    // ---- tree
    TRLCustomControl* ParentControl() const { return parentControl_; }
    void SetParentControl(TRLCustomControl* parent);
    // Children in the order they were parented (creation order on a form).
    const std::vector<TRLCustomControl*>& Controls() const { return controls_; }
    QString Name() const { return objectName(); }
    bool IsSite() const { return AsSite() != nullptr; }
    // What this control is, for walks up and down the tree on every print:
    // far cheaper than dynamic_cast through the deep class chain.
    virtual TRLCustomSite* AsSite() { return nullptr; }
    const TRLCustomSite* AsSite() const { return const_cast<TRLCustomControl*>(this)->AsSite(); }
    virtual TRLCustomPager* AsPager() { return nullptr; }
    virtual TRLCustomSkipper* AsSkipper() { return nullptr; }
    virtual TRLCustomReport* AsReport() { return nullptr; }
    // Order of children of one alignment class in a site's layout: band type
    // rank (plain controls 0, sites 100), then group.
    virtual int AlignRank() const { return 0; }
    virtual int AlignGroup() const { return 0; }

    // ---- bounds, page units relative to the parent control
    std::int32_t Left() const { return left_; }
    std::int32_t Top() const { return top_; }
    std::int32_t Width() const { return width_; }
    std::int32_t Height() const { return height_; }
    PageRect BoundsRect() const { return {left_, top_, left_ + width_, top_ + height_}; }
    void SetBounds(std::int32_t left, std::int32_t top, std::int32_t width, std::int32_t height);
    void SetLeft(std::int32_t v) { SetBounds(v, top_, width_, height_); }
    void SetTop(std::int32_t v) { SetBounds(left_, v, width_, height_); }
    void SetWidth(std::int32_t v) { SetBounds(left_, top_, v, height_); }
    void SetHeight(std::int32_t v) { SetBounds(left_, top_, width_, v); }

    // ---- published state
    TRLControlAlign Align() const { return align_; }
    void SetAlign(TRLControlAlign align);
    bool AutoSize() const { return autoSize_; }
    void SetAutoSize(bool value);
    std::uint8_t Anchors = 0; // TRLAnchorBits
    TRLBorders Borders;
    MetaColor Color{255, 255, 255};
    bool ParentColor = true;
    bool Transparent = true;
    SurfaceFont Font;
    bool ParentFont = true;
    bool Visible = true;
    bool SiteExpander = false; // Behavior contains beSiteExpander

    std::function<void(TRLCustomControl* sender, bool& printIt)> BeforePrint;
    std::function<void(TRLCustomControl* sender)> AfterPrint;

    // The font in effect: the parent's when ParentFont is set, up to the report.
    const SurfaceFont& EffectiveFont() const;
    MetaColor EffectiveColor() const;

    // ---- print protocol
    // Decides whether the control prints now; the result is kept as PrintIt().
    virtual bool CanPrint();
    bool PrintIt() const { return printIt_; }
    // Re-measures the natural size and applies it.
    void AdjustBounds();
    // Draws the control onto its parent site's private page.
    void PrintControl();
    void SaveBounds();
    void RestoreBounds();

    // The client rectangle: bounds at (0, 0) less (border width + 1) on each drawn side.
    PageRect ClientRect() const;
    // Bounds relative to the nearest parent site, less the border width on each drawn side.
    PageRect PrintRect() const;

    // Nearest ancestors of each kind; throw the "not found" error while printing when absent.
    TRLCustomSite* ParentSite() const;
    TRLCustomPager* ParentPager() const;
    TRLCustomReport* ParentReport() const;
    TRLCustomSkipper* ParentSkipper() const;
    // The same without throwing (null when absent).
    TRLCustomReport* FindParentReport() const;

    // Sites and the report can grow in height when children grow; nothing grows in width.
    virtual bool CanGrowHeight() const { return false; }
    virtual bool AutoExpand() const { return false; }

protected:
    // The natural size (AutoSize) or the current size.
    virtual QSize Measure();
    // Where a freshly measured rectangle goes (labels keep their text's anchor edge).
    virtual PageRect AlignMeasured(const PageRect& old, std::int32_t width, std::int32_t height) const;
    virtual void DoPrintControl(TRLGraphicSurface& page);
    // Background and borders on the control's bounds relative to its site.
    void DrawFrame(TRLGraphicSurface& page, const PageRect& bounds);
    // Called after the bounds changed.
    virtual void BoundsChanged(const PageRect& old);
    // Border widths (+1) of the drawn sides, for measures and client rectangles.
    std::int32_t BorderExtraWidth() const;
    std::int32_t BorderExtraHeight() const;
    TRLPrintQuality PrintQuality() const;
    [[noreturn]] void ThrowNotFound(const char* what) const;

    bool printIt_ = false;
    bool printing_ = false;

private:
    TRLCustomControl* parentControl_ = nullptr;
    std::vector<TRLCustomControl*> controls_;
    std::int32_t left_ = 0, top_ = 0, width_ = 0, height_ = 0;
    PageRect savedBounds_;
    bool boundsSaved_ = false;
    TRLControlAlign align_ = faNone;
    bool autoSize_ = false;
    bool adjusting_ = false;
};

} // namespace rl
