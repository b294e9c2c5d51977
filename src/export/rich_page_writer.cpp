#include "export/rich_page_writer.h"

#include "export/markup_output.h"
#include "pagestore/graphic_object.h"
#include "pagestore/graphic_surface.h"
#include "pagestore/picture_data.h"
#include "pagestore/variable_list.h"

#include <QIODevice>
#include <QImage>
#include <QPainter>

#include <algorithm>
#include <cstdio>

namespace rl {

std::int32_t twips(std::int32_t units) {
    return roundEven((double(units) / 96) / (1.0 / 1440));
}

std::int32_t pictureGoal(std::int32_t units) {
    return roundEven(units * 26.46875);
}

std::int32_t frameWidening(std::int32_t width) {
    // Extended precision on purpose: its 1.05 lies just below 1.05, so a width
    // of 100 grows to 104 (plus one) while 1000 still grows to 1050.
    const long double widened = static_cast<long double>(width) * 1.05L;
    return std::int32_t(widened) - width + 1;
}

std::string escapeRich(const std::string& text) {
    std::string result;
    result.reserve(text.size());
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        // Runs of blanks as non-breaking spaces: LibreOffice lays a run of
        // plain blanks out wider than the face's advance, which pushes the end
        // of a report line out of its frame; a lone blank is laid out right.
        const bool inRun =
            c == ' ' && ((i > 0 && text[i - 1] == ' ') || (i + 1 < text.size() && text[i + 1] == ' '));
        if (inRun) {
            result += "\\~";
            continue;
        }
        if (c == '\\' || c == '{' || c == '}') result += '\\';
        result += c;
    }
    return result;
}

int RichFontList::add(const std::string& name) {
    const int index = indexOf(name);
    if (index >= 0) return index;
    names_.push_back(name);
    return int(names_.size()) - 1;
}

int RichFontList::indexOf(const std::string& name) const {
    for (size_t i = 0; i < names_.size(); ++i)
        if (equalsIgnoringCase(names_[i], name)) return int(i);
    return -1;
}

namespace {

// Little-endian hexadecimal of a metafile field: the value's bytes, lowest first.
std::string hexLittleEndian(std::uint32_t value, int bytes) {
    std::string result;
    char digits[3];
    for (int i = 0; i < bytes; ++i) {
        std::snprintf(digits, sizeof digits, "%02X", unsigned((value >> (8 * i)) & 0xFF));
        result += digits;
    }
    return result;
}
std::string hex32(std::uint32_t value) {
    return hexLittleEndian(value, 4);
}
std::string hex16(std::uint32_t value) {
    return hexLittleEndian(value, 2);
}

void putLittleEndian(QByteArray& bytes, std::uint32_t value, int size) {
    for (int i = 0; i < size; ++i)
        bytes.append(char((value >> (8 * i)) & 0xFF));
}

// A BMP file of 8 bits per pixel with the image's palette (which may hold
// fewer than 256 colours), rows bottom-up and padded to four bytes, 96 dpi.
QByteArray eightBitBmpFile(const QImage& indexed) {
    const auto colours = std::max<qsizetype>(1, indexed.colorCount());
    const std::uint32_t stride = (std::uint32_t(indexed.width()) + 3) & ~3u;
    const std::uint32_t pixelBytes = stride * std::uint32_t(indexed.height());
    const std::uint32_t offset = 14 + 40 + 4 * std::uint32_t(colours);
    QByteArray bytes;
    bytes.reserve(qsizetype(offset + pixelBytes));
    bytes.append("BM");
    putLittleEndian(bytes, offset + pixelBytes, 4);
    putLittleEndian(bytes, 0, 4);
    putLittleEndian(bytes, offset, 4);
    putLittleEndian(bytes, 40, 4);
    putLittleEndian(bytes, std::uint32_t(indexed.width()), 4);
    putLittleEndian(bytes, std::uint32_t(indexed.height()), 4);
    putLittleEndian(bytes, 1, 2); // planes
    putLittleEndian(bytes, 8, 2); // bits per pixel
    putLittleEndian(bytes, 0, 4); // no compression
    putLittleEndian(bytes, pixelBytes, 4);
    putLittleEndian(bytes, 3780, 4); // pixels per metre
    putLittleEndian(bytes, 3780, 4);
    putLittleEndian(bytes, std::uint32_t(colours), 4);
    putLittleEndian(bytes, 0, 4);
    for (qsizetype i = 0; i < colours; ++i) {
        const QRgb c = i < indexed.colorCount() ? indexed.color(int(i)) : 0;
        bytes.append(char(qBlue(c))).append(char(qGreen(c))).append(char(qRed(c))).append('\0');
    }
    for (int y = indexed.height() - 1; y >= 0; --y) {
        bytes.append(reinterpret_cast<const char*>(indexed.constScanLine(y)), indexed.width());
        bytes.append(qsizetype(stride) - indexed.width(), '\0');
    }
    return bytes;
}

std::string colourComponents(const char* r, const char* g, const char* b, const MetaColor& colour) {
    return r + decimal(colour.red) + g + decimal(colour.green) + b + decimal(colour.blue);
}

} // namespace

