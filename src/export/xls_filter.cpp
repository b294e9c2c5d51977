#include "export/xls_filter.h"

#include "export/compound_document.h"
#include "export/xls_biff_writer.h"
#include "export/xls_grid_builder.h"
#include "platform/error.h"
#include "platform/temp_files.h"

#include <QFile>

namespace rl {

TRLXLSFilter::TRLXLSFilter(QObject* owner) : TRLCustomSaveFilter(owner) {
    SetDefaultExt(QStringLiteral(".xls"));
}

TRLXLSFilter::~TRLXLSFilter() = default;

void TRLXLSFilter::BeginDoc() {
    workbook_.ClearWorksheets();
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
