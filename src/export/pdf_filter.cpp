#include "export/pdf_filter.h"

#include "pagestore/graphic_storage.h"

namespace rl {

TRLPDFFilter::TRLPDFFilter(QObject* owner) : TRLCustomSaveFilter(owner) {
    SetDisplayName(QStringLiteral("Documento PDF"));
    SetDefaultExt(QStringLiteral(".pdf"));
}

TRLPDFFilter::~TRLPDFFilter() = default;

void TRLPDFFilter::BeginDoc() {
    ViewerOptions = voRegular;
    PageMode = TRLPDFFilterPageMode::pmRegular;
    FullPageMode = TRLPDFFilterPageMode::pmRegular;
    PageLayout = TRLPDFFilterPageLayout::plRegular;
    FontEncoding = TRLPDFFilterFontEncoding::feWinAnsiEncoding;
    ForceASCII = false;

    writer_ = std::make_unique<PdfWriter>(Output(), Compress);
    writer_->beginDocument(DocumentInfo, Pages()->OrientedWidthPixels(), Pages()->OrientedHeightPixels());
}

void TRLPDFFilter::DrawPage(const TRLGraphicSurface& page) {
    writer_->drawPage(page);
}

void TRLPDFFilter::EndDoc() {
    std::unique_ptr<PdfWriter> writer = std::move(writer_);
    // After a page failed half-way the file is discarded anyway; finishing it
    // would only dress an open contents stream up as a complete document.
    if (!writer || writer->pageOpen()) return;
    writer->endDocument();
}

} // namespace rl
