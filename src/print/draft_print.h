#pragma once

#include "print/custom_filter.h"
#include "print/draft_options.h"

#include <QString>

namespace rl {

class TRLDraftFilter;

// The pitch the viewer prints a report at in text mode, from its column code:
// "132" 17 cpi, "80" and "255" 12 cpi, anything else automatic.
TRLCPPSelection CPPSelectionForColumnCode(const QString& columnCode);

// One text-mode print of a report, as the print command and the batch mode ask for it.
struct DraftPrintRequest {
    int fromPage = 1;
    int toPage = -1; // -1: the last page
    QString columnCode;
    // 0 "Padrão" (the form the filter holds), 1 "80 cols", 2 "132 cols".
    int formOption = 0;
    // A file or device path, "cups:QUEUE", or empty for the selected printer's port.
    QString target;
};

// Sets the filter's pitch from the column code and its form from the option,
// then runs it over the range in the foreground. An explicit target is used
// for this run only; the filter's DeviceKind and DevicePath are put back
// afterwards. Errors propagate as rl::Error ("Caminho inválido para a
// impressora" when the target is unusable) for the caller to show.
TRLCustomFilter::RunResult PrintDraft(TRLDraftFilter& filter, TRLGraphicStorage& store,
                                      const DraftPrintRequest& request);

} // namespace rl
