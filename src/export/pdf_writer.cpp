#include "export/pdf_writer.h"

#include "export/pdf_contents.h"
#include "export/picture_checksum.h"
#include "pagestore/graphic_object.h"
#include "pagestore/graphic_surface.h"
#include "pagestore/picture_data.h"
#include "platform/clock.h"
#include "platform/windows1252.h"

#include <QImage>
#include <QPainter>

#include <cstdio>
#include <future>

namespace rl {

namespace {

constexpr int kInfoObject = 1;
constexpr int kCatalogObject = 2;
constexpr int kPageTreeObject = 3;
constexpr int kResourcesObject = 4;

// Collects the page's pictures in drawing order.
class PictureCollector : public GraphicObjectVisitor {
public:
    void visit(const TRLImageObject& o) override { pictures.push_back(&o); }
    std::vector<const TRLImageObject*> pictures;
};

// A picture as 24-bit RGB; icons and bitmaps with transparency are laid on white.
QImage rgbImage(const QByteArray& pictureData) {
    QImage image = PictureData::toImage(pictureData);
    if (image.isNull()) return image;
    if (image.hasAlphaChannel()) {
        QImage flat(image.size(), QImage::Format_RGB888);
        flat.fill(Qt::white);
        QPainter painter(&flat);
        painter.drawImage(0, 0, image);
        return flat;
    }
    return image.convertToFormat(QImage::Format_RGB888);
}

} // namespace

PdfWriter::PdfWriter(QIODevice& device, bool compress) : out_(device), compress_(compress) {}

PdfWriter::~PdfWriter() = default;

void PdfWriter::beginDocument(const TRLPDFFilterDocumentInfo& info, std::int32_t pageWidth,
                              std::int32_t pageHeight) {
    pageWidth_ = pageWidth;
    pageHeight_ = pageHeight;
    out_.writeLine("%PDF-1.2");
    for (int n = 1; n <= kResourcesObject; ++n)
        out_.reserveObject();
    writeDocumentInfo(info);
    writeCatalog();
}

void PdfWriter::writeDocumentInfo(const TRLPDFFilterDocumentInfo& info) {
    out_.beginDictionary(kInfoObject);
    const QDateTime now = Clock::current().now();
    char date[32];
    std::snprintf(date, sizeof date, "%04d%02d%02d%02d%02d%02d", now.date().year(), now.date().month(),
                  now.date().day(), now.time().hour(), now.time().minute(), now.time().second());
    out_.writeLine(std::string("/CreationDate(D:") + date + ")");
    // Escaped like page text: a parenthesis in a title must not end the string.
    const auto entry = [this](const char* key, const QString& value) {
        if (value.isEmpty()) return;
        std::string& s = out_.buffer();
        s.append(key);
        s.push_back('(');
        appendEscapedText(s, toWindows1252(value).toStdString());
        s.push_back(')');
        out_.lineEnd();
    };
    entry("/Title", info.Title);
    entry("/Subject", info.Subject);
    entry("/Author", info.Author);
    entry("/Keywords", info.KeyWords);
    entry("/Creator", info.Creator);
    entry("/Producer", info.Producer);
    out_.endDictionary();
}

void PdfWriter::writeCatalog() {
    out_.beginDictionary(kCatalogObject);
    out_.writeLine("/Type/Catalog");
    out_.writeLine("/Pages " + pdfReference(kPageTreeObject));
    out_.endDictionary();
}

void PdfWriter::drawPage(const TRLGraphicSurface& page) {
    pageOpen_ = true;
    std::vector<int> imageResources = writePictures(page);
    const int pageObject = out_.reserveObject();
    const int contents = out_.reserveObject();
    const int length = out_.reserveObject();
    pageObjects_.push_back(pageObject);
    std::string data = makeContents(page, std::move(imageResources));
    finishPendingContents();
    writePageObject(page, pageObject, contents);
    writeContents(contents, length, std::move(data));
    // Handed to the device page by page, so a full disk shows at the page it happened on.
    out_.flush();
    pageOpen_ = false;
}

std::vector<int> PdfWriter::writePictures(const TRLGraphicSurface& page) {
    PictureCollector collector;
    VisitObjects(page, collector);
    // New image objects go after the previous page's contents.
    if (!collector.pictures.empty()) finishPendingContents();
    std::vector<int> resources;
    for (const TRLImageObject* picture : collector.pictures) {
        const std::uint16_t checksum = PictureChecksum(picture->PictureData);
        int resource = 0;
        // The checksum finds candidates; the bytes decide, so that two pictures
        // that happen to share a checksum are both written.
        for (const WrittenPicture& written : pictures_)
            if (written.checksum == checksum && written.data == picture->PictureData)
                resource = written.resource;
        if (resource == 0) {
            resource = writeImage(*picture);
            if (resource != 0) pictures_.push_back({checksum, picture->PictureData, resource});
        }
        resources.push_back(resource);
    }
    return resources;
}

int PdfWriter::writeImage(const TRLImageObject& picture) {
    const QImage image = rgbImage(picture.PictureData);
    if (image.isNull()) return 0; // no picture, or one that cannot be decoded: nothing to show

    const int length = out_.reserveObject();
    const int number = out_.reserveObject();
    imageObjects_.push_back(number);
    out_.beginDictionary(number);
    std::string& s = out_.buffer();
    out_.writeLine("/Type/XObject");
    out_.writeLine("/Subtype/Image");
    s.append("/Width ");
    appendInteger(s, image.width());
    out_.lineEnd();
    s.append("/Height ");
    appendInteger(s, image.height());
    out_.lineEnd();
    out_.writeLine("/ColorSpace/DeviceRGB");
    out_.writeLine("/BitsPerComponent 8");
    out_.writeLine("/Length " + pdfReference(length));
    out_.writeLine("/Filter [/ASCIIHexDecode]");
    out_.writeLine(">>");
    out_.writeLine("stream");

    static constexpr char kHex[] = "0123456789ABCDEF";
    const qint64 start = out_.position();
    int column = 0;
    for (int y = 0; y < image.height(); ++y) {
        const uchar* row = image.constScanLine(y);
        for (int x = 0; x < image.width(); ++x) {
            for (int c = 0; c < 3; ++c) {
                const uchar v = row[x * 3 + c];
                s.push_back(kHex[v >> 4]);
                s.push_back(kHex[v & 15]);
            }
            column += 6;
            if (column >= 80) {
                out_.lineEnd();
                column = 0;
            }
        }
    }
    if (column > 0) out_.lineEnd();
    out_.writeLine(">");
    const qint64 size = out_.position() - start;
    out_.writeLine("endstream");
    out_.writeLine("endobj");
    writeLength(length, size);
    return int(imageObjects_.size());
}

void PdfWriter::writePageObject(const TRLGraphicSurface& page, int pageObject, int contents) {
    out_.beginDictionary(pageObject);
    std::string& s = out_.buffer();
    out_.writeLine("/Type/Page");
    out_.writeLine("/Parent " + pdfReference(kPageTreeObject));
    out_.writeLine("/Resources " + pdfReference(kResourcesObject));
    s.append("/MediaBox [ 0 0 ");
    appendNumber(s, pts(page.Width));
    s.push_back(' ');
    appendNumber(s, pts(page.Height));
    out_.writeLine(" ]");
    out_.writeLine("/Contents " + pdfReference(contents));
    out_.endDictionary();
}

std::string PdfWriter::makeContents(const TRLGraphicSurface& page, std::vector<int> imageResources) {
    std::string contents;
    PdfContentsWriter writer(
        contents, pageHeight_,
        [this](const std::string& name, std::uint8_t style, const std::string& text) {
            const int resource = fonts_.resourceFor(name, style, out_);
            fonts_.noteText(resource, text);
            return PdfContentsWriter::FontUse{resource, fonts_.ascent(resource)};
        },
        std::move(imageResources));
    VisitObjects(page, writer);
    writer.finish();
    return contents;
}

void PdfWriter::writeContents(int contents, int length, std::string data) {
    out_.beginDictionary(contents);
    out_.writeLine("/Length " + pdfReference(length));
    if (compress_) out_.writeLine("/Filter /FlateDecode");
    out_.writeLine(">>");
    out_.writeLine("stream");
    if (!compress_) {
        out_.write(data);
        endContents(length, qint64(data.size()));
        return;
    }
    // Compressed on a thread of its own while the next page is laid out; its
    // bytes follow when that page (or the end of the document) is written.
    pending_ = std::async(std::launch::async, [bytes = std::move(data)] { return deflateBytes(bytes); });
    pendingLength_ = length;
}

void PdfWriter::finishPendingContents() {
    if (!pending_.valid()) return;
    const std::string packed = pending_.get();
    out_.write(packed);
    // The line end after compressed data is not part of it.
    out_.lineEnd();
    endContents(pendingLength_, qint64(packed.size()));
}

void PdfWriter::endContents(int length, qint64 size) {
    out_.writeLine("endstream");
    out_.writeLine("endobj");
    writeLength(length, size);
}

void PdfWriter::writeLength(int number, qint64 length) {
    std::string value;
    appendInteger(value, length);
    out_.writeBareObject(number, value);
}

void PdfWriter::endDocument() {
    finishPendingContents();
    fonts_.writeFonts(out_, compress_);
    writeResources();
    writePageTree();
    writeTrailer(writeXref());
    out_.flush();
}

void PdfWriter::writeResources() {
    out_.beginDictionary(kResourcesObject);
    std::string& s = out_.buffer();
    out_.writeLine("/ProcSet [ /PDF/Text/ImageB ]");
    out_.writeLine("/Font <<");
    const auto& fonts = fonts_.entries();
    for (size_t i = 0; i < fonts.size(); ++i) {
        s.append("/F");
        appendInteger(s, long(i) + 1);
        out_.writeLine(" " + pdfReference(fonts[i].ObjectNumber));
    }
    out_.writeLine(">>");
    out_.writeLine("/XObject <<");
    for (size_t i = 0; i < imageObjects_.size(); ++i) {
        s.append("/Image");
        appendInteger(s, long(i) + 1);
        out_.writeLine(" " + pdfReference(imageObjects_[i]));
    }
    out_.writeLine(">>");
    out_.endDictionary();
}

void PdfWriter::writePageTree() {
    out_.beginDictionary(kPageTreeObject);
    std::string& s = out_.buffer();
    out_.writeLine("/Type/Pages");
    s.append("/Count ");
    appendInteger(s, long(pageObjects_.size()));
    out_.lineEnd();
    s.append("/MediaBox [ 0 0 ");
    appendNumber(s, pts(pageWidth_));
    s.push_back(' ');
    appendNumber(s, pts(pageHeight_));
    out_.writeLine(" ]");
    s.append("/Kids [ ");
    for (const int page : pageObjects_)
        s.append(pdfReference(page) + " ");
    out_.writeLine("]");
    out_.endDictionary();
}

qint64 PdfWriter::writeXref() {
    const qint64 offset = out_.position();
    std::string& s = out_.buffer();
    out_.writeLine("xref");
    s.append("0 ");
    appendInteger(s, out_.objectCount() + 1);
    out_.lineEnd();
    // Every entry is 20 bytes, its line end included.
    out_.writeLine("0000000000 65535 f");
    for (int n = 1; n <= out_.objectCount(); ++n) {
        char entry[32];
        std::snprintf(entry, sizeof entry, "%010lld 00000 n", static_cast<long long>(out_.objectOffset(n)));
        out_.writeLine(entry);
    }
    return offset;
}

void PdfWriter::writeTrailer(qint64 xrefOffset) {
    std::string& s = out_.buffer();
    out_.writeLine("trailer");
    out_.writeLine("<<");
    s.append("/Size ");
    appendInteger(s, out_.objectCount() + 1);
    out_.lineEnd();
    out_.writeLine("/Root " + pdfReference(kCatalogObject));
    out_.writeLine("/Info " + pdfReference(kInfoObject));
    out_.writeLine(">>");
    out_.writeLine("startxref");
    appendInteger(s, xrefOffset);
    out_.lineEnd();
    out_.writeLine("%%EOF");
}

} // namespace rl
