#include "report/custom_pager.h"

#include "pagestore/graphic_storage.h"
#include "report/custom_band.h"

#include <algorithm>

namespace rl {

TRLCustomPager::TRLCustomPager(QObject* owner) : TRLCustomBandSet(owner) {}
TRLCustomPager::~TRLCustomPager() = default;

// ---- limits

std::int32_t TRLCustomPager::SumOfVisibleHeights(TRLBandType type, bool alignedToBottomOnly) const {
    std::int32_t sum = 0;
    for (const TRLCustomBand* band : bandLists_[size_t(type)])
        if (band->Visible && (!alignedToBottomOnly || band->AlignToBottom)) sum += band->Height();
    return sum;
}

std::int32_t TRLCustomPager::FooterLimit() const {
    return Height() - BottomInset() - SumOfVisibleHeights(btFooter, false);
}

std::int32_t TRLCustomPager::SummaryLimit() const {
    return FooterLimit() - SumOfVisibleHeights(btSummary, true);
}

std::int32_t TRLCustomPager::DetailLimit() const {
    return SummaryLimit() - SumOfVisibleHeights(btColumnFooter, true);
}

// ---- run

void TRLCustomPager::ResetPageCounters() {
    detailsOnPage_ = 0;
    dataBandPrinted_ = false;
    newPagePending_ = false;
    pageHasBody_ = false;
    row_ = TopInset();
}

void TRLCustomPager::BeginRun() {
    for (auto& list : bandLists_)
        list.clear();
    for (TRLCustomControl* child : Controls()) {
        auto* band = dynamic_cast<TRLCustomBand*>(child);
        if (!band) continue;
        auto& list = bandLists_[size_t(band->BandType)];
        const auto at = std::find_if(list.begin(), list.end(),
                                     [&](const TRLCustomBand* other) { return other->Top() > band->Top(); });
        list.insert(at, band);
    }
    printed_.fill(false);
    detailCount_ = 0;
    pageIndex_ = 0;
    pageOpen_ = false;
    pageBreakCaller_ = nullptr;
    ResetPageCounters();
}

void TRLCustomPager::FinishRun(bool printEmpty) {
    if (printEmpty && detailCount_ == 0) EnsurePageOpen();

    // Completion: filler copies of the first completing detail band.
    for (TRLCustomBand* band : bandLists_[size_t(btDetail)]) {
        if (band->Completion == ctNone || !band->Computable) continue;
        auto more = [&] {
            switch (band->Completion) {
            case ctFullPage:
                return band->Height() > 0 && band->Height() + row_ < DetailLimit() &&
                       (MaxBands <= 0 || detailsOnPage_ < MaxBands);
            case ctMaxBands:
                return detailsOnPage_ < MaxBands;
            case ctMinBands:
                return detailsOnPage_ < MinBands;
            default:
                return false;
            }
        };
        // Each filler adds a detail to the page; the page count bounds a runaway.
        for (int guard = 0; more() && guard < 100000; ++guard)
            PrintOneBand(*band);
        break;
    }

    for (TRLBandType type : {btColumnFooter, btSummary, btFooter}) {
        if (printed_[size_t(type)]) continue;
        if (ListHoldsPageBreakCaller(type)) break;
        PrintBandList(type);
    }
    ClosePage();
}

void TRLCustomPager::DiscardPage() {
    pageOpen_ = false;
    Surface().Clear();
    Surface().Close();
}

// ---- band lists

bool TRLCustomPager::ListHoldsPageBreakCaller(TRLBandType type) const {
    const auto& list = bandLists_[size_t(type)];
    return pageBreakCaller_ && std::find(list.begin(), list.end(), pageBreakCaller_) != list.end();
}

bool TRLCustomPager::PrintBandList(TRLBandType type) {
    // Only BeginRun changes the lists; a page break inside prints other lists.
    const std::vector<TRLCustomBand*>& list = bandLists_[size_t(type)];
    for (size_t i = 0; i < list.size();) {
        TRLCustomBand* band = list[i];
        if (band == pageBreakCaller_) return false;
        const std::int32_t group = band->GroupIndex();
        size_t end = i + 1;
        if (group != 0)
            while (end < list.size() && list[end]->GroupIndex() == group)
                ++end;
        for (std::int32_t copy = 0; copy < band->CarbonCopies(); ++copy)
            for (size_t k = i; k < end; ++k)
                PrintOneBand(*list[k]);
        i = end;
    }
    printed_[size_t(type)] = true;
    return true;
}

void TRLCustomPager::PrintOneBand(TRLCustomBand& band) {
    band.SaveAllBounds();
    try {
        if (band.Visible) {
            const TRLBandType type = band.BandType;
            // A band that does not fit goes to the next page, unless the page holds
            // nothing but its headers yet: then it prints here and overflows.
            if (!band.OptimisticPageBreak && type != btColumnFooter && type != btFooter && pageHasBody_ &&
                !Fits(band.Height()) && (band.IntegralHeight || FooterLimit() - row_ < band.MinHeight))
                PageBreak(&band);
            if (band.CanPrint()) {
                band.AdjustBounds();
                band.PrintBand();
                if (type == btDetail && band.Computable) {
                    ++detailCount_;
                    ++detailsOnPage_;
                }
                if (type == btDetail || type == btSummary) dataBandPrinted_ = true;
                if (band.PageBreaking == pbAfterPrint) newPagePending_ = true;
                if (band.AfterPrint) band.AfterPrint(&band);
            }
        }
    } catch (...) {
        band.RestoreAllBounds();
        throw;
    }
    band.RestoreAllBounds();
}

// ---- pages

void TRLCustomPager::EnsurePageOpen() {
    if (!pageOpen_) OpenPage();
}

void TRLCustomPager::NewPage() {
    PageBreak(nullptr);
}

void TRLCustomPager::PageBreak(TRLCustomBand* caller) {
    TRLCustomBand* const previous = pageBreakCaller_;
    pageBreakCaller_ = caller;
    try {
        ClosePage();
        OpenPage();
    } catch (...) {
        pageBreakCaller_ = previous;
        throw;
    }
    pageBreakCaller_ = previous;
}

void TRLCustomPager::OpenPage() {
    if (pageOpen_) return;
    pageOpen_ = true;
    ResetPageCounters();
    for (int type = 0; type < kBandTypeCount; ++type)
        if (type != btTitle) printed_[size_t(type)] = false;
    SaveBounds();
    TRLGraphicSurface& page = Surface();
    page.Clear();
    page.ContentRect = SiteClientRect();
    page.Open();
    for (TRLBandType type : {btHeader, btTitle, btColumnHeader}) {
        if (printed_[size_t(type)]) continue;
        if (!PrintBandList(type)) break;
    }
    // What the headers took is not body: a band that does not fit below them still prints here.
    pageHasBody_ = false;
    if (OnPageStarting) OnPageStarting(this);
}

void TRLCustomPager::ClosePage() {
    if (!pageOpen_) return;
    if (OnPageEnding) OnPageEnding(this);
    for (TRLBandType type : {btColumnFooter, btFooter})
        if (!printed_[size_t(type)] && !ListHoldsPageBreakCaller(type)) PrintBandList(type);
    row_ += BottomInset();

    auto sheet = std::make_unique<TRLGraphicSurface>();
    sheet->Width = Width();
    sheet->Height = Height();
    SetPageVariables(*sheet);
    sheet->Open();
    DrawFrame(*sheet, {0, 0, Width(), Height()});
    // The report's page is cleared before it is used again: its objects move.
    sheet->MovePage(Surface());
    Surface().Close();
    pageOpen_ = false;
    RestoreBounds();
    Storage().Add(std::move(sheet));
    ++pageIndex_;
}

void TRLCustomPager::PlaceBand(TRLCustomBand& band) {
    const TRLBandType type = band.BandType;
    // 1. Breaks asked for before this band.
    bool breakFirst = false;
    if ((type == btDetail || type == btSummary) && newPagePending_) {
        newPagePending_ = false;
        breakFirst = true;
    } else if (band.PageBreaking == pbBeforePrint && dataBandPrinted_) {
        breakFirst = true;
    } else if (type == btDetail && MaxBands > 0 && detailsOnPage_ >= MaxBands) {
        breakFirst = true;
    }
    if (breakFirst) PageBreak(&band);

    // 2. Bands that sit at the bottom move down to their limit.
    if (type == btFooter) {
        row_ = std::max(row_, FooterLimit());
    } else if ((type == btColumnFooter || type == btSummary) && band.AlignToBottom) {
        auto limit = [&] { return type == btColumnFooter ? DetailLimit() : SummaryLimit(); };
        if (row_ >= limit()) PageBreak(&band);
        row_ = std::max(row_, limit());
    }

    // 3. Placement, then 4. slices.
    const std::int32_t left = band.Left(), width = band.Width(), height = band.Height();
    std::int32_t top = row_;
    std::int32_t done = 0, part = 0;
    TRLGraphicSurface& bandPage = band.Surface();
    while (done < height) {
        part = height - done;
        if (type != btColumnFooter && type != btFooter) {
            const std::int32_t available = FooterLimit() - row_;
            if (part > available) {
                bool keepWhole = true;
                if (!band.IntegralHeight && available >= band.MinHeight) {
                    std::int32_t y = 0;
                    if (bandPage.FindFreeRow(done + available, y) && y >= band.MinHeight && y > done) {
                        part = y - done;
                        keepWhole = false;
                    }
                }
                // On a page that holds only its headers a break would gain nothing:
                // the part prints here and overflows the bottom.
                if (keepWhole && pageHasBody_) {
                    PageBreak(&band);
                    top = row_;
                }
            }
        }
        const PageRect destination{left, top, left + width, top + part};
        const PageRect source{0, done, width, done + part};
        TRLGraphicSurface& page = Surface();
        if (band.Enabled) {
            page.SetClipRect(destination);
            band.DrawBandFrame(page, {left, top - done, left + width, top - done + height});
            page.ResetClipRect();
        }
        page.CopyRect(destination, bandPage, source);
        pageHasBody_ = true;
        done += part;
        if (done < height) {
            PageBreak(&band);
            top = row_;
        }
    }
    row_ = top + part;
}

} // namespace rl
