#include "export/xls_filter.h"

#include "export/compound_document.h"
#include "export/xls_biff_writer.h"
#include "export/xls_grid_builder.h"
#include "platform/error.h"
#include "platform/temp_files.h"

#include "pagestore/graphic_storage.h"

#include <QFile>

#include <cmath>

namespace rl {

TRLXLSFilter::TRLXLSFilter(QObject* owner) : TRLCustomSaveFilter(owner) {
    SetDefaultExt(QStringLiteral(".xls"));
}

TRLXLSFilter::~TRLXLSFilter() = default;

namespace {
// The BIFF8 paper code of a paper size in millimetres, either way round; 9 (A4)
// for sizes that have no code, which fitting to the page then scales.
int paperCode(double width, double height) {
    static constexpr struct {
        int code;
        double width, height;
    } kPapers[] = {{1, 215.9, 279.4}, {5, 215.9, 355.6}, {9, 210, 297}, {8, 297, 420}, {11, 148, 210}};
    for (const auto& p : kPapers)
        if ((std::abs(width - p.width) < 1 && std::abs(height - p.height) < 1) ||
            (std::abs(width - p.height) < 1 && std::abs(height - p.width) < 1))
            return p.code;
    return 9;
}
} // namespace

void TRLXLSFilter::BeginDoc() {
    workbook_.ClearWorksheets();
    // Printing or converting the workbook lays it out on the report's paper.
    workbook_.PageSetup.PaperSize = paperCode(Pages()->PaperWidth(), Pages()->PaperHeight());
    workbook_.PageSetup.Portrait = Pages()->Orientation() != 2;
    builder_ = std::make_unique<XlsGridBuilder>(workbook_);
    builder_->FindValueCells = Options.testFlag(foFindValueCells);
}

void TRLXLSFilter::NewPage() {}

void TRLXLSFilter::DrawPage(const TRLGraphicSurface& page) {
    builder_->AddPage(page);
}

void TRLXLSFilter::EndDoc() {
    builder_.reset();
    WriteXlsFile(workbook_, Output());
}

void WriteXlsFile(const TRLXLSWorkbook& workbook, QIODevice& out) {
    // The workbook stream is patched in place as it is written, and the
    // document needs its size up front: it goes through a file of its own.
    // It has no name, so nothing can leave it behind.
    const std::unique_ptr<QFile> file = TempFiles::openAnonymous();
    QFile& stream = *file;
    XlsBiffWriter::write(workbook, stream);
    if (!stream.flush() || !stream.seek(0))
        throw Error("Cannot write the temporary file: " + stream.errorString().toStdString());
    CompoundDocument::write(stream, stream.size(), QStringLiteral("Workbook"), out);
}

} // namespace rl
