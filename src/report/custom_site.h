#pragma once

#include "pagestore/graphic_surface.h"
#include "report/custom_control.h"
#include "report/page_setup.h"

#include <memory>

namespace rl {

// A control that holds controls and draws them onto a private page of its own,
// in coordinates relative to its top-left corner.
class TRLCustomSite : public TRLCustomControl {
    Q_OBJECT
public:
    explicit TRLCustomSite(QObject* owner = nullptr);
    ~TRLCustomSite() override;

    TRLCustomSite* AsSite() override { return this; }

    TRLMargins Margins;
    TRLMargins InsideMargins;

    // The private page the children draw on.
    TRLGraphicSurface& Surface() { return *surface_; }

    // Client rectangle less margins and inside margins, in page units.
    virtual PageRect SiteClientRect() const;

    // Lays the children out inside the client rectangle, then realigns child sites.
    void Realign();

    // The first two steps of a site's print: opens the private page (the
    // report's page first) and prints the children onto it.
    void BeginSitePrint();
    void PrintChildren();

    int AlignRank() const override { return 100; }

protected:
    QSize Measure() override;
    void BoundsChanged(const PageRect& old) override;

private:
    // One alignment class of the visible children, in layout order. Most
    // classes are empty, and a layout runs several times per band printed:
    // an empty class costs one test.
    using LayoutPosition = std::int64_t (*)(const TRLCustomControl*);
    const std::vector<TRLCustomControl*>& ofClass(TRLControlAlign align, LayoutPosition position) {
        if (layoutAligns_ & (1u << align)) return collectClass(align, position);
        layoutClass_.clear();
        return layoutClass_;
    }
    const std::vector<TRLCustomControl*>& collectClass(TRLControlAlign align, LayoutPosition position);
    bool hasAnyAlign(std::initializer_list<TRLControlAlign> aligns) const {
        std::uint32_t mask = 0;
        for (TRLControlAlign a : aligns)
            mask |= 1u << a;
        return layoutAligns_ & mask;
    }
    void RealignChildSites();

    std::unique_ptr<TRLGraphicSurface> surface_;
    bool aligning_ = false;
    // Scratch lists of Realign, kept to spare an allocation per layout; never
    // touched re-entrantly, since Realign does not run again while aligning.
    std::vector<TRLCustomControl*> layoutChildren_;
    std::vector<TRLCustomControl*> layoutClass_;
    std::uint32_t layoutAligns_ = 0; // bit per TRLControlAlign among layoutChildren_
};

// Base of bands and of the pager: a site that holds bands or prints as one.
class TRLCustomBandSet : public TRLCustomSite {
    Q_OBJECT
public:
    using TRLCustomSite::TRLCustomSite;
};

} // namespace rl
