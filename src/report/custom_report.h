#pragma once

#include "pagestore/graphic_storage.h"
#include "platform/printer_metrics.h"
#include "platform/progress_presenter.h"
#include "report/custom_pager.h"
#include "report/page_setup.h"

#include <QDateTime>
#include <QPointer>

#include <functional>
#include <memory>

namespace rl {

// The record loop: asks for records through OnNeedData and prints the detail
// bands of each.
class TRLCustomSkipper : public TRLCustomPager {
    Q_OBJECT
public:
    using TRLCustomPager::TRLCustomPager;
    TRLCustomSkipper* AsSkipper() override { return this; }

    // more-data is false on entry; the handler sets it to deliver a record.
    std::function<void(TRLCustomSkipper* sender, bool& moreData)> OnNeedData;

    std::int32_t RecordNumber() const { return recordNumber_; }
    std::int32_t CopyNumber() const { return copyNumber_; }

protected:
    // Fetches the first record, then prints detail bands record by record.
    void RunRecordLoop();
    // The same in steps: StartRecordLoop fetches the first record; each
    // ContinueRecordLoop prints records until enough() says so before the next
    // one (never, when empty) and returns whether records remain.
    void StartRecordLoop();
    bool ContinueRecordLoop(const std::function<bool()>& enough);
    // Called before each record after the first, e.g. to advance a progress window.
    virtual void RecordStep() {}

private:
    void FetchRecord();
    std::int32_t recordNumber_ = 1;
    std::int32_t copyNumber_ = 1;
    bool endOfData_ = true;
};

// The root of a band report: paper, margins, the page store and the run.
class TRLCustomReport : public TRLCustomSkipper {
    Q_OBJECT
public:
    enum class State { Idle, Building, Closing, Ready };

    explicit TRLCustomReport(QObject* owner = nullptr);
    ~TRLCustomReport() override;
    TRLCustomReport* AsReport() override { return this; }

    TRLPageSetup PageSetup;
    bool AdjustableMargins = false;
    bool ShowProgress = true;
    std::int32_t FirstPageNumber = 1;
    std::string Title; // Windows-1252 bytes
    bool ForcePrepare = true;
    bool PrintEmpty = true;
    bool PrintDialog = true;
    TRLPrintQuality Quality = pqFullFeature;

    // Where printer metrics come from (the printer wrapper in the application);
    // without one, or when it throws, the fallback sheet is used.
    std::function<PrinterMetrics()> PrinterMetricsProvider;
    const PrinterMetrics& Metrics() const { return metrics_; }
    void RefreshPrinterMetrics();

    // Runs the generation loop into the page store; false when cancelled or
    // failed (the error is shown in a message box, never thrown).
    bool Prepare();
    // Prepare in steps, so that the first pages can be shown while the rest
    // is generated: BeginPrepare, then ContinuePrepare until it returns false,
    // then EndPrepare, whose result is Prepare's. The pages stored so far are
    // in the store throughout, and its "FirstPageNumber" and "LastPageNumber"
    // follow them. Nothing else may change the report in between; Clear ends
    // a generation in progress. BeginPrepare returns false when the run has
    // already ended (vetoed, or failed: the error was shown).
    bool BeginPrepare();
    // Prints records until enough() says so before the next one (to the end
    // when empty); returns whether records remain. False too after a failure
    // (shown), which ends the generation.
    bool ContinuePrepare(const std::function<bool()>& enough = {});
    bool EndPrepare();
    // Between BeginPrepare and EndPrepare.
    bool Generating() const { return generating_; }
    // Prepares when needed and hands the store to the destination (the preview's AttachStorage).
    bool Preview(const std::function<void(TRLGraphicStorage*)>& attach);
    // Discards the page being built and every stored page.
    void Clear();

    TRLGraphicStorage& Storage() override { return *storage_; }
    State CurrentState() const { return state_; }
    bool Preparing() const { return state_ == State::Building || state_ == State::Closing; }
    QDateTime ReportDateTime() const { return reportDateTime_; }

    // Page units of the sheet as oriented, and of each margin (after the printer's, when adjustable).
    std::int32_t PageWidthUnits() const;
    std::int32_t PageHeightUnits() const;
    PageRect MarginUnits() const;
    PageRect SiteClientRect() const override;

    bool CanGrowHeight() const override { return true; }

protected:
    std::int32_t TopInset() const override;
    std::int32_t BottomInset() const override;
    void SetPageVariables(TRLGraphicSurface& page) const override;
    void RecordStep() override;

private:
    void UpdateSize();
    void WriteStoreVariables();
    // A generation's error: shown, the run ended.
    void FailPrepare(const std::exception& e);
    // The end of every generation, however it ended.
    void EndGeneration();

    QPointer<TRLGraphicStorage> storage_;
    State state_ = State::Idle;
    PrinterMetrics metrics_ = PrinterMetrics::fallback();
    QDateTime reportDateTime_;
    std::unique_ptr<ProgressDisplay> progress_;
    bool generating_ = false;
    PageRect savedBounds_{};
};

class TRLReport : public TRLCustomReport {
    Q_OBJECT
public:
    using TRLCustomReport::TRLCustomReport;
};

} // namespace rl
