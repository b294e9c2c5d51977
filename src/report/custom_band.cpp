#include "report/custom_band.h"

#include "report/custom_pager.h"

namespace rl {

TRLCustomBand::TRLCustomBand(QObject* owner) : TRLCustomBandSet(owner) {
    SetBounds(0, 0, 185, 16);
    SetAlign(faTop);
}

bool TRLCustomBand::CanPrint() {
    printIt_ = Visible && !printing_;
    if (printIt_ && BeforePrint) BeforePrint(this, printIt_);
    return printIt_;
}

void TRLCustomBand::PrintBand() {
    TRLCustomPager* pager = ParentPager();
    printing_ = true;
    try {
        BeginSitePrint();
        PrintChildren();
        pager->PlaceBand(*this);
        Surface().Close();
    } catch (...) {
        printing_ = false;
        throw;
    }
    printing_ = false;
}

void TRLCustomBand::DrawBandFrame(TRLGraphicSurface& page, const PageRect& bounds) {
    DrawFrame(page, bounds);
}

void TRLCustomBand::SaveAllBounds() {
    SaveBounds();
    for (TRLCustomControl* child : Controls())
        child->SaveBounds();
}

void TRLCustomBand::RestoreAllBounds() {
    for (TRLCustomControl* child : Controls())
        child->RestoreBounds();
    RestoreBounds();
}

} // namespace rl
