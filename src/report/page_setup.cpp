#include "report/page_setup.h"

namespace rl {

void TRLPageSetup::SetPaperSize(TRLPaperSize size) {
    paperSize_ = size;
    if (size != fpCustom) {
        const TRLPaperInfo& row = PaperInfo(size);
        paperWidth_ = row.Width;
        paperHeight_ = row.Height;
    }
    changed();
}

void TRLPageSetup::SetOrientation(TRLPageOrientation orientation) {
    orientation_ = orientation;
    changed();
}

void TRLPageSetup::SetPaperWidth(double mm) {
    if (paperSize_ != fpCustom || mm == paperWidth_ || mm == 0) return;
    paperWidth_ = mm;
    changed();
}

void TRLPageSetup::SetPaperHeight(double mm) {
    if (paperSize_ != fpCustom || mm == paperHeight_ || mm == 0) return;
    paperHeight_ = mm;
    changed();
}

void TRLPageSetup::Assign(const TRLPageSetup& other) {
    paperSize_ = other.paperSize_;
    orientation_ = other.orientation_;
    paperWidth_ = other.paperWidth_;
    paperHeight_ = other.paperHeight_;
    ForceEmulation = other.ForceEmulation;
    changed();
}

void TRLMargins::set(double& side, double mm) {
    if (side == mm) return;
    side = mm;
    updateUnits();
    if (OnChange) OnChange();
}

void TRLMargins::SetAll(double mm) {
    SetLeftMargin(mm);
    SetTopMargin(mm);
    SetRightMargin(mm);
    SetBottomMargin(mm);
}

void TRLMargins::Assign(const TRLMargins& other) {
    left_ = other.left_;
    top_ = other.top_;
    right_ = other.right_;
    bottom_ = other.bottom_;
    updateUnits();
    if (OnChange) OnChange();
}

} // namespace rl
