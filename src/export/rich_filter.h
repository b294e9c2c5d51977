#pragma once

#include "export/rich_page_writer.h"
#include "print/custom_filter.h"

#include <QString>

#include <memory>

class QFile;

namespace rl {

// Saves pages as one Rich Text Format document in which nothing is
// reflowed: texts and pictures become frames anchored to their page at their
// own position, rules and shapes become drawing objects, so a word processor
// shows the pages as they were laid out.
//
// The body of the pages is collected in a temporary file while the pages are
// drawn, because the font table that heads the document is complete only
// after the last page; end-document writes the head and then the body to the
// output. The temporary file is registered with TempFiles and deleted at
// end-document whatever happens, or at the next run or the filter's
// destruction if a run never reached end-document. Failures are rl::Error;
// the base then removes the partial output.
class TRLRichFilter : public TRLCustomSaveFilter {
    Q_OBJECT
public:
    explicit TRLRichFilter(QObject* owner = nullptr);
    ~TRLRichFilter() override;

    // Faces met in the last run, in order of their font number.
    const RichFontList& Fonts() const { return fonts_; }

    // Name the embedded report face itself in the font table, not its
    // stand-in (faceNameForReaders): for files opened on this machine.
    bool KeepReportFace = false;

protected:
    void BeginDoc() override;
    void EndDoc() override;
    void NewPage() override;
    void DrawPage(const TRLGraphicSurface& page) override;

private:
    // "\par\page...": the break between two pages of the body.
    void writePageBreak(QIODevice& out);
    // "{\rtf1..." down to the page margins.
    void writeDocumentHead(QIODevice& out);
    // "{\fonttbl{...}}": every face in order of its number.
    void writeFontTable(QIODevice& out);
    // The collected page bodies.
    void writeBody(QIODevice& out);
    // "\par}": end of the document.
    void writeDocumentEnd(QIODevice& out);
    void dropBody() noexcept;

    RichFontList fonts_;
    int pageNumber_ = 1;
    std::int32_t pageWidth_ = 0;
    std::int32_t pageHeight_ = 0;
    bool landscape_ = false;
    QString bodyFileName_;
    std::unique_ptr<QFile> body_;
};

} // namespace rl