RichPageWriter::RichPageWriter(QIODevice& out, RichFontList& fonts, int pageNumber)
    : out_(out), fonts_(fonts), pageNumber_(pageNumber) {}

void RichPageWriter::writePage(const TRLGraphicSurface& page) {
    // Each object keeps the clip rectangle in force where the page stores it.
    // Sorting moves the clip objects away from what they enclose (a clip and
    // its reset share one position), so the clip is settled in storage order
    // first; faces are numbered in that order too.
    struct Placed {
        const TRLGraphicObject* object;
        PageRect clip;
    };
    std::vector<Placed> sorted;
    sorted.reserve(page.Items().size());
    PageRect clip{0, 0, page.Width, page.Height};
    std::vector<PageRect> clipStack;
    for (const auto& object : page.Items()) {
        switch (object->kind()) {
        case ObjectKind::SetClipRect:
            clipStack.push_back(clip);
            clip = clip.intersected(object->Bounds);
            break;
        case ObjectKind::ResetClipRect:
            // The engine pairs every reset with a set; a stray reset changes nothing.
            if (!clipStack.empty()) {
                clip = clipStack.back();
                clipStack.pop_back();
            }
            break;
        case ObjectKind::Text:
            fonts_.add(static_cast<const TRLTextObject&>(*object).FontName());
            [[fallthrough]];
        default:
            sorted.push_back({object.get(), clip});
            break;
        }
    }
    // Word processors place frames in reading order.
    std::stable_sort(sorted.begin(), sorted.end(), [](const Placed& a, const Placed& b) {
        if (a.object->Bounds.top != b.object->Bounds.top) return a.object->Bounds.top < b.object->Bounds.top;
        return a.object->Bounds.left < b.object->Bounds.left;
    });
    for (const Placed& placed : sorted) {
        clip_ = placed.clip;
        placed.object->Accept(*this);
    }
}

// ---- drawing objects

void RichPageWriter::writeDrawingObjectHead(const char* kind, std::int32_t x, std::int32_t y, std::int32_t w,
                                            std::int32_t h) {
    writeBytes(out_, std::string("{\\*\\do\\dobxpage\\dobypage") + kind + "\\dpx" + decimal(twips(x)) +
                         "\\dpy" + decimal(twips(y)) + "\\dpxsize" + decimal(twips(w)) + "\\dpysize" +
                         decimal(twips(h)));
}

void RichPageWriter::writeDrawingObjectEnd() {
    writeLine(out_, "}");
}

