#pragma once

#include "export/pdf_writer.h"
#include "print/custom_filter.h"

#include <memory>

namespace rl {

enum TRLPDFFilterViewerOption : unsigned {
    voRegular = 1u << 0,
    voHideToolBar = 1u << 1,
    voHideMenuBar = 1u << 2,
    voHideWindowUI = 1u << 3,
    voFitWindow = 1u << 4,
    voCenterWindow = 1u << 5,
};
using TRLPDFFilterViewerOptions = unsigned; // set of TRLPDFFilterViewerOption

enum class TRLPDFFilterPageMode { pmRegular, pmOutlines, pmThumbs, pmFullScreen };
enum class TRLPDFFilterPageLayout { plRegular, plSinglePage, plOneColumn, plTwoColumnLeft, plTwoColumnRight };
enum class TRLPDFFilterFontEncoding { feNoEncoding, feMacRomanEncoding, feWinAnsiEncoding };

// Saves pages as a PDF file (PdfWriter): display name "Documento PDF",
// default extension ".pdf". DocumentInfo.Creator names the report library
// unless the owner sets it.
//
// Begin-document puts the viewer options, page modes, page layout, font
// encoding and ForceASCII back to their defaults, so every file is written
// alike whatever was set: no viewer preferences in the catalog, WinAnsi
// encoding for every font. A failed or cancelled run leaves no file (the base
// writes beside the target); an old file of the name stays as it was.
class TRLPDFFilter : public TRLCustomSaveFilter {
    Q_OBJECT
public:
    explicit TRLPDFFilter(QObject* owner = nullptr);
    ~TRLPDFFilter() override;

    TRLPDFFilterDocumentInfo DocumentInfo;
    TRLPDFFilterViewerOptions ViewerOptions = voRegular;
    TRLPDFFilterPageMode PageMode = TRLPDFFilterPageMode::pmRegular;
    TRLPDFFilterPageMode FullPageMode = TRLPDFFilterPageMode::pmRegular;
    TRLPDFFilterPageLayout PageLayout = TRLPDFFilterPageLayout::plRegular;
    TRLPDFFilterFontEncoding FontEncoding = TRLPDFFilterFontEncoding::feWinAnsiEncoding;
    bool ForceASCII = false;
    // Flate-compress the contents and font streams; tests turn it off to
    // compare the operators as text.
    bool Compress = true;

protected:
    void BeginDoc() override;
    void EndDoc() override;
    void NewPage() override {}
    void DrawPage(const TRLGraphicSurface& page) override;

private:
    std::unique_ptr<PdfWriter> writer_;
};

} // namespace rl
