#include "print/spool_filter.h"

#include "pagestore/graphic_surface.h"
#include "platform/windows1252.h"
#include "print/printer_wrapper.h"

#include <QPainter>

#include <cmath>

namespace rl {

namespace {

int pixels(int resolution, double mm) {
    return int(std::lround(resolution * mm / 25.4));
}

} // namespace

TRLSpoolFilter::TRLSpoolFilter(QObject* owner) : TRLCustomPrintFilter(owner) {}

QRect TRLSpoolFilter::PrinterRect(const PrinterMetrics& m, bool landscape, double widthMm, double heightMm) {
    // On the sheet as it lies in the printer, the page's width runs along
    // the long side in landscape.
    const double acrossMm = landscape ? heightMm : widthMm;
    const double downMm = landscape ? widthMm : heightMm;
    const int width = acrossMm > 0 ? pixels(m.HorizontalResolution, acrossMm) : m.PhysicalWidth;
    const int height = downMm > 0 ? pixels(m.VerticalResolution, downMm) : m.PhysicalHeight;
    // The canvas starts at the printable area's corner, the page at the
    // sheet's. Qt gives the printable area's offsets for the orientation in
    // effect (a queue's portrait margins stay where they were on the page, not
    // turned with the sheet), so the left and top offsets are the ones to undo
    // in either orientation; undoing turned ones would shift a landscape page
    // away from where its preview shows it.
    return QRect(-m.LeftMargin, -m.TopMargin, width, height);
}

void TRLSpoolFilter::BeginDoc() {
    docStarted_ = false;
    pendingNewPage_ = false;
    jobCount_ = 0;
    const TRLGraphicStorage* store = Pages();
    if (!store) return;
    PageSetup(store->Orientation(), store->PaperHeight(), store->PaperWidth());
}

void TRLSpoolFilter::PageSetup(int orientation, double heightMm, double widthMm) {
    if (docStarted_ && orientation == orientation_ && heightMm == paperHeight_ && widthMm == paperWidth_)
        return;
    TRLPrinterWrapper& printer = TRLPrinterWrapper::instance();
    orientation_ = orientation;
    paperHeight_ = heightMm;
    paperWidth_ = widthMm;
    if (docStarted_) {
        docStarted_ = false;
        printer.EndJob();
    }
    const bool landscape = orientation == 2;
    printer.SetupPaper(landscape, widthMm, heightMm);
    const PrinterMetrics metrics = printer.GetMetrics();
    printerRect_ = PrinterRect(metrics, landscape, widthMm, heightMm);
    const TRLGraphicStorage* store = Pages();
    printer.BeginJob(store ? fromWindows1252(store->Title()) : QString());
    docStarted_ = true;
    pendingNewPage_ = false;
    ++jobCount_;
}

void TRLSpoolFilter::NewPage() {
    pendingNewPage_ = true;
}

void TRLSpoolFilter::DrawPage(const TRLGraphicSurface& page) {
    // A page without paper variables stays on the paper in effect.
    const double width = page.PaperWidth();
    const double height = page.PaperHeight();
    if (width > 0 && height > 0)
        PageSetup(page.Orientation(), height, width);
    else if (!docStarted_)
        PageSetup(page.Orientation(), paperHeight_, paperWidth_);
    TRLPrinterWrapper& printer = TRLPrinterWrapper::instance();
    if (pendingNewPage_) {
        pendingNewPage_ = false;
        printer.NewPage();
    }
    QPainter* canvas = printer.Canvas();
    if (!canvas) return;
    // The same painting as on screen, scaled to the sheet: page units map to
    // round(x * sx) + left, pens and fonts follow the printer's resolution, and
    // the clip stack starts and ends with the sheet.
    page.PaintTo(*canvas, printerRect_);
}

void TRLSpoolFilter::EndDoc() {
    pendingNewPage_ = false;
    if (!docStarted_) return;
    docStarted_ = false;
    // A cancelled print sends nothing, as the dot-matrix path does.
    if (Canceled())
        TRLPrinterWrapper::instance().DiscardJob();
    else
        TRLPrinterWrapper::instance().EndJob();
}

void InstallSpoolFilterAsDefault() {
    // Nameless, so that the print dialog does not offer it beside "Padrão", which is it.
    TRLCustomPrintFilter::SetDefaultPrintFilterFactory([] { return std::make_unique<TRLSpoolFilter>(); });
    TRLCustomFilter::SetPrinterCopiesSource([] { return TRLPrinterWrapper::instance().Copies(); });
}

} // namespace rl
