#pragma once

#include "export/html_page_writer.h"
#include "print/custom_filter.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class QFile;

namespace rl {

class TRLHTMLFilter;

enum TRLHTMLDocumentStyle {
    dsCSS2 = 0,     // every page in one file, page breaks between them for printing
    dsOldStyle = 1, // one file per page, each with a navigation bar
};

// Called for every new picture instead of writing it: FileName is the name
// the filter chose (the handler may change it), Saved is preset to true; the
// page refers to FileName only when Saved is still true.
using TRLHTMLSaveGraphicEvent = std::function<void(TRLHTMLFilter* Sender, const TRLHTMLGraphic& aGraphic,
                                                   QString& FileName, bool& Saved)>;

// Saves pages as HTML in which every page is a fixed-size box and every
// drawing object an absolutely positioned element, one page unit to a CSS
// pixel. Text is Windows-1252 bytes with the Latin-1 entities; shapes and
// pictures become picture files beside the page, each distinct picture
// written once however often it appears.
//
// The pages are collected in a temporary working file while they are drawn
// and split into the output at end-document, since the style block at the
// head of the document lists every font class and is complete only then.
// The output file (FileName) is written through the base's Output(); the
// further files, pictures and the pages after the first of dsOldStyle, are
// written beside it and deleted again when the run fails or is cancelled.
//
// The font classes are kept for the filter's life, so a later run reuses the
// class numbers of earlier ones; the picture list starts afresh every run.
class TRLHTMLFilter : public TRLCustomSaveFilter {
    Q_OBJECT
public:
    explicit TRLHTMLFilter(QObject* owner = nullptr);
    ~TRLHTMLFilter() override;

    TRLHTMLDocumentStyle DocumentStyle() const { return documentStyle_; }
    void SetDocumentStyle(TRLHTMLDocumentStyle style) { documentStyle_ = style; }
    TRLHTMLSaveGraphicEvent OnSaveGraphic;

    const HtmlFontList& Fonts() const { return fonts_; }
    // page-file(0) is FileName; page-file(i) is FileName with i before its extension.
    QString PageFileName(int index) const;

protected:
    void BeginDoc() override;
    void EndDoc() override;
    void NewPage() override;
    void DrawPage(const TRLGraphicSurface& page) override;
    void DiscardExtraFiles() noexcept override;

private:
    struct ImageFile {
        QString FileName;
        std::uint16_t Checksum = 0;
        QByteArray Bytes;
    };

    // The file name a picture is referred to by; empty when it was not stored.
    QString storePicture(const TRLHTMLGraphic& graphic);
    // Writes a picture file beside the page.
    void writePictureFile(const QString& fileName, const QByteArray& bytes);
    // "<HTMLFilter.Page>" in the working file: a page's start.
    void writePageStartMark();
    // "</HTMLFilter.Page>" in the working file: a page's end.
    void writePageEndMark();
    // Copies the working file into the output file or files.
    void splitWorkingFile();
    // "<html>" down to "<body>".
    void writeHead(QIODevice& out);
    // "<style>...</style>": the print rule and every font class.
    void writeStyleBlock(QIODevice& out);
    // What follows a page: a page break, or the navigation bar.
    void writePageFoot(QIODevice& out);
    // The bar of links to the first, previous, numbered, next and last pages.
    void writeNavigationBar(QIODevice& out);
    // "<a href=...>": a link to a page file.
    void writeLink(QIODevice& out, int index, const std::string& label);
    // "</body>" and "</html>".
    void writeTail(QIODevice& out);
    void dropWorkingFile() noexcept;

    TRLHTMLDocumentStyle documentStyle_ = dsCSS2;
    HtmlFontList fonts_;
    std::vector<ImageFile> imageFiles_;
    QStringList extraFiles_;
    QString workingFileName_;
    std::unique_ptr<QFile> working_;
    std::unique_ptr<QFile> part_;
    std::string title_;
    std::int32_t pageWidth_ = 0;
    std::int32_t pageHeight_ = 0;
    int fileCount_ = 0;
    int fileIndex_ = 0;
    int pictureIndex_ = 0;
};

} // namespace rl
