#pragma once

#include "export/pdf_font_list.h"
#include "export/pdf_output.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <future>
#include <memory>
#include <vector>

class QIODevice;

namespace rl {

class TRLGraphicSurface;
class TRLImageObject;

// Document information of a PDF file. Texts are written as Windows-1252 bytes.
struct TRLPDFFilterDocumentInfo {
    QString Title, Subject, Author, KeyWords;
    QString Creator = QStringLiteral("MorvexReport v3.23");
    QString Producer;
};

// Writes pages as a PDF 1.2 file: a cross-reference table, text in the
// document's fonts (TrueType faces embedded as subsets), shapes as path
// operators, pictures as hexadecimal image objects written once each. Contents
// and font streams are Flate-compressed unless compression is turned off
// (tests compare the plain text of the operators); a page's contents are
// compressed on a worker thread while the next page is laid out.
//
// Use: beginDocument(), drawPage() per page, endDocument(). Everything goes to
// the device given at construction as it is produced (buffered; endDocument
// flushes), and the device is never closed here. Creation date from
// Clock::current(); numbers always with a point, whatever the locale.
//
// After an exception from drawPage() the file holds an open contents stream
// and must not be finished: pageOpen() tells, and the caller discards the
// output instead of calling endDocument(). Call from one thread (fonts are
// measured on the GUI thread); only the compression runs elsewhere.
class PdfWriter {
public:
    explicit PdfWriter(QIODevice& device, bool compress = true);
    ~PdfWriter();
    PdfWriter(const PdfWriter&) = delete;
    PdfWriter& operator=(const PdfWriter&) = delete;

    // Head of the file: version line, document information, catalog, reserved
    // numbers of the page tree and resources. pageWidth and pageHeight (page
    // units) size the page tree and turn page y into PDF y.
    void beginDocument(const TRLPDFFilterDocumentInfo& info, std::int32_t pageWidth, std::int32_t pageHeight);
    // The page's pictures not written yet, its page object, its contents
    // stream and the stream's length.
    void drawPage(const TRLGraphicSurface& page);
    // Fonts, resources, page tree, cross-reference table and trailer; flushed.
    void endDocument();

    bool pageOpen() const { return pageOpen_; }
    int pageCount() const { return int(pageObjects_.size()); }

private:
    struct WrittenPicture {
        std::uint16_t checksum;
        QByteArray data;
        int resource;
    };

    // Object 1: creation date and the texts given.
    void writeDocumentInfo(const TRLPDFFilterDocumentInfo& info);
    // Object 2: the catalog, pointing at the page tree.
    void writeCatalog();
    // The resource number of each picture of the page, writing new ones.
    std::vector<int> writePictures(const TRLGraphicSurface& page);
    // An image object (ASCII-hex RGB) and its length; returns the resource number.
    int writeImage(const TRLImageObject& picture);
    // A page object pointing at its contents stream.
    void writePageObject(const TRLGraphicSurface& page, int pageObject, int contents);
    // The operators of a page's objects.
    std::string makeContents(const TRLGraphicSurface& page, std::vector<int> imageResources);
    // The contents stream of a page: plain data and its length object at
    // once, compressed data handed to a worker thread.
    void writeContents(int contents, int length, std::string data);
    // The compressed data of the last page written, its stream's end and length.
    void finishPendingContents();
    // "endstream", "endobj" and the length object.
    void endContents(int length, qint64 size);
    // Object 4: fonts and pictures by resource name.
    void writeResources();
    // Object 3: the page tree.
    void writePageTree();
    // The cross-reference table; returns its offset.
    qint64 writeXref();
    // Trailer, start of the cross-reference table and end marker.
    void writeTrailer(qint64 xrefOffset);
    // A stream's length as a bare object.
    void writeLength(int number, qint64 length);

    PdfOutput out_;
    std::int32_t pageWidth_ = 0, pageHeight_ = 0;
    std::vector<int> pageObjects_;
    std::vector<int> imageObjects_;
    std::vector<WrittenPicture> pictures_;
    PdfFontList fonts_;
    bool compress_;
    bool pageOpen_ = false;
    std::future<std::string> pending_; // the last page's compressed contents
    int pendingLength_ = 0;
};

} // namespace rl
