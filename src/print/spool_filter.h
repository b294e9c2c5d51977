#pragma once

#include "platform/printer_metrics.h"
#include "print/custom_filter.h"

#include <QRect>

namespace rl {

// The default print filter: paints every stored page on the selected page
// printer (TRLPrinterWrapper), scaled from page units to printer pixels with
// the page's own painting rules (TRLGraphicSurface::PaintTo).
//
// Paper and orientation come from each page (its "Orientation", "PaperWidth"
// and "PaperHeight"); a page whose paper or orientation differs from the one
// in effect ends the print job and starts another, so a report that turns
// from portrait to landscape prints as two jobs. A page without paper
// variables keeps the paper in effect.
//
// The filter has no options and makes no copies itself: the driver makes the
// copies set on the printer. Errors (no printer, a queue that refuses the
// job) are rl::Error with a message for the user. GUI thread only.
class TRLSpoolFilter : public TRLCustomPrintFilter {
    Q_OBJECT
public:
    explicit TRLSpoolFilter(QObject* owner = nullptr);

    // The sheet in printer pixels relative to the printable area's corner
    // (where the printer's canvas has its origin), for paper of the given
    // portrait size in the given orientation. A dimension of 0 takes the
    // printer's sheet.
    static QRect PrinterRect(const PrinterMetrics& metrics, bool landscape, double widthMm, double heightMm);

    // Print jobs started by the last run (for tests and the caller's report).
    int JobCount() const { return jobCount_; }

protected:
    void BeginDoc() override;
    void EndDoc() override;
    void NewPage() override;
    void DrawPage(const TRLGraphicSurface& page) override;

private:
    // Starts a job for this paper unless one for the same paper is under way.
    void PageSetup(int orientation, double heightMm, double widthMm);

    double paperWidth_ = 0; // millimetres, portrait
    double paperHeight_ = 0;
    int orientation_ = 1; // 1 portrait, 2 landscape
    bool docStarted_ = false;
    // A sheet asked for by new-page but not begun yet: it is begun only when a
    // page is drawn on it in the same job, so that a change of job leaves no
    // blank sheet at the end of the previous one.
    bool pendingNewPage_ = false;
    QRect printerRect_;
    int jobCount_ = 0;
};

// Makes TRLSpoolFilter the default print filter and lets filters that make
// their own copies read the printer's copies. The application calls it once
// at start-up (the batch mode too).
void InstallSpoolFilterAsDefault();

} // namespace rl
