#pragma once

#include "report/custom_site.h"

#include <array>
#include <memory>
#include <vector>

namespace rl {

class TRLCustomBand;
class TRLGraphicStorage;

// The report as pager: keeps the bands by type, the vertical position on the
// current page, opens and closes pages and places printed bands on them.
class TRLCustomPager : public TRLCustomBandSet {
    Q_OBJECT
public:
    explicit TRLCustomPager(QObject* owner = nullptr);
    ~TRLCustomPager() override;
    TRLCustomPager* AsPager() override { return this; }

    // Closes the current page (footers, store) and opens the next (headers);
    // only opens one when none is open.
    void NewPage();

    std::function<void(TRLCustomControl* sender)> OnPageStarting;
    std::function<void(TRLCustomControl* sender)> OnPageEnding;

    // ---- state, readable for tests and the progress text
    std::int32_t Row() const { return row_; }
    std::int32_t DetailCount() const { return detailCount_; }
    std::int32_t DetailsOnPage() const { return detailsOnPage_; }
    std::int32_t PageIndex() const { return pageIndex_; }
    bool IsPageOpen() const { return pageOpen_; }
    bool Cancelled() const { return cancelled_; }
    void Cancel() { cancelled_ = true; }
    const std::vector<TRLCustomBand*>& BandList(TRLBandType type) const { return bandLists_[size_t(type)]; }

    // ---- used by bands while they print
    void EnsurePageOpen();
    // Places a band whose children are printed on the report's page, in slices.
    void PlaceBand(TRLCustomBand& band);

    // Limits from the top of the sheet, page units.
    std::int32_t FooterLimit() const;
    std::int32_t SummaryLimit() const;
    std::int32_t DetailLimit() const;

    virtual TRLGraphicStorage& Storage() = 0;
    std::int32_t MaxBands = 0;
    std::int32_t MinBands = 0;

protected:
    // Start of a run: band lists, flags and counters.
    void BeginRun();
    // End of a run: the empty-report page, completion, closing bands, last page.
    void FinishRun(bool printEmpty);
    // Prints the list of one type; false when the page break caller interrupted it.
    bool PrintBandList(TRLBandType type);
    void DiscardPage();

    virtual std::int32_t TopInset() const = 0;
    virtual std::int32_t BottomInset() const = 0;
    // Fills the page surface's variables (orientation and paper).
    virtual void SetPageVariables(TRLGraphicSurface& page) const = 0;

    std::int32_t pageIndex_ = 0;
    bool cancelled_ = false;

private:
    void PrintOneBand(TRLCustomBand& band);
    // Closing lists that hold the band breaking the page are not printed.
    bool ListHoldsPageBreakCaller(TRLBandType type) const;
    bool Fits(std::int32_t height) const { return FooterLimit() - row_ >= height; }
    void PageBreak(TRLCustomBand* caller);
    void OpenPage();
    void ClosePage();
    void ResetPageCounters();
    std::int32_t SumOfVisibleHeights(TRLBandType type, bool alignedToBottomOnly) const;

    std::array<std::vector<TRLCustomBand*>, kBandTypeCount> bandLists_;
    std::array<bool, kBandTypeCount> printed_{};
    std::int32_t row_ = 0;
    std::int32_t detailsOnPage_ = 0;
    std::int32_t detailCount_ = 0;
    bool dataBandPrinted_ = false;
    bool newPagePending_ = false;
    bool pageOpen_ = false;
    bool pageHasBody_ = false; // a band other than the page's headers is on it
    TRLCustomBand* pageBreakCaller_ = nullptr;
};

} // namespace rl