void RichPageWriter::writeLineStyle(const TRLMetaPen& pen) {
    switch (PenStyle(pen.Style)) {
    case PenStyle::Dash:
        writeBytes(out_, "\\dplinedash");
        break;
    case PenStyle::Dot:
        writeBytes(out_, "\\dplinedot");
        break;
    case PenStyle::DashDot:
        writeBytes(out_, "\\dplinedado");
        break;
    case PenStyle::DashDotDot:
        writeBytes(out_, "\\dplinedadodo");
        break;
    case PenStyle::Clear:
        writeBytes(out_, "\\dplinehollow");
        break;
    default:
        writeBytes(out_, "\\dplinesolid");
        break;
    }
}

void RichPageWriter::writeLineColour(const MetaColor& colour) {
    writeBytes(out_, colourComponents("\\dplinecor", "\\dplinecog", "\\dplinecob", colour));
}

void RichPageWriter::writeLineWidth(const TRLMetaPen& pen) {
    writeBytes(out_, "\\dplinew" + decimal(twips(pen.Width)));
}

void RichPageWriter::writeFillPattern(const TRLMetaBrush& brush) {
    switch (BrushStyle(brush.Style)) {
    case BrushStyle::Clear:
        writeBytes(out_, "\\dpfillpat0");
        break;
    case BrushStyle::Horizontal:
        writeBytes(out_, "\\dpfillpat14");
        break;
    case BrushStyle::Vertical:
        writeBytes(out_, "\\dpfillpat15");
        break;
    case BrushStyle::FDiagonal:
        writeBytes(out_, "\\dpfillpat16");
        break;
    case BrushStyle::BDiagonal:
        writeBytes(out_, "\\dpfillpat17");
        break;
    case BrushStyle::Cross:
        writeBytes(out_, "\\dpfillpat18");
        break;
    case BrushStyle::DiagCross:
        writeBytes(out_, "\\dpfillpat19");
        break;
    default:
        writeBytes(out_, "\\dpfillpat1");
        break;
    }
}

void RichPageWriter::writeFillColour(const MetaColor& colour) {
    writeBytes(out_, colourComponents("\\dpfillbgcr", "\\dpfillbgcg", "\\dpfillbgcb", colour));
}

void RichPageWriter::writePointList(const std::vector<PagePoint>& points, const PageRect& bounds) {
    std::string text = "\\dppolycount" + decimal(qsizetype(points.size()));
    for (const PagePoint& p : points)
        text += "\\dpptx" + decimal(twips(p.x - bounds.left)) + "\\dppty" + decimal(twips(p.y - bounds.top));
    writeBytes(out_, text);
}

void RichPageWriter::visit(const TRLPixelObject& object) {
    const PageRect& b = object.Bounds;
    writeDrawingObjectHead("\\dprect", b.left, b.top, b.width(), b.height());
    writeBytes(out_, "\\dplinehollow\\dpfillpat1");
    writeFillColour(object.Color);
    writeDrawingObjectEnd();
}

void RichPageWriter::visit(const TRLLineObject& object) {
    const PagePoint& s = object.StartPoint;
    const PagePoint& e = object.EndPoint;
    writeDrawingObjectHead("\\dpline", s.x, s.y, e.x - s.x, e.y - s.y);
    writeLineStyle(object.Pen);
    writeLineColour(object.Pen.Color);
    writeLineWidth(object.Pen);
    writeDrawingObjectEnd();
}

void RichPageWriter::visit(const TRLRectangleObject& object) {
    const PageRect& b = object.Bounds;
    writeDrawingObjectHead("\\dprect", b.left, b.top, b.width(), b.height());
    writeLineStyle(object.Pen);
    writeLineColour(object.Pen.Color);
    writeLineWidth(object.Pen);
    writeFillPattern(object.Brush);
    writeFillColour(object.Brush.Color);
    writeDrawingObjectEnd();
}

void RichPageWriter::visit(const TRLFillRectObject& object) {
    const PageRect& b = object.Bounds;
    writeDrawingObjectHead("\\dprect", b.left, b.top, b.width(), b.height());
    writeBytes(out_, "\\dplinehollow\\dplinew0");
    writeFillPattern(object.Brush);
    writeFillColour(object.Brush.Color);
    writeDrawingObjectEnd();
}

