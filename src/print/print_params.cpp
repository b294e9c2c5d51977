#include "print/print_params.h"

#include "print/printer_wrapper.h"

namespace rl {

TRLPrintParams& TRLPrintParams::instance() {
    static TRLPrintParams params;
    return params;
}

void TRLPrintParams::Reset() {
    MinPage = 1;
    maxPage_ = 9999;
    FromPage = 1;
    ToPage = 9999;
    PrintRange = rprAllPages;
    FileName.clear();
    HelpContext = 0;
    copies_ = TRLPrinterWrapper::instance().Copies();
}

void TRLPrintParams::SetMaxPage(int maxPage) {
    if (ToPage == maxPage_) ToPage = maxPage;
    maxPage_ = maxPage;
}

void TRLPrintParams::ApplyCopies() const {
    TRLPrinterWrapper::instance().SetCopies(copies_);
}

} // namespace rl
