#include "report/custom_control.h"

#include "pagestore/units.h"
#include "platform/error.h"
#include "platform/messages.h"
#include "report/custom_report.h"
#include "report/custom_site.h"

#include <algorithm>

namespace rl {

TRLCustomControl::TRLCustomControl(QObject* owner) : QObject(owner) {
    Font.Name = "Arial";
    Font.Size = 10;
}

TRLCustomControl::~TRLCustomControl() {
    // Children outlive nothing of ours but their link to us.
    for (TRLCustomControl* child : controls_)
        child->parentControl_ = nullptr;
    if (parentControl_) {
        auto& siblings = parentControl_->controls_;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
    }
}

void TRLCustomControl::SetParentControl(TRLCustomControl* parent) {
    if (parent == parentControl_) return;
    if (parentControl_) {
        auto& siblings = parentControl_->controls_;
        siblings.erase(std::remove(siblings.begin(), siblings.end(), this), siblings.end());
    }
    parentControl_ = parent;
    if (parent) {
        parent->controls_.push_back(this);
        if (TRLCustomSite* site = parent->AsSite(); site && align_ != faNone) site->Realign();
    }
}

void TRLCustomControl::SetBounds(std::int32_t left, std::int32_t top, std::int32_t width,
                                 std::int32_t height) {
    const PageRect old = BoundsRect();
    const bool same = left == left_ && top == top_ && width == width_ && height == height_;
    // Sites lay their children out again even when set to the same bounds.
    if (same && !IsSite()) return;
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    BoundsChanged(old);
}

void TRLCustomControl::BoundsChanged(const PageRect& old) {
    const std::int32_t oldHeight = old.bottom - old.top;
    const std::int32_t oldWidth = old.right - old.left;
    TRLCustomSite* parentSite = parentControl_ ? parentControl_->AsSite() : nullptr;
    if (parentSite && align_ != faNone && (oldHeight != height_ || oldWidth != width_)) parentSite->Realign();

    // Growth: the nearest parent site aligned like us follows a change of our height.
    if (height_ != oldHeight && (align_ == faNone || alignAddsHeight(align_))) {
        TRLCustomControl* p = parentControl_;
        while (p && !(p->IsSite() && (p->Align() == faNone || alignAddsHeight(p->Align()))))
            p = p->parentControl_;
        if (p && p->CanGrowHeight()) {
            if (p->AutoSize())
                p->AdjustBounds();
            else if (p->AutoExpand() && SiteExpander)
                p->SetHeight(p->Height() + height_ - oldHeight);
        }
    }
    // Nothing this system builds grows in width (bands and the report cannot).
}

void TRLCustomControl::SetAlign(TRLControlAlign align) {
    if (align == align_) return;
    align_ = align;
    if (TRLCustomSite* site = parentControl_ ? parentControl_->AsSite() : nullptr) site->Realign();
}

void TRLCustomControl::SetAutoSize(bool value) {
    if (value == autoSize_) return;
    autoSize_ = value;
    if (value) AdjustBounds();
}

const SurfaceFont& TRLCustomControl::EffectiveFont() const {
    const TRLCustomControl* c = this;
    while (c->ParentFont && c->parentControl_)
        c = c->parentControl_;
    return c->Font;
}

MetaColor TRLCustomControl::EffectiveColor() const {
    const TRLCustomControl* c = this;
    while (c->ParentColor && c->parentControl_)
        c = c->parentControl_;
    return c->Color;
}

TRLPrintQuality TRLCustomControl::PrintQuality() const {
    const TRLCustomReport* report = FindParentReport();
    return report ? report->Quality : pqFullFeature;
}

std::int32_t TRLCustomControl::BorderExtraWidth() const {
    if (!Borders.anyDrawFlag()) return 0;
    const TRLPrintQuality q = PrintQuality();
    return (Borders.drawsLeft(q) ? Borders.Width + 1 : 0) + (Borders.drawsRight(q) ? Borders.Width + 1 : 0);
}

std::int32_t TRLCustomControl::BorderExtraHeight() const {
    if (!Borders.anyDrawFlag()) return 0;
    const TRLPrintQuality q = PrintQuality();
    return (Borders.drawsTop(q) ? Borders.Width + 1 : 0) + (Borders.drawsBottom(q) ? Borders.Width + 1 : 0);
}

PageRect TRLCustomControl::ClientRect() const {
    PageRect r{0, 0, width_, height_};
    if (!Borders.anyDrawFlag()) return r;
    const TRLPrintQuality q = PrintQuality();
    if (Borders.drawsLeft(q)) r.left += Borders.Width + 1;
    if (Borders.drawsTop(q)) r.top += Borders.Width + 1;
    if (Borders.drawsRight(q)) r.right -= Borders.Width + 1;
    if (Borders.drawsBottom(q)) r.bottom -= Borders.Width + 1;
    return r;
}

PageRect TRLCustomControl::PrintRect() const {
    PageRect r = BoundsRect();
    for (const TRLCustomControl* p = parentControl_; p && !p->IsSite(); p = p->parentControl_) {
        r.left += p->Left();
        r.right += p->Left();
        r.top += p->Top();
        r.bottom += p->Top();
    }
    if (!Borders.anyDrawFlag()) return r;
    const TRLPrintQuality q = PrintQuality();
    if (Borders.drawsLeft(q)) r.left += Borders.Width;
    if (Borders.drawsTop(q)) r.top += Borders.Width;
    if (Borders.drawsRight(q)) r.right -= Borders.Width;
    if (Borders.drawsBottom(q)) r.bottom -= Borders.Width;
    return r;
}

void TRLCustomControl::ThrowNotFound(const char* what) const {
    throw Error((Messages::text(Messages::Id::NotFound) + ": " + Name() + what).toStdString());
}

TRLCustomSite* TRLCustomControl::ParentSite() const {
    for (TRLCustomControl* p = parentControl_; p; p = p->parentControl_)
        if (TRLCustomSite* site = p->AsSite()) return site;
    ThrowNotFound(".ParentSurface");
}

TRLCustomPager* TRLCustomControl::ParentPager() const {
    for (TRLCustomControl* p = parentControl_; p; p = p->parentControl_)
        if (TRLCustomPager* pager = p->AsPager()) return pager;
    ThrowNotFound(".ParentPager");
}

TRLCustomReport* TRLCustomControl::FindParentReport() const {
    for (TRLCustomControl* p = const_cast<TRLCustomControl*>(this); p; p = p->parentControl_)
        if (TRLCustomReport* report = p->AsReport()) return report;
    return nullptr;
}

TRLCustomReport* TRLCustomControl::ParentReport() const {
    if (TRLCustomReport* report = FindParentReport()) return report;
    ThrowNotFound(".ParentReport");
}

TRLCustomSkipper* TRLCustomControl::ParentSkipper() const {
    for (TRLCustomControl* p = parentControl_; p; p = p->parentControl_)
        if (TRLCustomSkipper* skipper = p->AsSkipper()) return skipper;
    ThrowNotFound(".ParentSkipper");
}

bool TRLCustomControl::CanPrint() {
    printIt_ = Visible;
    if (printIt_ && BeforePrint) BeforePrint(this, printIt_);
    return printIt_;
}

QSize TRLCustomControl::Measure() {
    return QSize(width_, height_);
}

PageRect TRLCustomControl::AlignMeasured(const PageRect& old, std::int32_t width, std::int32_t height) const {
    return {old.left, old.top, old.left + width, old.top + height};
}

void TRLCustomControl::AdjustBounds() {
    if (adjusting_) return;
    adjusting_ = true;
    try {
        const QSize natural = Measure();
        const PageRect r = AlignMeasured(BoundsRect(), natural.width(), natural.height());
        SetBounds(r.left, r.top, r.width(), r.height());
    } catch (...) {
        adjusting_ = false;
        throw;
    }
    adjusting_ = false;
}

void TRLCustomControl::PrintControl() {
    TRLCustomSite* site = ParentSite();
    printing_ = true;
    try {
        DoPrintControl(site->Surface());
    } catch (...) {
        printing_ = false;
        throw;
    }
    printing_ = false;
}

void TRLCustomControl::DoPrintControl(TRLGraphicSurface& page) {
    // The frame goes on the bounds, the content inside the borders.
    PageRect bounds = PrintRect();
    if (Borders.anyDrawFlag()) {
        const TRLPrintQuality q = PrintQuality();
        if (Borders.drawsLeft(q)) bounds.left -= Borders.Width;
        if (Borders.drawsTop(q)) bounds.top -= Borders.Width;
        if (Borders.drawsRight(q)) bounds.right += Borders.Width;
        if (Borders.drawsBottom(q)) bounds.bottom += Borders.Width;
    }
    DrawFrame(page, bounds);
}

void TRLCustomControl::DrawFrame(TRLGraphicSurface& page, const PageRect& b) {
    page.CurrentDrawer = this;
    nextDrawingGroup();
    if (!Transparent) {
        page.DrawBrush = {EffectiveColor(), std::uint8_t(BrushStyle::Solid)};
        page.FillRect(b);
    }
    const std::int32_t w = Borders.Width;
    if (w <= 0 || !Borders.anyDrawFlag()) return;
    const TRLPrintQuality q = PrintQuality();
    const bool any =
        Borders.drawsLeft(q) || Borders.drawsTop(q) || Borders.drawsRight(q) || Borders.drawsBottom(q);
    if (!any) return;
    page.DrawPen = {Borders.Color, std::uint8_t(PenMode::Copy), std::uint8_t(PenStyle::Solid), 1};
    page.DrawBrush = {Borders.Color, std::uint8_t(BrushStyle::Solid)};
    if (Borders.drawsLeft(q)) page.Rectangle(b.left, b.top, b.left + w, b.bottom);
    if (Borders.drawsTop(q)) page.Rectangle(b.left, b.top, b.right, b.top + w);
    if (Borders.drawsRight(q)) page.Rectangle(b.right - w, b.top, b.right, b.bottom);
    if (Borders.drawsBottom(q)) page.Rectangle(b.left, b.bottom - w, b.right, b.bottom);
}

void TRLCustomControl::SaveBounds() {
    savedBounds_ = BoundsRect();
    boundsSaved_ = true;
}

void TRLCustomControl::RestoreBounds() {
    if (!boundsSaved_) return;
    boundsSaved_ = false;
    SetBounds(savedBounds_.left, savedBounds_.top, savedBounds_.width(), savedBounds_.height());
}

} // namespace rl
