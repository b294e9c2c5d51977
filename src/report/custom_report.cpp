#include "report/custom_report.h"

#include "pagestore/graphic_storage.h"
#include "platform/clock.h"
#include "platform/message_presenter.h"
#include "platform/messages.h"
#include "platform/progress_presenter.h"

namespace rl {

namespace {
std::int32_t dotsToUnits(std::int32_t dots, std::int32_t dpi) {
    return roundEven(double(dots) * 96 / dpi);
}
} // namespace

// ---- skipper

void TRLCustomSkipper::FetchRecord() {
    bool moreData = false;
    if (OnNeedData) OnNeedData(this, moreData);
    endOfData_ = !moreData;
}

void TRLCustomSkipper::RunRecordLoop() {
    StartRecordLoop();
    ContinueRecordLoop({});
}

void TRLCustomSkipper::StartRecordLoop() {
    recordNumber_ = 1;
    copyNumber_ = 1;
    FetchRecord();
}

bool TRLCustomSkipper::ContinueRecordLoop(const std::function<bool()>& enough) {
    while (!endOfData_ && !cancelled_) {
        if (enough && enough()) return true;
        PrintBandList(btDetail);
        RecordStep();
        copyNumber_ = 1;
        ++recordNumber_;
        FetchRecord();
    }
    return false;
}

// ---- report

TRLCustomReport::TRLCustomReport(QObject* owner) : TRLCustomSkipper(owner) {
    // The store has no owner: it lives while the report or a preview uses it.
    storage_ = new TRLGraphicStorage(nullptr);
    storage_->Link(this);
    Margins.SetAll(10);
    PageSetup.OnChange = [this] {
        // Pages of another paper or orientation would not belong with these.
        if (generating_) Clear();
        RefreshPrinterMetrics();
        UpdateSize();
    };
    Margins.OnChange = [this] { Realign(); };
    UpdateSize();
}

TRLCustomReport::~TRLCustomReport() {
    PageSetup.OnChange = nullptr;
    Margins.OnChange = nullptr;
    if (storage_) storage_->Unlink(this);
}

void TRLCustomReport::RefreshPrinterMetrics() {
    metrics_ = PrinterMetrics::fallback();
    if (!PrinterMetricsProvider) return;
    try {
        metrics_ = PrinterMetricsProvider();
    } catch (const std::exception&) {
        metrics_ = PrinterMetrics::fallback(); // no printer: the report is laid out all the same
    }
}

std::int32_t TRLCustomReport::PageWidthUnits() const {
    return millimetresToUnits(PageSetup.OrientedWidth());
}
std::int32_t TRLCustomReport::PageHeightUnits() const {
    return millimetresToUnits(PageSetup.OrientedHeight());
}

void TRLCustomReport::UpdateSize() {
    SetBounds(0, 0, PageWidthUnits(), PageHeightUnits());
}

PageRect TRLCustomReport::MarginUnits() const {
    const PageRect m = Margins.Units();
    if (!AdjustableMargins) return m;
    PageRect printer{0, 0, 0, 0};
    const PrinterMetrics& p = metrics_;
    if (p.HorizontalResolution != 0 && p.VerticalResolution != 0) {
        printer = {dotsToUnits(p.LeftMargin, p.HorizontalResolution),
                   dotsToUnits(p.TopMargin, p.VerticalResolution),
                   dotsToUnits(p.RightMargin, p.HorizontalResolution),
                   dotsToUnits(p.BottomMargin, p.VerticalResolution)};
    }
    if (PageSetup.Orientation() == poLandscape)
        printer = {printer.top, printer.right, printer.bottom, printer.left};
    return {std::max(m.left, printer.left), std::max(m.top, printer.top), std::max(m.right, printer.right),
            std::max(m.bottom, printer.bottom)};
}

PageRect TRLCustomReport::SiteClientRect() const {
    PageRect r = ClientRect();
    const PageRect m = MarginUnits();
    const PageRect& inside = InsideMargins.Units();
    r.left += m.left + inside.left;
    r.top += m.top + inside.top;
    r.right -= m.right + inside.right;
    r.bottom -= m.bottom + inside.bottom;
    return r;
}

std::int32_t TRLCustomReport::TopInset() const {
    return SiteClientRect().top;
}
std::int32_t TRLCustomReport::BottomInset() const {
    return Height() - SiteClientRect().bottom;
}

void TRLCustomReport::SetPageVariables(TRLGraphicSurface& page) const {
    page.SetOrientation(PageSetup.Orientation() == poLandscape ? 2 : 1);
    page.SetPaperWidth(PageSetup.PaperWidth());
    page.SetPaperHeight(PageSetup.PaperHeight());
}

void TRLCustomReport::RecordStep() {
    if (progress_)
        progress_->Step(Messages::text(Messages::Id::Page) + " " +
                        QString::number(FirstPageNumber + pageIndex_));
}

void TRLCustomReport::WriteStoreVariables() {
    TRLGraphicStorage& store = Storage();
    store.SetFirstPageNumber(FirstPageNumber);
    store.SetLastPageNumber(store.PageCount() + FirstPageNumber - 1);
    store.SetTitle(Title);
    store.SetOrientation(PageSetup.Orientation() == poLandscape ? 2 : 1);
    store.SetPaperWidth(PageSetup.PaperWidth());
    store.SetPaperHeight(PageSetup.PaperHeight());
}

void TRLCustomReport::Clear() {
    if (generating_) EndGeneration();
    DiscardPage();
    if (storage_) storage_->Clear();
    state_ = State::Idle;
    cancelled_ = false;
    pageIndex_ = 0;
}

bool TRLCustomReport::Prepare() {
    if (!BeginPrepare()) return false;
    while (ContinuePrepare()) {
    }
    return EndPrepare();
}

void TRLCustomReport::FailPrepare(const std::exception& e) {
    state_ = State::Idle;
    DiscardPage();
    MessagePresenter::current().showMessage(
        {Name() + ": " + Messages::text(Messages::Id::ErrorPreparingReport) + "\r" + QString::fromUtf8(e.what()),
         QString::fromUtf8(ApplicationTitle), MessageIcon::Error, MessageButton::Ok});
    EndGeneration();
}

void TRLCustomReport::EndGeneration() {
    generating_ = false;
    if (state_ == State::Building) state_ = State::Idle; // cancelled by BeforePrint, or cut short
    progress_.reset();
    SetBounds(savedBounds_.left, savedBounds_.top, savedBounds_.width(), savedBounds_.height());
}

bool TRLCustomReport::BeginPrepare() {
    if (generating_) Clear(); // a generation in progress ends first
    savedBounds_ = BoundsRect();
    try {
        Clear();
        generating_ = true;
        resetDrawingGroups();
        state_ = State::Building;
        reportDateTime_ = Clock::current().now();
        if (ShowProgress)
            progress_ = ProgressPresenter::current().begin(Messages::text(Messages::Id::PreparingReport),
                                                           [this] { Cancel(); });
        bool printIt = true;
        if (BeforePrint) BeforePrint(this, printIt);
        if (!printIt) {
            EndGeneration();
            return false;
        }
        RefreshPrinterMetrics();
        Realign();
        BeginRun();
        Storage().SetFirstPageNumber(FirstPageNumber);
        Storage().SetLastPageNumber(FirstPageNumber - 1);
        StartRecordLoop();
        return true;
    } catch (const std::exception& e) {
        FailPrepare(e);
        return false;
    }
}

bool TRLCustomReport::ContinuePrepare(const std::function<bool()>& enough) {
    if (!generating_) return false;
    try {
        const bool more = ContinueRecordLoop(enough);
        Storage().SetLastPageNumber(Storage().PageCount() + FirstPageNumber - 1);
        return more;
    } catch (const std::exception& e) {
        FailPrepare(e);
        return false;
    }
}

bool TRLCustomReport::EndPrepare() {
    if (!generating_) return false;
    bool result = false;
    try {
        state_ = State::Closing;
        FinishRun(PrintEmpty);
        state_ = State::Ready;
        if (cancelled_) {
            state_ = State::Idle;
        } else {
            if (AfterPrint) AfterPrint(this);
            WriteStoreVariables();
            result = true;
        }
    } catch (const std::exception& e) {
        FailPrepare(e);
        return false;
    }
    EndGeneration();
    return result;
}

bool TRLCustomReport::Preview(const std::function<void(TRLGraphicStorage*)>& attach) {
    if (ForcePrepare) Clear();
    if (state_ == State::Idle && !Prepare()) return false;
    if (attach) attach(storage_);
    return true;
}

} // namespace rl
