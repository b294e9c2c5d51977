#pragma once

#include "print/custom_filter.h"

#include <QPointer>
#include <QString>

#include <algorithm>

namespace rl {

// What the print dialog offers (bits 0 to 7 of Options, in this order).
enum TRLPrintOption : int {
    rpoPrintToFile = 1 << 0,
    rpoPageNums = 1 << 1,
    rpoSelection = 1 << 2,
    rpoWarning = 1 << 3,
    rpoHelp = 1 << 4,
    rpoDisablePrintToFile = 1 << 5,
    rpoDisableCopies = 1 << 6,
    rpoDisablePrintInBackground = 1 << 7,
};

enum TRLPrintRange { rprAllPages, rprSelection, rprPageNums };

// What the print dialog asks and the print command uses: printer choice
// aside (the printer wrapper holds it), the filter, the pages and the copies.
// One process-wide instance; GUI thread only.
class TRLPrintParams {
public:
    static constexpr int kDefaultOptions =
        rpoPrintToFile | rpoPageNums | rpoSelection | rpoWarning | rpoDisablePrintToFile; // 47

    // More copies than this are refused: a few thousand pages times a huge
    // count would overflow the progress bar's maximum.
    static constexpr int kMaxCopies = 999;

    static TRLPrintParams& instance();

    // Pages 1 to 9999, all pages, no file name, help topic 0, and the copies
    // the printer is set to (at least 1). Options, Orientation, Filter and
    // the two boxes are kept.
    void Reset();

    int MaxPage() const { return maxPage_; }
    // Also moves ToPage along when it stood at the old maximum.
    void SetMaxPage(int maxPage);
    int Copies() const { return copies_; }
    // Only stores the number, cut to kMaxCopies; ApplyCopies gives it to the printer.
    void SetCopies(int copies) { copies_ = std::min(copies, kMaxCopies); }
    // Sets the printer's copies to Copies.
    void ApplyCopies() const;

    int Options = kDefaultOptions;
    int MinPage = 0;
    int FromPage = 0;
    int ToPage = 0;
    TRLPrintRange PrintRange = rprAllPages;
    bool PrintToFile = false;
    bool PrintInBackground = false;
    QString FileName;
    // Portrait 0, landscape 1; handed to the chosen filter's SetOrientation.
    int Orientation = 0;
    // Cleared by itself when that filter is destroyed.
    QPointer<TRLCustomPrintFilter> Filter;
    int HelpContext = 0;

private:
    int maxPage_ = 0;
    int copies_ = 0;
};

} // namespace rl