void RichPageWriter::visit(const TRLEllipseObject& object) {
    const PageRect& b = object.Bounds;
    writeDrawingObjectHead("\\dpellipse", b.left, b.top, b.width(), b.height());
    writeLineStyle(object.Pen);
    writeLineColour(object.Pen.Color);
    writeLineWidth(object.Pen);
    writeFillPattern(object.Brush);
    writeFillColour(object.Brush.Color);
    writeDrawingObjectEnd();
}

void RichPageWriter::visit(const TRLPolygonObject& object) {
    const PageRect& b = object.Bounds;
    writeDrawingObjectHead("\\dppolygon", b.left, b.top, b.width(), b.height());
    writePointList(object.Points, b);
    writeLineStyle(object.Pen);
    writeLineColour(object.Pen.Color);
    writeLineWidth(object.Pen);
    writeFillPattern(object.Brush);
    writeFillColour(object.Brush.Color);
    writeDrawingObjectEnd();
}

void RichPageWriter::visit(const TRLPolylineObject& object) {
    const PageRect& b = object.Bounds;
    writeDrawingObjectHead("\\dppolyline", b.left, b.top, b.width(), b.height());
    writePointList(object.Points, b);
    writeLineStyle(object.Pen);
    writeLineColour(object.Pen.Color);
    writeLineWidth(object.Pen);
    writeDrawingObjectEnd();
}

// ---- texts

void RichPageWriter::visit(const TRLTextObject& object) {
    writeTextFrame(object);
}

void RichPageWriter::writeTextFrame(const TRLTextObject& object) {
    PageRect r = object.Bounds.intersected(clip_);
    // A text wholly outside the clip rectangle shows nothing; a frame of
    // negative size would only confuse the reader.
    if (r.isEmpty()) return;
    const std::int32_t extra = frameWidening(r.width());
    const char* indent = "";
    const char* alignment = "";
    switch (object.HAlign) {
    case haLeft:
        r.right += extra;
        indent = "\\rin-1000";
        alignment = "\\ql";
        break;
    case haRight:
        r.left -= extra;
        indent = "\\lin-1000";
        alignment = "\\qr";
        break;
    case haCenter: {
        const std::int32_t half = extra / 2;
        r.left -= half;
        r.right += extra - half;
        indent = "\\rin-1000\\lin-1000";
        alignment = "\\qc";
        break;
    }
    case haJustify:
        r.right += extra;
        alignment = "\\qj";
        break;
    default:
        break;
    }
    const std::uint8_t style = object.Font.Style;
    std::string text =
        "\\pard\\plain\\absw" + decimal(twips(r.width())) + "\\absh-" + decimal(twips(r.height())) + indent +
        "\\pvpg\\posy" + decimal(twips(r.top)) + "\\phpg\\posx" + decimal(twips(r.left)) +
        "{\\*\\flyanchor2\\flypage" + decimal(pageNumber_) + "}" + alignment + "{\\f" +
        decimal(fonts_.add(object.FontName())) + "\\fs" + decimal(std::int64_t(object.Font.Size) * 2);
    if (style & fsBold) text += "\\b";
    if (style & fsItalic) text += "\\i";
    if (style & fsUnderline) text += "\\ul";
    if (style & fsStrikeOut) text += "\\strike";
    text += " " + escapeRich(object.DisplayText());
    if (style & fsStrikeOut) text += "\\strike0";
    if (style & fsUnderline) text += "\\ul0";
    if (style & fsItalic) text += "\\i0";
    if (style & fsBold) text += "\\b0";
    if (object.HAlign == haJustify) text += "\\line";
    writeBytes(out_, text);
    writeLine(out_, "}\\par\\pard");
}

// ---- pictures

