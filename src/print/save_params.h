#pragma once

#include "print/custom_filter.h"

#include <QPointer>
#include <QString>

namespace rl {

enum TRLSaveRange { rsrAllPages, rsrSelection, rsrPageNums };

// What the save dialog asks and the save command uses: file, pages, filter.
// One process-wide instance; GUI thread only.
class TRLSaveParams {
public:
    // Options flag: the dialog does not offer saving in background.
    static constexpr int kDisableSaveInBackground = 1;

    static TRLSaveParams& instance();

    TRLSaveParams();

    // Back to an empty file name, pages 1 to 9999, all pages, help topic 0.
    // SaveInBackground, Filter and Options are kept.
    void Reset();

    int MaxPage() const { return maxPage_; }
    // Also moves ToPage along when it stood at the old maximum.
    void SetMaxPage(int maxPage);

    QString FileName;
    int MinPage = 1;
    int FromPage = 1;
    int ToPage = 9999;
    TRLSaveRange SaveRange = rsrAllPages;
    bool SaveInBackground = false;
    // Cleared by itself when that filter is destroyed.
    QPointer<TRLCustomSaveFilter> Filter;
    int Options = 0;
    int HelpContext = 0;

private:
    int maxPage_ = 9999;
};

} // namespace rl
