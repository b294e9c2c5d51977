#include "print/save_params.h"

namespace rl {

TRLSaveParams& TRLSaveParams::instance() {
    static TRLSaveParams params;
    return params;
}

TRLSaveParams::TRLSaveParams() {
    Reset();
}

void TRLSaveParams::Reset() {
    FileName.clear();
    MinPage = 1;
    maxPage_ = 9999;
    FromPage = 1;
    ToPage = 9999;
    SaveRange = rsrAllPages;
    HelpContext = 0;
}

void TRLSaveParams::SetMaxPage(int maxPage) {
    if (ToPage == maxPage_) ToPage = maxPage;
    maxPage_ = maxPage;
}

} // namespace rl