void RichPageWriter::visit(const TRLImageObject& object) {
    const PageRect& b = object.Bounds;
    const QImage picture = PictureData::toImage(object.PictureData);
    PageRect visible = b.intersected(clip_);
    if (picture.isNull() || b.isEmpty() || visible.isEmpty()) return;
    visible = {visible.left - b.left, visible.top - b.top, visible.right - b.left, visible.bottom - b.top};

    QImage stretched(b.width(), b.height(), QImage::Format_RGB32);
    stretched.fill(Qt::white);
    {
        QPainter painter(&stretched);
        painter.drawImage(QRect(0, 0, b.width(), b.height()), picture);
    }
    const QImage part = stretched.copy(visible.toQRect()).convertToFormat(QImage::Format_Indexed8);
    const QByteArray bmp = eightBitBmpFile(part);

    writePictureHead(b, visible);
    writeMetafile(bmp, visible.width(), visible.height());
    writeBytes(out_, "\r\n");
    writeLine(out_, "}\\par\\pard");
}

void RichPageWriter::writePictureHead(const PageRect& bounds, const PageRect& visible) {
    writeLine(out_, "\\pard\\plain\\absw" + decimal(twips(visible.width())) + "\\absh-" +
                        decimal(twips(visible.height())) + "\\pvpg\\posy" + decimal(twips(bounds.top)) +
                        "\\phpg\\posx" + decimal(twips(bounds.left)) + "{\\*\\flyanchor2\\flypage" +
                        decimal(pageNumber_) + "}" + "{\\pict\\wmetafile8" + "\\picw" +
                        decimal(pictureGoal(bounds.width())) + "\\pich" +
                        decimal(pictureGoal(bounds.height())) + "\\picbmp\\picbpp8");
}

void RichPageWriter::writeMetafile(const QByteArray& bmpFile, std::int32_t width, std::int32_t height) {
    const auto* header = reinterpret_cast<const unsigned char*>(bmpFile.constData());
    const std::uint32_t fileSize =
        header[2] | header[3] << 8 | header[4] << 16 | std::uint32_t(header[5]) << 24;
    // Words of the stretch-DIB record: 14 of fields, then the bitmap without its file header.
    const std::uint32_t recordWords = fileSize / 2 + 7;
    lineLength_ = 0;
    // Metafile header: memory metafile, 9-word header, version 3.0, size in words, no objects.
    writeCounted("010009000003" + hex32(recordWords + 36) + "0000");
    // Largest record; set-window-origin (0, 0); start of set-window-extent.
    writeCounted(hex32(recordWords) + "0000050000000B0200000000050000000C02");
    writeCounted(hex16(std::uint32_t(height)));
    writeCounted(hex16(std::uint32_t(width)));
    // Text colour black, background white, stretch mode 3.
    writeCounted("05000000090200000000050000000102FFFFFF000400000007010300");
    // Stretch-DIB, source copy, RGB colours.
    writeCounted(hex32(recordWords));
    writeCounted("430F2000CC000000");
    // Source height, width, y, x; destination height, width, y, x.
    writeCounted(hex16(std::uint32_t(height)));
    writeCounted(hex16(std::uint32_t(width)) + "00000000");
    writeCounted(hex16(std::uint32_t(height)));
    writeCounted(hex16(std::uint32_t(width)) + "00000000");
    char digits[3];
    for (qsizetype i = 14; i < bmpFile.size(); ++i) {
        std::snprintf(digits, sizeof digits, "%02X", unsigned(std::uint8_t(bmpFile[i])));
        writeCounted(digits);
    }
    // End-of-file record.
    writeCounted("030000000000");
}

void RichPageWriter::writeCounted(const std::string& chunk) {
    writeBytes(out_, chunk);
    lineLength_ += int(chunk.size());
    if (lineLength_ > 128) {
        writeBytes(out_, "\r\n");
        lineLength_ = 0;
    }
}

} // namespace rl
