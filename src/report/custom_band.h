#pragma once

#include "report/custom_site.h"

namespace rl {

// A horizontal strip printed down the page according to its type.
class TRLCustomBand : public TRLCustomBandSet {
    Q_OBJECT
public:
    explicit TRLCustomBand(QObject* owner = nullptr);

    TRLBandType BandType = btDetail;
    bool AutoExpandFlag = true; // the published AutoExpand
    bool AlignToBottom = false;
    std::int32_t CarbonCopies() const { return carbonCopies_; }
    void SetCarbonCopies(std::int32_t n) { carbonCopies_ = n < 1 ? 1 : n; }
    TRLCompletionType Completion = ctNone;
    bool Computable = true;
    std::int32_t GroupIndex() const { return groupIndex_; }
    void SetGroupIndex(std::int32_t n) { groupIndex_ = n < 0 ? 0 : n; }
    bool IntegralHeight = true;
    bool OptimisticPageBreak = false; // Options contains boOptimisticPageBreak
    TRLPageBreaking PageBreaking = pbNone;
    std::int32_t MinHeight = 0; // the minimum height constraint
    bool Enabled = true;

    bool CanGrowHeight() const override { return true; }
    bool AutoExpand() const override { return AutoExpandFlag; }
    int AlignRank() const override { return 10 * (int(BandType) + 1); }
    int AlignGroup() const override { return groupIndex_; }
    bool CanPrint() override;

    // Prints the band at the pager's current row: its children onto its private
    // page, then the band onto the report's page.
    void PrintBand();
    // Draws the band's own frame (colour, borders) onto the report's page.
    void DrawBandFrame(TRLGraphicSurface& page, const PageRect& bounds);

    // Bounds of the band and all its controls, saved around every print.
    void SaveAllBounds();
    void RestoreAllBounds();

private:
    std::int32_t carbonCopies_ = 1;
    std::int32_t groupIndex_ = 0;
};

class TRLBand : public TRLCustomBand {
    Q_OBJECT
public:
    using TRLCustomBand::TRLCustomBand;
};

} // namespace rl
