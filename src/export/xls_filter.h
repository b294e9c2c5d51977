#pragma once

#include "export/xls_workbook.h"
#include "print/custom_filter.h"

#include <QFlags>

#include <memory>

namespace rl {

class XlsGridBuilder;

enum TRLXLSFilterOption { foFindValueCells = 0x01 };
using TRLXLSFilterOptions = QFlags<TRLXLSFilterOption>;

// Saves pages as an Excel 97 workbook (BIFF8 in a compound document), one
// worksheet per page, built from the page's text objects alone.
//
// The filter owns its workbook for its whole life: begin-document empties it,
// each page adds a worksheet, end-document writes them all. The workbook
// stream is first written to a temporary file, deleted in every case, then
// wrapped into the output.
class TRLXLSFilter : public TRLCustomSaveFilter {
    Q_OBJECT
public:
    explicit TRLXLSFilter(QObject* owner = nullptr);
    ~TRLXLSFilter() override;

    TRLXLSFilterOptions Options;
    TRLXLSPageSetup& PageSetup() { return workbook_.PageSetup; }
    // The worksheets of the last run (kept until the next begin-document).
    const TRLXLSWorkbook& Workbook() const { return workbook_; }

protected:
    void BeginDoc() override;
    void EndDoc() override;
    void NewPage() override;
    void DrawPage(const TRLGraphicSurface& page) override;

private:
    TRLXLSWorkbook workbook_;
    std::unique_ptr<XlsGridBuilder> builder_;
};

// Writes the workbook as a complete .xls file (workbook stream wrapped in its
// compound document) through a temporary file. Throws rl::Error on failure.
void WriteXlsFile(const TRLXLSWorkbook& workbook, QIODevice& out);

} // namespace rl
